// Runs of the quorlin executable under faults that a case file cannot set
// up: two runs writing one output at once, a full file system, a file-size
// limit, kills at random moments, an unprivileged caller and a umask (and
// quorlin-format's rewrite of a script on a full file system). After
// each, the output must be the previous file or the new one, whole, and no
// temporary may be left unless the run was killed outright.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "faultfiles.h"
#include "processrun.h"

namespace quorlin {

namespace {

namespace fs = std::filesystem;
using namespace quorlin::faults;

const std::string TINY_SCRIPT = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nEndScript\n";

// Hidden temporaries of outputs (".NAME.XXXXXX.tmp") in the folder.
std::vector<std::string> Temporaries(const fs::path& folder)
{
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.' && entry.path().extension() == ".tmp")
            found.push_back(name);
    }
    return found;
}

// How a child ended: its exit status, or the signal that ended it.
struct Ending {
    bool bExited = false;
    int nStatus = -1;
    int nSignal = 0;
};

Ending Wait(pid_t pid)
{
    int nWaitStatus = 0;
    while (::waitpid(pid, &nWaitStatus, 0) < 0 && errno == EINTR) {
    }
    Ending ending;
    ending.bExited = WIFEXITED(nWaitStatus);
    ending.nStatus = ending.bExited ? WEXITSTATUS(nWaitStatus) : -1;
    ending.nSignal = WIFSIGNALED(nWaitStatus) ? WTERMSIG(nWaitStatus) : 0;
    return ending;
}

class OutputFaults : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_scratch.IsValid());
        m_folder = m_scratch.Path();
        WriteFile(m_folder / "tiny.txt", TINY_SCRIPT);
        WriteFile(m_folder / "wave.txt", WAVE_SCRIPT);
    }

    // Starts quorlin (or the program given) in the scratch folder with
    // standard output on the descriptor (/dev/null when negative); the
    // preparation runs in the child just before the program starts, and must
    // be async-signal-safe.
    pid_t Start(const std::vector<std::string>& args, int nOut = -1, const std::function<void()>& prepare = {},
                const char* pszProgram = QUORLIN_EXECUTABLE) const
    {
        std::vector<std::string> words = {pszProgram};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string folder = m_folder.string();
        const pid_t pid = ::fork();
        if (pid != 0)
            return pid;
        const int nNull = ::open("/dev/null", O_RDWR);
        if (nNull < 0 || ::dup2(nNull, 0) < 0 || ::dup2(nOut >= 0 ? nOut : nNull, 1) < 0 ||
            ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        if (prepare)
            prepare();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }

    // Runs quorlin (or the program given) to its end; the lines it printed
    // go to printed.
    Ending Run(const std::vector<std::string>& args, std::string& printed, const std::function<void()>& prepare = {},
               const char* pszProgram = QUORLIN_EXECUTABLE) const
    {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return {};
        const pid_t pid = Start(args, fds[1], prepare, pszProgram);
        ::close(fds[1]);
        printed.clear();
        char aBuffer[4096];
        ssize_t nGot = 0;
        while ((nGot = ::read(fds[0], aBuffer, sizeof(aBuffer))) > 0)
            printed.append(aBuffer, static_cast<std::size_t>(nGot));
        ::close(fds[0]);
        return Wait(pid);
    }

    // What a run that nothing disturbs writes for the script.
    std::string Compiled(const std::string& script) const
    {
        std::string printed;
        const Ending ending = Run({"/file", script, "/out", "reference.tfs"}, printed);
        EXPECT_TRUE(ending.bExited && ending.nStatus == 0) << printed;
        std::string bytes = ReadFile(m_folder / "reference.tfs");
        fs::remove(m_folder / "reference.tfs");
        return bytes;
    }

    ScratchFolder m_scratch;
    fs::path m_folder;
};

