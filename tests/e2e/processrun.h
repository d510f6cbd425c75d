// Running a program as a child process with its output captured.
#ifndef QUORLIN_TESTS_PROCESSRUN_H
#define QUORLIN_TESTS_PROCESSRUN_H

#include <string>
#include <vector>

namespace quorlin {

struct ProcessResult {
    bool started = false; // false: see failure
    std::string failure;  // why the program could not be run
    std::string standardOutput;
    std::string standardError;
    bool exited = false; // ended through exit; status holds its code
    int status = -1;
    int signal = 0;        // the signal that ended it, when it did not exit
    bool timedOut = false; // killed after the time limit
};

// How to run a program: argv[0] is the program path (or the wrapper's name); standard input comes
// from inputFile, or from /dev/null when it is empty.
struct ProcessRequest {
    std::string program;
    std::vector<std::string> args;
    std::string workingFolder;
    std::string inputFile;
    int nTimeLimitSeconds = 30;
    // A program that runs the program (wine, say): searched in PATH and given
    // the program and its arguments; empty to run the program itself.
    std::string wrapper;
};

// Runs the program with standard output and standard error captured
// separately. A run that outlasts the limit is killed.
ProcessResult RunProcess(const ProcessRequest& request);

// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes away.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace quorlin

#endif
