// In-process tests of the output writer for what a run of the executable
// cannot aim at: an interrupt at the moment a temporary exists, output
// names at the edges of what a temporary's name can be derived from, names
// that change between being looked at and being written, descriptors of
// other processes, and files and folders that refuse a replacement.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#if QUORLIN_LINUX_CALLS
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include "driver_test_support.h"
#include "interruptcleanup.h"
#include "outputfile.h"
#include "temporaryname.h"

using namespace quorlin;

namespace {

const std::uint8_t BYTES[] = {1, 0, 7, 0, 0};

class OutputFileTest : public testsupport::ScratchFolderTest {};

// Runs the body in a child process; returns the signal that ended the child,
// or 0 when it exited.
template <typename Body>
int SignalEndingChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int nWaitStatus = 0;
    ::waitpid(pid, &nWaitStatus, 0);
    return WIFSIGNALED(nWaitStatus) ? WTERMSIG(nWaitStatus) : 0;
}

// Stands for a temporary being written when the signal arrives.
void RaiseWhileArmed(int nSignal, bool bArmed)
{
    InterruptCleanup cleanup;
    std::snprintf(cleanup.NameBuffer(), InterruptCleanup::NAME_SIZE, "temporary");
    if (bArmed)
        cleanup.Arm();
    ::raise(nSignal);
}

TEST_F(OutputFileTest, InterruptRemovesAnArmedTemporaryAndStillEndsTheRun)
{
    for (const int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        WriteFile("temporary", "partial");
        EXPECT_EQ(SignalEndingChild([nSignal] { RaiseWhileArmed(nSignal, true); }), nSignal);
        EXPECT_FALSE(Exists("temporary")) << "signal " << nSignal;

        WriteFile("temporary", "kept");
        EXPECT_EQ(SignalEndingChild([nSignal] { RaiseWhileArmed(nSignal, false); }), nSignal);
        EXPECT_EQ(ReadFile("temporary"), "kept") << "signal " << nSignal;
    }
}

TEST_F(OutputFileTest, IgnoredInterruptStaysIgnored)
{
    WriteFile("temporary", "partial");
    EXPECT_EQ(SignalEndingChild([] {
                  ::signal(SIGHUP, SIG_IGN);
                  RaiseWhileArmed(SIGHUP, true);
              }),
              0);
    EXPECT_TRUE(Exists("temporary"));
}

