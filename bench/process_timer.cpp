// Times whole-process runs of several commands side by side:
//
//   quorlin_process_timer RUNS -- COMMAND [ARG...] [-- COMMAND [ARG...]]...
//
// Runs every command RUNS times, interleaved (A B C A B C ...) so that any
// drift of the machine touches all of them alike, after one untimed warm-up
// round. Each run starts the program directly (no shell) with standard input
// and standard output on /dev/null and is timed from spawn to exit. Prints one
// line per command: the median and the minimum in microseconds, then the
// command. Exits 1 when any run fails or exits with a non-zero status.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Command {
    std::vector<char*> arguments; // null-terminated for posix_spawnp
    std::string text;
    std::vector<double> microseconds;
};

bool SplitCommands(int argc, char** argv, std::vector<Command>& commands)
{
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
            continue;
        }
        if (commands.empty())
            return false;
        Command& command = commands.back();
        command.arguments.push_back(argv[i]);
        command.text += (command.text.empty() ? "" : " ") + std::string(argv[i]);
    }
    for (Command& command : commands) {
        if (command.arguments.empty())
            return false;
        command.arguments.push_back(nullptr);
    }
    return !commands.empty();
}

// One run from spawn to exit, in microseconds; negative when it failed.
double TimeOneRun(Command& command, const posix_spawn_file_actions_t& actions)
{
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, command.arguments[0], &actions, nullptr, command.arguments.data(), environ) != 0)
        return -1.0;
    int nStatus = 0;
    if (waitpid(pid, &nStatus, 0) != pid)
        return -1.0;
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0)
        return -1.0;
    return std::chrono::duration<double, std::micro>(end - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t nMiddle = values.size() / 2;
    return values.size() % 2 != 0 ? values[nMiddle] : (values[nMiddle - 1] + values[nMiddle]) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Command> commands;
    const int nRuns = argc > 1 ? std::atoi(argv[1]) : 0;
    if (nRuns <= 0 || !SplitCommands(argc, argv, commands)) {
        std::fprintf(stderr, "usage: %s RUNS -- COMMAND [ARG...] [-- COMMAND [ARG...]]...\n", argv[0]);
        return 2;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    for (int nRun = -1; nRun < nRuns; ++nRun) {
        for (Command& command : commands) {
            const double dMicroseconds = TimeOneRun(command, actions);
            if (dMicroseconds < 0.0) {
                std::fprintf(stderr, "failed: %s\n", command.text.c_str());
                return 1;
            }
            if (nRun >= 0)
                command.microseconds.push_back(dMicroseconds);
        }
    }
    posix_spawn_file_actions_destroy(&actions);

    for (const Command& command : commands) {
        const double dMin = *std::min_element(command.microseconds.begin(), command.microseconds.end());
        std::printf("%.1f %.1f %s\n", Median(command.microseconds), dMin, command.text.c_str());
    }
    return 0;
}
