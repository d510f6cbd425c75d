#include "processrun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quorlin {
namespace {

// Both ends close on exec, so the child keeps only what it dup2s.
struct Pipe {
    int fds[2] = {-1, -1};
    bool Open() { return ::pipe2(fds, O_CLOEXEC) == 0; }
    void Close(int nEnd)
    {
        if (fds[nEnd] >= 0)
            ::close(fds[nEnd]);
        fds[nEnd] = -1;
    }
    ~Pipe()
    {
        Close(0);
        Close(1);
    }
};

// In the child: only async-signal-safe calls from here to exec.
[[noreturn]] void RunChild(char* const* argv, const char* pszInput, const char* pszFolder, int nOut, int nErr)
{
    const int nNull = ::open(pszInput, O_RDONLY);
    if (nNull < 0 || ::dup2(nNull, 0) < 0 || ::dup2(nOut, 1) < 0 || ::dup2(nErr, 2) < 0 || ::chdir(pszFolder) != 0)
        ::_exit(126);
    ::execvp(argv[0], argv);
    const char szMessage[] = "exec failed\n";
    ssize_t nIgnored = ::write(2, szMessage, sizeof(szMessage) - 1);
    (void)nIgnored;
    ::_exit(127);
}

// Appends what is available on the descriptor; closes it (sets -1) at its end.
void Drain(int& nFd, std::string& text)
{
    char aBuffer[4096];
    const ssize_t nGot = ::read(nFd, aBuffer, sizeof(aBuffer));
    if (nGot > 0) {
        text.append(aBuffer, static_cast<std::size_t>(nGot));
    } else if (nGot == 0 || errno != EINTR) {
        ::close(nFd);
        nFd = -1;
    }
}

} // namespace

ProcessResult RunProcess(const ProcessRequest& request)
{
    ProcessResult result;
    std::vector<std::string> argStrings;
    if (!request.wrapper.empty())
        argStrings.push_back(request.wrapper);
    argStrings.push_back(request.program);
    argStrings.insert(argStrings.end(), request.args.begin(), request.args.end());
    const std::string input = request.inputFile.empty() ? "/dev/null" : request.inputFile;
    std::vector<char*> argv;
    for (std::string& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    Pipe out;
    Pipe err;
    if (!out.Open() || !err.Open()) {
        result.failure = "pipe: " + std::string(std::strerror(errno));
        return result;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.failure = "fork: " + std::string(std::strerror(errno));
        return result;
    }
    if (pid == 0)
        RunChild(argv.data(), input.c_str(), request.workingFolder.c_str(), out.fds[1], err.fds[1]);
    result.started = true;
    out.Close(1);
    err.Close(1);

    // Read both streams until both end or the time runs out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request.nTimeLimitSeconds);
    while (out.fds[0] >= 0 || err.fds[0] >= 0) {
        const auto nLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (nLeft.count() <= 0) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd polls[2] = {{out.fds[0], POLLIN, 0}, {err.fds[0], POLLIN, 0}};
        const int nReady = ::poll(polls, 2, static_cast<int>(nLeft.count()));
        if (nReady < 0 && errno != EINTR)
            break;
        if (nReady <= 0)
            continue;
        if (polls[0].revents != 0)
            Drain(out.fds[0], result.standardOutput);
        if (polls[1].revents != 0)
            Drain(err.fds[0], result.standardError);
    }

    int nWaitStatus = 0;
    while (::waitpid(pid, &nWaitStatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(nWaitStatus)) {
        result.exited = true;
        result.status = WEXITSTATUS(nWaitStatus);
    } else if (WIFSIGNALED(nWaitStatus)) {
        result.signal = WTERMSIG(nWaitStatus);
    }
    return result;
}

ScratchFolder::ScratchFolder()
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        return;
    std::string pattern = (base / "quorlin-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr)
        m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    if (m_path.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

} // namespace quorlin
