// Runs of every program that writes a file, in situations a case file
// cannot set up: outputs that are descriptors of the run or its standard
// input, standard streams that cannot be written, hard links, extended
// attributes, another user's file and prepared temporary names.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "faultfiles.h"
#include "processrun.h"

namespace quorlin {

namespace {

namespace fs = std::filesystem;
using namespace quorlin::faults;

const uid_t OTHER_USER = 65534;

// A run's standard streams: descriptors of the test, or /dev/null.
struct Streams {
    int nIn = -1;
    int nOut = -1;
    int nErr = -1;
};

class OutputKeeping : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_scratch.IsValid());
        m_folder = m_scratch.Path();
        WriteFile(m_folder / "wave.txt", WAVE_SCRIPT);
    }

    // Runs the program in the scratch folder; its exit status, or -1 when
    // it did not exit. The preparation runs in the child before the program.
    int Run(const std::string& program, std::vector<std::string> args, const Streams& streams = {},
            const std::function<void()>& prepare = {}) const
    {
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (std::string& word : args)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string folder = m_folder.string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int nNull = ::open("/dev/null", O_RDWR);
            if (nNull < 0 || ::dup2(streams.nIn >= 0 ? streams.nIn : nNull, 0) < 0 ||
                ::dup2(streams.nOut >= 0 ? streams.nOut : nNull, 1) < 0 ||
                ::dup2(streams.nErr >= 0 ? streams.nErr : nNull, 2) < 0 || ::chdir(folder.c_str()) != 0)
                ::_exit(126);
            if (prepare)
                prepare();
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int nStatus = 0;
        while (::waitpid(pid, &nStatus, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }

    int Open(const std::string& name, int nFlags) const
    {
        return ::open((m_folder / name).c_str(), nFlags | O_CLOEXEC, 0644);
    }

    // What tfsc writes for the script, by itself.
    std::string Compiled() const
    {
        EXPECT_EQ(Run(TFSC_EXECUTABLE, {"-o", "reference.tfs", "wave.txt"}), 0);
        return ReadFile(m_folder / "reference.tfs");
    }

    ScratchFolder m_scratch;
    fs::path m_folder;
};

// ---------------------------------------------------------------------------
// Descriptors as outputs.

TEST_F(OutputKeeping, DescriptorNamesAppendToTheLogStandardOutputAppendsTo)
{
    const std::string compiled = Compiled();
    const std::vector<std::vector<std::string>> runs = {
        {TFSC_EXECUTABLE, "-o", "/dev/stdout", "wave.txt"},
        {TFSC_EXECUTABLE, "-o", "/proc/self/fd/1", "wave.txt"},
        {TFSC_EXECUTABLE, "-o", "../../../../../../../dev/fd/1", "wave.txt"},
        // quorlin takes every word starting with '/' as an option.
        {QUORLIN_EXECUTABLE, "/file", "wave.txt", "/out", "../../../../../../../dev/stdout"},
    };
    for (const std::vector<std::string>& run : runs) {
        WriteFile(m_folder / "build.log", PREVIOUS);
        const int nLog = Open("build.log", O_WRONLY | O_APPEND);
        const int nStatus = Run(run[0], {run.begin() + 1, run.end()}, {-1, nLog, -1});
        ::close(nLog);
        EXPECT_EQ(nStatus, 0) << run.back();
        // quorlin's line of success follows the bytes.
        EXPECT_EQ(ReadFile(m_folder / "build.log").substr(0, PREVIOUS.size() + compiled.size()), PREVIOUS + compiled)
            << run.back();
    }
}

TEST_F(OutputKeeping, StandardErrorAndDashReachAPipe)
{
    const std::string compiled = Compiled();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-o", "-", "wave.txt"}, std::vector<std::string>{"-o", "/dev/stderr", "wave.txt"}}) {
        int fds[2] = {-1, -1};
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        const int nStatus = Run(TFSC_EXECUTABLE, args, {-1, fds[1], fds[1]});
        ::close(fds[1]);
        std::string received(4096, '\0');
        const ssize_t nGot = ::read(fds[0], &received[0], received.size());
        ::close(fds[0]);
        received.resize(nGot > 0 ? static_cast<std::size_t>(nGot) : 0);
        EXPECT_EQ(nStatus, 0) << args[1];
        EXPECT_EQ(received, compiled) << args[1];
    }
}

TEST_F(OutputKeeping, DescriptorOpenForReadingOnlyIsRefused)
{
    WriteFile(m_folder / "notes.txt", PREVIOUS);
    const int nIn = Open("notes.txt", O_RDONLY);
    const int nStatus = Run(TFSC_EXECUTABLE, {"-o", "/dev/stdin", "wave.txt"}, {nIn, -1, -1});
    ::close(nIn);
    EXPECT_EQ(nStatus, 1);
    EXPECT_EQ(ReadFile(m_folder / "notes.txt"), PREVIOUS);
}