TEST_F(OutputFaults, TwoRunsWritingOneOutputLeaveOneWholeFile)
{
    const std::string tiny = Compiled("tiny.txt");
    const std::string wave = Compiled("wave.txt");
    ASSERT_NE(tiny, wave);
    const fs::path output = m_folder / "shared.tfs";

    // Half of the rounds start without an output, half over one.
    for (int nRound = 0; nRound < 200; ++nRound) {
        if (nRound < 100)
            fs::remove(output);
        const pid_t first = Start({"/file", "tiny.txt", "/out", "shared.tfs"});
        const pid_t second = Start({"/file", "wave.txt", "/out", "shared.tfs"});
        const Ending firstEnding = Wait(first);
        const Ending secondEnding = Wait(second);
        ASSERT_TRUE(firstEnding.bExited && firstEnding.nStatus == 0) << "round " << nRound;
        ASSERT_TRUE(secondEnding.bExited && secondEnding.nStatus == 0) << "round " << nRound;
        const std::string bytes = ReadFile(output);
        ASSERT_TRUE(bytes == tiny || bytes == wave) << "round " << nRound << ": " << bytes.size() << " bytes";
    }
    EXPECT_TRUE(Temporaries(m_folder).empty());
}

TEST_F(OutputFaults, FileSizeLimitKeepsThePreviousOutput)
{
    WriteFile(m_folder / "wave.tfs", PREVIOUS);
    std::string printed;
    // Files may not grow beyond 20 bytes, and SIGXFSZ has its default
    // action, which ends a process that writes beyond the limit.
    const Ending ending = Run({"/file", "wave.txt"}, printed, [] {
        const struct rlimit limit = {20, 20};
        ::signal(SIGXFSZ, SIG_DFL);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(125);
    });
    EXPECT_TRUE(ending.bExited) << "ended by signal " << ending.nSignal;
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error writing file wave.tfs. Make sure there is enough space on the disk\n");
    EXPECT_EQ(ReadFile(m_folder / "wave.tfs"), PREVIOUS);
    EXPECT_TRUE(Temporaries(m_folder).empty());
}