TEST_F(OutputFileTest, DispositionsAreRestoredAfterTheWrite)
{
    struct sigaction before = {};
    ::sigaction(SIGTERM, nullptr, &before);
    ASSERT_EQ(WriteOutputFile("out.tfs", BYTES, sizeof(BYTES)), OutputResult::OK);
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    ::sigaction(SIGXFSZ, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
}

TEST_F(OutputFileTest, LongestFileNameStillGetsATemporary)
{
    // The temporary's name is longer than the output's: it is shortened to
    // fit the file system's limit of 255 bytes.
    for (const std::size_t nLength : {std::size_t{243}, std::size_t{244}, std::size_t{255}}) {
        const std::string name(nLength, 'n');
        ASSERT_EQ(WriteOutputFile(name.c_str(), BYTES, sizeof(BYTES)), OutputResult::OK) << nLength;
        EXPECT_EQ(ReadFile(name), std::string(BYTES, BYTES + sizeof(BYTES)));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 3);
}

TEST_F(OutputFileTest, NamesThatCannotBeAFileAreOpenErrors)
{
    std::filesystem::create_directory("folder");
    for (const char* pszName : {"", "folder", "folder/", "missing/", "missing/out.tfs", ".", "/"}) {
        EXPECT_EQ(WriteOutputFile(pszName, BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR) << pszName;
    }
    const std::string tooLong(OUTPUT_PATH_SIZE, 'n');
    EXPECT_EQ(WriteOutputFile(tooLong.c_str(), BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_TRUE(std::filesystem::is_empty("folder"));
}

TEST_F(OutputFileTest, TemporaryNameNeedsAFileNameAndRoomForIt)
{
    char szName[64] = {};
    EXPECT_FALSE(FormatTemporaryName("folder/", 7, 1, szName, sizeof szName));
    EXPECT_EQ(errno, EISDIR);
    const std::string deep = std::string(50, 'f') + "/out.tfs";
    EXPECT_FALSE(FormatTemporaryName(deep.c_str(), 51, 1, szName, sizeof szName));
    EXPECT_EQ(errno, ENAMETOOLONG);
    ASSERT_TRUE(FormatTemporaryName("f/out.tfs", 2, 0xAB, szName, sizeof szName));
    EXPECT_EQ(std::string(szName), "f/.out.tfs.00000000000000ab.tmp");
}

// A caller's own handlers are put back as they were, handlers taking the
// signal's details and ignored interrupts included.
TEST_F(OutputFileTest, CallersHandlersComeBackAsTheyWere)
{
    struct sigaction detailed = {};
    detailed.sa_sigaction = [](int, siginfo_t*, void*) {};
    detailed.sa_flags = SA_SIGINFO;
    struct sigaction previousTerm = {};
    struct sigaction previousHup = {};
    ::sigaction(SIGTERM, &detailed, &previousTerm);
    void (*previousHupHandler)(int) = ::signal(SIGHUP, SIG_IGN);
    ASSERT_EQ(WriteOutputFile("out.tfs", BYTES, sizeof(BYTES)), OutputResult::OK);
    struct sigaction after = {};
    ::sigaction(SIGTERM, &previousTerm, &after);
    EXPECT_NE(after.sa_flags & SA_SIGINFO, 0);
    EXPECT_EQ(after.sa_sigaction, detailed.sa_sigaction);
    ::sigaction(SIGHUP, nullptr, &previousHup);
    ::signal(SIGHUP, previousHupHandler);
    EXPECT_EQ(previousHup.sa_handler, SIG_IGN);
}

// The files of the scratch folder, temporaries included.
std::size_t FileCount(const char* pszFolder = ".")
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(pszFolder), std::filesystem::directory_iterator()));
}

// Between the look at a name and the write, another process may put
// something else there: that is never written over.
TEST_F(OutputFileTest, NameChangedSinceItWasLookedAtIsNotWritten)
{
    OutputTarget target;
    // A hard-linked file, written in place, renamed over.
    WriteFile("out.tfs", "old");
    std::filesystem::create_hard_link("out.tfs", "link.tfs");
    ASSERT_TRUE(ResolveOutputTarget("out.tfs", target));
    WriteFile("other.tfs", "other");
    std::filesystem::rename("other.tfs", "out.tfs");
    EXPECT_EQ(WriteOutputTarget(target, BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_EQ(ReadFile("out.tfs"), "other");
    EXPECT_EQ(ReadFile("link.tfs"), "old");

    // A FIFO, written in place, replaced by a regular file.
    ASSERT_EQ(::mkfifo("pipe", 0644), 0);
    ASSERT_TRUE(ResolveOutputTarget("pipe", target));
    std::filesystem::remove("pipe");
    WriteFile("pipe", "regular");
    EXPECT_EQ(WriteOutputTarget(target, BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_EQ(ReadFile("pipe"), "regular");
    EXPECT_EQ(FileCount(), 3u);
}

// A folder put where a file was, or where none was, stays; the temporary
// goes.
TEST_F(OutputFileTest, FolderPutInTheOutputsPlaceStays)
{
    OutputTarget target;
    WriteFile("out.tfs", "old");
    ASSERT_TRUE(ResolveOutputTarget("out.tfs", target));
    std::filesystem::remove("out.tfs");
    std::filesystem::create_directory("out.tfs");
    WriteFile("out.tfs/inner", "inner");
    EXPECT_EQ(WriteOutputTarget(target, BYTES, sizeof(BYTES)), OutputResult::WRITE_ERROR);
    EXPECT_EQ(ReadFile("out.tfs/inner"), "inner");

    ASSERT_TRUE(ResolveOutputTarget("new.tfs", target));
    std::filesystem::create_directory("new.tfs");
    WriteFile("new.tfs/inner", "inner");
    EXPECT_EQ(WriteOutputTarget(target, BYTES, sizeof(BYTES)), OutputResult::WRITE_ERROR);
    EXPECT_EQ(ReadFile("new.tfs/inner"), "inner");
    EXPECT_EQ(FileCount(), 2u);
}

TEST_F(OutputFileTest, DescriptorsThatCannotTakeTheBytesAreRefused)
{
    // Open on a folder.
    const int nFolder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(nFolder, 0);
    EXPECT_EQ(WriteOutputFile(("/proc/self/fd/" + std::to_string(nFolder)).c_str(), BYTES, sizeof(BYTES)),
              OutputResult::OPEN_ERROR);
    EXPECT_EQ(errno, EISDIR);
    ::close(nFolder);
    // Closed since the name was looked at.
    const int nFile = ::open("out.tfs", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(nFile, 0);
    OutputTarget target;
    ASSERT_TRUE(ResolveOutputTarget(("/proc/self/fd/" + std::to_string(nFile)).c_str(), target));
    ::close(nFile);
    EXPECT_EQ(WriteOutputTarget(target, BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    // Open on a device that is full, or the device named.
    const int nFull = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(nFull, 0);
    EXPECT_EQ(WriteOutputFile(("/proc/self/fd/" + std::to_string(nFull)).c_str(), BYTES, sizeof(BYTES)),
              OutputResult::WRITE_ERROR);
    ::close(nFull);
    EXPECT_EQ(WriteOutputFile("/dev/full", BYTES, sizeof(BYTES)), OutputResult::WRITE_ERROR);
    // Links of the process file system that are no descriptor of a file.
    EXPECT_EQ(WriteOutputFile("/proc/self/cwd", BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(ReadFile("out.tfs"), "");
}

// Inside the descriptor folder, a descriptor's bare number names its file,
// which the kernel finds.
TEST_F(OutputFileTest, DescriptorNumberInsideTheDescriptorFolderIsItsFile)
{
    const int nFile = ::open("out.tfs", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(nFile, 0);
    ASSERT_EQ(::chdir("/proc/self/fd"), 0);
    const OutputResult result = WriteOutputFile(std::to_string(nFile).c_str(), BYTES, sizeof(BYTES));
    std::filesystem::current_path(m_folder);
    ::close(nFile);
    EXPECT_EQ(result, OutputResult::OK);
    EXPECT_EQ(ReadFile("out.tfs"), std::string(BYTES, BYTES + sizeof(BYTES)));
    EXPECT_EQ(FileCount(), 1u);
}

// A relative link whose target, joined to the link's folder, would make a
// longer path than a name may have.
TEST_F(OutputFileTest, LinkLeadingBeyondTheLongestPathIsRefused)
{
    std::string folder = ".";
    while (folder.size() < OUTPUT_PATH_SIZE - 300) {
        folder += "/" + std::string(250, 'f');
        std::filesystem::create_directory(folder);
    }
    const std::string link = folder + "/out.tfs";
    std::filesystem::create_symlink(std::string(200, 't'), link);
    errno = 0;
    EXPECT_EQ(WriteOutputFile(link.c_str(), BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(FileCount(folder.c_str()), 1u);
}

#if QUORLIN_LINUX_CALLS
// Holds descriptors in a child process, at the numbers they have here,
// until destroyed; the descriptors are closed here.
class DescriptorHolder {
public:
    explicit DescriptorHolder(std::initializer_list<int> descriptors)
    {
        int fds[2] = {-1, -1};
        EXPECT_EQ(::pipe(fds), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[1]);
            char c = 0;
            while (::read(fds[0], &c, 1) != 0) {
            }
            ::_exit(0);
        }
        ::close(fds[0]);
        m_nRelease = fds[1];
        for (const int nFd : descriptors)
            ::close(nFd);
    }
    ~DescriptorHolder()
    {
        ::close(m_nRelease);
        ::waitpid(m_pid, nullptr, 0);
    }
    std::string Link(int nFd) const { return "/proc/" + std::to_string(m_pid) + "/fd/" + std::to_string(nFd); }

private:
    pid_t m_pid = -1;
    int m_nRelease = -1;
};

std::string Contents(int nFd)
{
    std::string text(64, '\0');
    const ssize_t nRead = ::pread(nFd, &text[0], text.size(), 0);
    text.resize(nRead > 0 ? static_cast<std::size_t>(nRead) : 0);
    return text;
}

// Another process's descriptors: only the kernel knows their files, which
// are written in place whatever this process has open at the same numbers;
// a file that refuses to shrink is kept.
TEST_F(OutputFileTest, OtherProcessesDescriptorsAreWrittenInPlace)
{
    const int nFile = ::open("held.tfs", O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    const int nSealed = ::memfd_create("held", MFD_ALLOW_SEALING | MFD_CLOEXEC);
    int fds[2] = {-1, -1};
    ASSERT_GE(nFile, 0);
    ASSERT_GE(nSealed, 0);
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ASSERT_EQ(::write(nSealed, "old", 3), 3);
    ASSERT_EQ(::fcntl(nSealed, F_ADD_SEALS, F_SEAL_SHRINK), 0);
    const int nSealedCopy = ::dup(nSealed);
    const DescriptorHolder holder{nFile, nSealed, fds[1]};
    // Here the numbers stand for other files, or for none.
    const int nNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const int nMine = ::open("mine.tfs", O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::dup2(nMine, nFile), nFile);
    ASSERT_EQ(::dup2(nNull, nSealed), nSealed);

    EXPECT_EQ(WriteOutputFile(holder.Link(nFile).c_str(), BYTES, sizeof(BYTES)), OutputResult::OK);
    EXPECT_EQ(ReadFile("held.tfs"), std::string(BYTES, BYTES + sizeof(BYTES)));
    EXPECT_EQ(WriteOutputFile(holder.Link(nSealed).c_str(), BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ(Contents(nSealedCopy), "old");
    EXPECT_EQ(WriteOutputFile(holder.Link(fds[1]).c_str(), BYTES, sizeof(BYTES)), OutputResult::OK);
    std::string piped(sizeof(BYTES), '\0');
    EXPECT_EQ(::read(fds[0], &piped[0], piped.size()), static_cast<ssize_t>(sizeof(BYTES)));
    EXPECT_EQ(piped, std::string(BYTES, BYTES + sizeof(BYTES)));
    EXPECT_EQ(ReadFile("mine.tfs"), "");
    for (const int nFd : {nSealedCopy, nNull, nMine, nFile, nSealed, fds[0]})
        ::close(nFd);
    EXPECT_EQ(FileCount(), 2u);
}

// Sets or clears an inode flag (append-only, immutable); false when the
// file system or the caller's rights refuse it.
bool SetInodeFlag(const char* pszPath, int nFlag, bool bSet)
{
    const int nFd = ::open(pszPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int nFlags = 0;
    bool bDone = nFd >= 0 && ::ioctl(nFd, FS_IOC_GETFLAGS, &nFlags) == 0;
    nFlags = bSet ? nFlags | nFlag : nFlags & ~nFlag;
    bDone = bDone && ::ioctl(nFd, FS_IOC_SETFLAGS, &nFlags) == 0;
    if (nFd >= 0)
        ::close(nFd);
    return bDone;
}

// An append-only file may neither be renamed over nor truncated; a folder
// that is immutable takes no temporary. Either output is kept as it was.
TEST_F(OutputFileTest, FilesAndFoldersThatRefuseAReplacementAreKept)
{
    WriteFile("out.tfs", "old");
    if (!SetInodeFlag("out.tfs", FS_APPEND_FL, true))
        GTEST_SKIP() << "the file system or the caller's rights refuse inode flags";
    EXPECT_EQ(WriteOutputFile("out.tfs", BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_TRUE(SetInodeFlag("out.tfs", FS_APPEND_FL, false));
    EXPECT_EQ(ReadFile("out.tfs"), "old");
    // One put where there was none when the name was looked at.
    OutputTarget target;
    ASSERT_TRUE(ResolveOutputTarget("late.tfs", target));
    WriteFile("late.tfs", "late");
    ASSERT_TRUE(SetInodeFlag("late.tfs", FS_APPEND_FL, true));
    EXPECT_EQ(WriteOutputTarget(target, BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_TRUE(SetInodeFlag("late.tfs", FS_APPEND_FL, false));
    EXPECT_EQ(ReadFile("late.tfs"), "late");
    EXPECT_EQ(FileCount(), 2u);

    ASSERT_TRUE(SetInodeFlag(".", FS_IMMUTABLE_FL, true));
    EXPECT_EQ(WriteOutputFile("out.tfs", BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_EQ(WriteOutputFile("new.tfs", BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_TRUE(SetInodeFlag(".", FS_IMMUTABLE_FL, false));
    EXPECT_EQ(ReadFile("out.tfs"), "old");
    EXPECT_EQ(FileCount(), 2u);
}

// The extended attribute of an access ACL, and of a folder's default one.
const char* const ACCESS_ACL = "system.posix_acl_access";
const char* const DEFAULT_ACL = "system.posix_acl_default";

// An ACL in its extended attribute's form: the owner, the group and others
// with the permissions given, and one more user (nobody) with the mask's.
std::string Acl(std::uint16_t nOwner, std::uint16_t nGroup, std::uint16_t nOther)
{
    const std::uint16_t entries[][2] = {{0x01, nOwner}, {0x02, nGroup}, {0x04, nGroup}, {0x10, nGroup}, {0x20, nOther}};
    const std::uint32_t nVersion = 2;
    std::string acl(reinterpret_cast<const char*>(&nVersion), sizeof nVersion);
    for (const auto& entry : entries) {
        const std::uint32_t nId = entry[0] == 0x02 ? 65534 : 0xFFFFFFFF;
        acl.append(reinterpret_cast<const char*>(entry), 2 * sizeof(std::uint16_t));
        acl.append(reinterpret_cast<const char*>(&nId), sizeof nId);
    }
    return acl;
}

std::string Attribute(const char* pszPath, const char* pszName)
{
    std::string value(256, '\0');
    const ssize_t nSize = ::getxattr(pszPath, pszName, &value[0], value.size());
    return nSize < 0 ? "absent" : value.substr(0, static_cast<std::size_t>(nSize));
}

// A folder's default ACL would give the temporary an ACL of its own: the
// replaced file keeps the ACL it had, or none, and its mode. An attribute
// without a value is kept too.
TEST_F(OutputFileTest, ReplacedFileKeepsItsOwnAttributesNotTheFolders)
{
    WriteFile("plain.tfs", "old");
    WriteFile("acl.tfs", "old");
    ASSERT_EQ(::chmod("plain.tfs", 0604), 0);
    // Only the group differs from what a new file of this user gets.
    if (::chown("plain.tfs", ::geteuid(), 65534) != 0)
        GTEST_SKIP() << "the file's group cannot be changed here";
    const std::string own = Acl(6, 6, 0);
    const std::string inherited = Acl(7, 7, 7);
    if (::setxattr("acl.tfs", ACCESS_ACL, own.data(), own.size(), 0) != 0 ||
        ::setxattr(".", DEFAULT_ACL, inherited.data(), inherited.size(), 0) != 0 ||
        ::setxattr("plain.tfs", "user.empty", "", 0, 0) != 0)
        GTEST_SKIP() << "the scratch folder's file system takes no ACL or user attributes";
    ASSERT_EQ(WriteOutputFile("plain.tfs", BYTES, sizeof(BYTES)), OutputResult::OK);
    ASSERT_EQ(WriteOutputFile("acl.tfs", BYTES, sizeof(BYTES)), OutputResult::OK);
    EXPECT_EQ(Attribute("plain.tfs", ACCESS_ACL), "absent");
    EXPECT_EQ(Attribute("plain.tfs", "user.empty"), "");
    EXPECT_EQ(Attribute("acl.tfs", ACCESS_ACL), own);
    struct stat info = {};
    ASSERT_EQ(::stat("plain.tfs", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(ReadFile("acl.tfs"), std::string(BYTES, BYTES + sizeof(BYTES)));
    EXPECT_EQ(FileCount(), 2u);
}
// Makes this process root of a user namespace of its own, in which no user
// or group but 0 has a number; false when none can be made.
bool EnterOwnUserNamespace()
{
    if (::unshare(CLONE_NEWUSER) != 0)
        return false;
    const std::pair<const char*, std::string> maps[] = {
        {"/proc/self/uid_map", "0 0 1"}, {"/proc/self/setgroups", "deny"}, {"/proc/self/gid_map", "0 0 1"}};
    for (const auto& [pszFile, text] : maps) {
        const int nFd = ::open(pszFile, O_WRONLY | O_CLOEXEC);
        const bool bWritten = nFd >= 0 && ::write(nFd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (nFd >= 0)
            ::close(nFd);
        if (!bWritten)
            return false;
    }
    return true;
}

// Runs the body in a child process, which exits with the body's result;
// the child's exit status, or -1 when it did not exit.
template <typename Body>
int ChildExitStatus(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        std::exit(body());
    int nWaitStatus = 0;
    ::waitpid(pid, &nWaitStatus, 0);
    return WIFEXITED(nWaitStatus) ? WEXITSTATUS(nWaitStatus) : -1;
}

// An owner, or a user of an ACL, that cannot be given to a new file (the
// writer has no number for them) leaves the output to be written in place,
// which keeps them.
TEST_F(OutputFileTest, OwnerAndAclThatCannotBeGivenAreKeptByAnInPlaceWrite)
{
    WriteFile("theirs.tfs", "old");
    WriteFile("acl.tfs", "old");
    const std::string acl = Acl(6, 6, 0);
    if (::chown("theirs.tfs", 1000, 1000) != 0 || ::setxattr("acl.tfs", ACCESS_ACL, acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "giving a file to another user needs root and a file system with ACLs";
    ASSERT_EQ(::chmod("theirs.tfs", 0666), 0);
    struct stat before = {};
    struct stat aclBefore = {};
    ASSERT_EQ(::stat("theirs.tfs", &before), 0);
    ASSERT_EQ(::stat("acl.tfs", &aclBefore), 0);
    const int nStatus = ChildExitStatus([] {
        if (!EnterOwnUserNamespace())
            return 125;
        const bool bOwnerKept = WriteOutputFile("theirs.tfs", BYTES, sizeof(BYTES)) == OutputResult::OK;
        return bOwnerKept && WriteOutputFile("acl.tfs", BYTES, sizeof(BYTES)) == OutputResult::OK ? 0 : 1;
    });
    if (nStatus == 125)
        GTEST_SKIP() << "no user namespace can be made here";
    EXPECT_EQ(nStatus, 0);
    struct stat aclAfter = {};
    ASSERT_EQ(::stat("acl.tfs", &aclAfter), 0);
    EXPECT_EQ(aclAfter.st_ino, aclBefore.st_ino);
    EXPECT_EQ(Attribute("acl.tfs", ACCESS_ACL), acl);
    EXPECT_EQ(ReadFile("acl.tfs"), std::string(BYTES, BYTES + sizeof(BYTES)));
    struct stat after = {};
    ASSERT_EQ(::stat("theirs.tfs", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, 1000u);
    EXPECT_EQ(after.st_gid, 1000u);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(ReadFile("theirs.tfs"), std::string(BYTES, BYTES + sizeof(BYTES)));
    EXPECT_EQ(FileCount(), 2u);
}

#endif

} // namespace