// ---------------------------------------------------------------------------
// Standard input as the output.

TEST_F(OutputKeeping, OutputThatIsStandardInputIsRefused)
{
    const std::string compiled = Compiled();
    WriteFile(m_folder / "t.tfs", compiled);
    const std::vector<std::vector<std::string>> runs = {
        {TFSC_EXECUTABLE, "-o", "wave.txt", "-"},
        {TFSDUMP_EXECUTABLE, "-o", "t.tfs", "-"},
    };
    for (const std::vector<std::string>& run : runs) {
        const std::string& input = run[2];
        const std::string before = ReadFile(m_folder / input);
        const int nIn = Open(input, O_RDONLY);
        const int nStatus = Run(run[0], {run.begin() + 1, run.end()}, {nIn, -1, -1});
        ::close(nIn);
        EXPECT_NE(nStatus, 0) << run[0];
        EXPECT_EQ(ReadFile(m_folder / input), before) << run[0];
    }
}

// ---------------------------------------------------------------------------
// Standard streams that cannot be written.

TEST_F(OutputKeeping, FullStandardStreamsFailTheRun)
{
    const std::vector<std::vector<std::string>> runs = {
        {TFSC_EXECUTABLE, "--check", "--stats", "wave.txt"},
        {TFSC_EXECUTABLE, "--help"},
        {QUORLIN_EXECUTABLE, "/file", "wave.txt"},
        {FORMAT_EXECUTABLE, "wave.txt"},
        {TFSDUMP_EXECUTABLE, "--help"},
        {TFSDUMP_EXECUTABLE, "wave.tfs"},
        {TFSDUMP_EXECUTABLE, "--script", "wave.tfs"},
    };
    ASSERT_EQ(Run(QUORLIN_EXECUTABLE, {"/file", "wave.txt"}), 0);
    const int nFull = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(nFull, 0);
    for (const std::vector<std::string>& run : runs)
        EXPECT_EQ(Run(run[0], {run.begin() + 1, run.end()}, {-1, nFull, -1}), 1) << run[0] << " " << run[1];
    // A diagnostic that cannot be shown fails the run too.
    WriteFile(m_folder / "warn.txt", WAVE_SCRIPT + "text after the end\n");
    EXPECT_EQ(Run(TFSC_EXECUTABLE, {"--check", "warn.txt"}, {-1, -1, nFull}), 1);
    ::close(nFull);
}

// ---------------------------------------------------------------------------
// What a replaced file keeps.

TEST_F(OutputKeeping, HardLinkedOutputIsWrittenInPlace)
{
    const std::string compiled = Compiled();
    WriteFile(m_folder / "wave.tfs", PREVIOUS);
    fs::create_hard_link(m_folder / "wave.tfs", m_folder / "other-name.tfs");
    EXPECT_EQ(Run(QUORLIN_EXECUTABLE, {"/file", "wave.txt"}), 0);
    EXPECT_EQ(ReadFile(m_folder / "other-name.tfs"), compiled);
    EXPECT_EQ(fs::hard_link_count(m_folder / "wave.tfs"), 2u);
}

TEST_F(OutputKeeping, ReplacedFileKeepsItsExtendedAttributes)
{
    if (!QUORLIN_LINUX_CALLS)
        GTEST_SKIP() << "extended attributes are copied with calls of Linux's own, switched off in this build";
    const std::string script = m_folder / "messy.txt";
    WriteFile(script, "userparams;input uv;output texcoord2;beginscript endscript\n");
    const std::string value = "kept";
    if (::setxattr(script.c_str(), "user.note", value.data(), value.size(), 0) != 0)
        GTEST_SKIP() << "the scratch folder's file system takes no user attributes";
    EXPECT_EQ(Run(FORMAT_EXECUTABLE, {"-i", "messy.txt"}), 0);
    char aValue[16] = {};
    EXPECT_EQ(::getxattr(script.c_str(), "user.note", aValue, sizeof aValue), 4);
    EXPECT_EQ(std::string(aValue), value);
    EXPECT_NE(ReadFile(script).find("UserParams;"), std::string::npos);
}

// An access ACL in its extended attribute's form: the owner, one more
// user and the mask may read and write, the group and others only read.
std::string AccessAcl()
{
    struct Entry {
        std::uint16_t nTag;
        std::uint16_t nPermissions;
        std::uint32_t nId;
    };
    const Entry entries[] = {{0x01, 6, 0xFFFFFFFF},
                             {0x02, 6, OTHER_USER},
                             {0x04, 4, 0xFFFFFFFF},
                             {0x10, 6, 0xFFFFFFFF},
                             {0x20, 4, 0xFFFFFFFF}};
    const std::uint32_t nVersion = 2;
    std::string acl(reinterpret_cast<const char*>(&nVersion), sizeof nVersion);
    for (const Entry& entry : entries) {
        acl.append(reinterpret_cast<const char*>(&entry.nTag), sizeof entry.nTag);
        acl.append(reinterpret_cast<const char*>(&entry.nPermissions), sizeof entry.nPermissions);
        acl.append(reinterpret_cast<const char*>(&entry.nId), sizeof entry.nId);
    }
    return acl;
}