TEST_F(OutputFaults, NewOutputGetsThePermissionsTheUmaskLeaves)
{
    for (const mode_t umaskBits : {mode_t{0}, mode_t{027}, mode_t{077}}) {
        fs::remove(m_folder / "tiny.tfs");
        std::string printed;
        const Ending ending = Run({"/file", "tiny.txt"}, printed, [umaskBits] { ::umask(umaskBits); });
        ASSERT_EQ(ending.nStatus, 0) << printed;
        struct stat info = {};
        ASSERT_EQ(::stat((m_folder / "tiny.tfs").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0666 & ~umaskBits) << "umask " << std::oct << umaskBits;
    }
}

TEST_F(OutputFaults, FifoWithAReaderReceivesTheBytes)
{
    const std::string tiny = Compiled("tiny.txt");
    ASSERT_EQ(::mkfifo((m_folder / "pipe.tfs").c_str(), 0600), 0);
    const int nReader = ::open((m_folder / "pipe.tfs").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(nReader, 0);
    std::string printed;
    const Ending ending = Run({"/file", "tiny.txt", "/out", "pipe.tfs"}, printed);
    std::string received(4096, '\0');
    const ssize_t nGot = ::read(nReader, received.data(), received.size());
    ::close(nReader);
    EXPECT_EQ(ending.nStatus, 0) << printed;
    received.resize(nGot > 0 ? static_cast<std::size_t>(nGot) : 0);
    EXPECT_EQ(received, tiny);
}

// ---------------------------------------------------------------------------
// Kills at random moments.

class KilledRuns : public OutputFaults {
protected:
    // A script whose run lasts long enough to be hit at any point: megabytes
    // of comments before the worked example.
    void SetUp() override
    {
        OutputFaults::SetUp();
        std::string script;
        for (int i = 0; i < 60000; ++i)
            script += "# A comment line that only makes the script long enough to be interrupted.\n";
        WriteFile(m_folder / "long.txt", script + WAVE_SCRIPT);
        m_compiled = Compiled("long.txt");
        m_runMicroseconds = TimeOneRun();
    }

    long TimeOneRun() const
    {
        const auto start = std::chrono::steady_clock::now();
        Wait(Start({"/file", "long.txt"}));
        const auto end = std::chrono::steady_clock::now();
        return static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(end - start).count());
    }

    // Kills runs at random moments from their start to a little past their
    // usual end; after each the output is the previous file or the new one.
    void KillRuns(int nSignal, int nRounds)
    {
        std::mt19937 random(static_cast<unsigned>(nSignal));
        std::uniform_int_distribution<long> moment(0, m_runMicroseconds + m_runMicroseconds / 4);
        const fs::path output = m_folder / "long.tfs";
        for (int nRound = 0; nRound < nRounds; ++nRound) {
            WriteFile(output, PREVIOUS);
            const pid_t pid = Start({"/file", "long.txt"});
            ::usleep(static_cast<useconds_t>(moment(random)));
            ::kill(pid, nSignal);
            const Ending ending = Wait(pid);
            const std::string bytes = ReadFile(output);
            ASSERT_TRUE(bytes == PREVIOUS || bytes == m_compiled) << "round " << nRound << ": " << bytes.size();
            CheckEnding(nSignal, ending);
            for (const std::string& name : Temporaries(m_folder))
                fs::remove(m_folder / name);
        }
    }

    void CheckEnding(int nSignal, const Ending& ending) const
    {
        EXPECT_TRUE((ending.bExited && ending.nStatus == 0) || ending.nSignal == nSignal);
        // Only a kill that no handler sees may leave a temporary.
        if (nSignal != SIGKILL)
            EXPECT_TRUE(Temporaries(m_folder).empty());
    }

    std::string m_compiled;
    long m_runMicroseconds = 0;
};

TEST_F(KilledRuns, SigtermLeavesTheOldOrTheNewOutputAndNoTemporary) { KillRuns(SIGTERM, 40); }

TEST_F(KilledRuns, SigkillLeavesTheOldOrTheNewOutput) { KillRuns(SIGKILL, 40); }

// ---------------------------------------------------------------------------
// Outputs the caller may not write.

class UnwritableOutputs : public OutputFaults {
protected:
    // Runs quorlin as an unprivileged user (root may write any file), in
    // the scratch folder that everyone may write or only its owner.
    Ending RunUnprivileged(const std::vector<std::string>& args, bool bFolderWritable, std::string& printed)
    {
        fs::permissions(m_folder, bFolderWritable
                                      ? fs::perms::all
                                      : fs::perms::owner_all | fs::perms::group_exec | fs::perms::group_read |
                                            fs::perms::others_exec | fs::perms::others_read);
        fs::permissions(m_folder / "tiny.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                                   fs::perms::others_read);
        return Run(args, printed, [] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(125);
        });
    }
};

TEST_F(UnwritableOutputs, ReadOnlyOutputIsRefusedAndKept)
{
    WriteFile(m_folder / "tiny.tfs", PREVIOUS);
    fs::permissions(m_folder / "tiny.tfs", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string printed;
    const Ending ending = RunUnprivileged({"/file", "tiny.txt"}, true, printed);
    if (ending.nStatus == 125)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error opening file tiny.tfs for output. Make sure it is valid and not read only\n");
    EXPECT_EQ(ReadFile(m_folder / "tiny.tfs"), PREVIOUS);
    EXPECT_TRUE(Temporaries(m_folder).empty());
}

TEST_F(UnwritableOutputs, WritableOutputInAFolderThatIsNotIsRefusedAndKept)
{
    WriteFile(m_folder / "tiny.tfs", PREVIOUS);
    fs::permissions(m_folder / "tiny.tfs", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                               fs::perms::group_write | fs::perms::others_read |
                                               fs::perms::others_write);
    std::string printed;
    const Ending ending = RunUnprivileged({"/file", "tiny.txt"}, false, printed);
    if (ending.nStatus == 125)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error opening file tiny.tfs for output. Make sure it is valid and not read only\n");
    EXPECT_EQ(ReadFile(m_folder / "tiny.tfs"), PREVIOUS);
    EXPECT_TRUE(Temporaries(m_folder).empty());
}

// ---------------------------------------------------------------------------
// Outputs on a small file system of their own.

class SmallFileSystem : public OutputFaults {
protected:
    void SetUp() override
    {
        OutputFaults::SetUp();
        m_mount = m_folder / "small";
        fs::create_directory(m_mount);
        if (::mount("quorlin-test", m_mount.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
        m_bMounted = true;
    }

    void TearDown() override
    {
        if (m_bMounted)
            ::umount2(m_mount.c_str(), MNT_DETACH);
    }

    // Fills the file system to its last byte.
    void Fill() const
    {
        std::ofstream filler(m_mount / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }

    fs::path m_mount;
    bool m_bMounted = false;
};

TEST_F(SmallFileSystem, FullFileSystemKeepsThePreviousOutput)
{
    WriteFile(m_mount / "wave.tfs", PREVIOUS);
    Fill();
    std::string printed;
    const Ending ending = Run({"/file", "wave.txt", "/out", "small/wave.tfs"}, printed);
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error writing file small/wave.tfs. Make sure there is enough space on the disk\n");
    EXPECT_EQ(ReadFile(m_mount / "wave.tfs"), PREVIOUS);
    EXPECT_TRUE(Temporaries(m_mount).empty());
}

TEST_F(SmallFileSystem, FullFileSystemTakesNoNewOutput)
{
    Fill();
    std::string printed;
    const Ending ending = Run({"/file", "wave.txt", "/out", "small/wave.tfs"}, printed);
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error writing file small/wave.tfs. Make sure there is enough space on the disk\n");
    EXPECT_FALSE(fs::exists(m_mount / "wave.tfs"));
    EXPECT_TRUE(Temporaries(m_mount).empty());
}

// A hard-linked output is written in place, where a full file system fails
// the write itself.
TEST_F(SmallFileSystem, FullFileSystemFailsAHardLinkedOutput)
{
    WriteFile(m_mount / "wave.tfs", "");
    fs::create_hard_link(m_mount / "wave.tfs", m_mount / "other-name.tfs");
    Fill();
    std::string printed;
    const Ending ending = Run({"/file", "wave.txt", "/out", "small/wave.tfs"}, printed);
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error writing file small/wave.tfs. Make sure there is enough space on the disk\n");
    EXPECT_EQ(fs::hard_link_count(m_mount / "wave.tfs"), 2u);
    EXPECT_TRUE(Temporaries(m_mount).empty());
}

// A hard-linked script that quorlin-format rewrites in place, with its new
// layout a page longer than the file: the room is not there, so the script
// keeps every byte (a truncation first would leave it cut off at 4,096).
TEST_F(SmallFileSystem, FullFileSystemKeepsAHardLinkedScriptWhole)
{
    std::string script = "UserParams;Input UV;Output TexCoord2;BeginScript\n";
    for (int i = 0; i < 200; ++i)
        script += "Mat30=Time*164+" + std::to_string(i % 10) + ";\n";
    script += "EndScript\n";
    WriteFile(m_mount / "messy.txt", script);
    fs::create_hard_link(m_mount / "messy.txt", m_mount / "other-name.txt");
    Fill();
    std::string printed;
    const Ending ending = Run(
        {"-i", "small/messy.txt"}, printed, [] { ::dup2(1, 2); }, FORMAT_EXECUTABLE);
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "quorlin-format: small/messy.txt: cannot rewrite: No space left on device\n");
    const std::string kept = ReadFile(m_mount / "messy.txt");
    EXPECT_EQ(kept.size(), script.size());
    EXPECT_TRUE(kept == script);
}

TEST_F(SmallFileSystem, ReadOnlyFileSystemKeepsThePreviousOutput)
{
    WriteFile(m_mount / "wave.tfs", PREVIOUS);
    ASSERT_EQ(::mount("quorlin-test", m_mount.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k,mode=0755"), 0);
    std::string printed;
    const Ending ending = Run({"/file", "wave.txt", "/out", "small/wave.tfs"}, printed);
    EXPECT_EQ(ending.nStatus, 1);
    EXPECT_EQ(printed, "Error opening file small/wave.tfs for output. Make sure it is valid and not read only\n");
    EXPECT_EQ(ReadFile(m_mount / "wave.tfs"), PREVIOUS);
}

} // namespace

} // namespace quorlin