TEST_F(OutputKeeping, ReplacedFileKeepsItsAcl)
{
    if (!QUORLIN_LINUX_CALLS)
        GTEST_SKIP() << "extended attributes are copied with calls of Linux's own, switched off in this build";
    const std::string output = m_folder / "wave.tfs";
    WriteFile(output, PREVIOUS);
    const std::string acl = AccessAcl();
    if (::setxattr(output.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "the scratch folder's file system takes no ACL";
    EXPECT_EQ(Run(TFSC_EXECUTABLE, {"wave.txt"}), 0);
    std::string kept(256, '\0');
    const ssize_t nSize = ::getxattr(output.c_str(), "system.posix_acl_access", &kept[0], kept.size());
    kept.resize(nSize > 0 ? static_cast<std::size_t>(nSize) : 0);
    EXPECT_EQ(kept, acl);
    struct stat info = {};
    ASSERT_EQ(::stat(output.c_str(), &info), 0);
    // The group bits of a file with an ACL are its mask.
    EXPECT_EQ(info.st_mode & 0777, 0664u);
    EXPECT_NE(ReadFile(output), PREVIOUS);
}

TEST_F(OutputKeeping, ReplacedFileKeepsItsOwnerAndMode)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    const std::string script = m_folder / "theirs.txt";
    WriteFile(script, "userparams;input uv;output texcoord2;beginscript endscript\n");
    ASSERT_EQ(::chown(script.c_str(), OTHER_USER, OTHER_USER), 0);
    ASSERT_EQ(::chmod(script.c_str(), 0640), 0);
    EXPECT_EQ(Run(FORMAT_EXECUTABLE, {"-i", "theirs.txt"}), 0);
    struct stat info = {};
    ASSERT_EQ(::stat(script.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, OTHER_USER);
    EXPECT_EQ(info.st_gid, OTHER_USER);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// In a sticky folder a writable file of someone else cannot be replaced:
// it is written in place.
TEST_F(OutputKeeping, SomeoneElsesFileInAStickyFolderIsWrittenInPlace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "running as another user than the file's owner needs root";
    const std::string compiled = Compiled();
    fs::permissions(m_folder, fs::perms::all | fs::perms::sticky_bit);
    ASSERT_EQ(::chmod((m_folder / "wave.txt").c_str(), 0644), 0);
    WriteFile(m_folder / "wave.tfs", PREVIOUS);
    ASSERT_EQ(::chmod((m_folder / "wave.tfs").c_str(), 0666), 0);
    int fds[2] = {-1, -1};
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int nStatus = Run(QUORLIN_EXECUTABLE, {"/file", "wave.txt"}, {-1, fds[1], -1}, [] {
        if (::setgid(OTHER_USER) != 0 || ::setuid(OTHER_USER) != 0)
            ::_exit(125);
    });
    ::close(fds[1]);
    char aPrinted[256] = {};
    const ssize_t nGot = ::read(fds[0], aPrinted, sizeof aPrinted - 1);
    ::close(fds[0]);
    EXPECT_EQ(nStatus, 0) << std::string(aPrinted, nGot > 0 ? static_cast<std::size_t>(nGot) : 0);
    EXPECT_EQ(ReadFile(m_folder / "wave.tfs"), compiled);
}

// ---------------------------------------------------------------------------
// Temporary names.

// Names made the way temporaries were once named, from the process id and
// the attempt, for the ids the next runs are likely to get, cannot block
// a compile.
TEST_F(OutputKeeping, PreparedTemporaryNamesDoNotBlockACompile)
{
    const auto nPid = static_cast<unsigned long>(::getpid());
    for (unsigned long nNext = 1; nNext <= 300; ++nNext) {
        for (unsigned long nAttempt = 0; nAttempt < 16; ++nAttempt) {
            char szName[64];
            std::snprintf(szName, sizeof szName, ".wave.tfs.%06lx.tmp",
                          (nPid + nNext + nAttempt * 0x9E3779ul) & 0xFFFFFFul);
            WriteFile(m_folder / szName, "");
        }
    }
    EXPECT_EQ(Run(QUORLIN_EXECUTABLE, {"/file", "wave.txt"}), 0);
    EXPECT_EQ(Run(TFSC_EXECUTABLE, {"wave.txt"}), 0);
    EXPECT_TRUE(fs::exists(m_folder / "wave.tfs"));
}

} // namespace

} // namespace quorlin
