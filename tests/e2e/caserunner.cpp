// The end-to-end case runner of quorlin and tfsdump: runs the program of one
// case file (see casefile.h) in a fresh scratch folder and checks standard
// output, standard error, the exit status and the files left behind.
//
//   quorlin_case_runner [--wrapper WRAPPER] [--compiled-outputs] PROGRAM CASE
//   quorlin_case_runner [--wrapper WRAPPER] --example QUORLIN TFSDUMP SCRIPT
//
// With --wrapper the program runs through WRAPPER (wine, for the Windows
// programs): a case that needs what only POSIX has (casefile.h) is skipped
// with its name and the reason on standard output (exit status 77), "{scratch}"
// in the arguments and the expected streams stands for the case's folder as
// a Windows path (Z:\...), and CR LF in the streams counts as LF.
// With --compiled-outputs every file the run wrote must also read back as a
// well-formed compiled script (quorlin writes nothing else). --example checks
// a shipped script: it must compile as examples/NAME.txt with the success line
// alone, and tfsdump --check must accept the file it compiled to.
//
// Exit status 0 when every check holds, 1 when one fails (each failure is
// described on standard error), 2 when the case cannot be read or run.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "casefile.h"
#include "processrun.h"
#include "producedoutput.h"
#include "textdiff.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

constexpr int RUN_TIME_LIMIT_SECONDS = 30;
constexpr int STATUS_PASSED = 0;
constexpr int STATUS_FAILED = 1;
constexpr int STATUS_UNUSABLE = 2;
constexpr int STATUS_SKIPPED = 77;
// Stands for the case's folder in arguments and expected streams.
const std::string SCRATCH_MARKER = "{scratch}";

// How every program of the run is started.
struct RunSettings {
    std::string wrapper; // empty: the program runs itself
};
RunSettings s_settings;

// The folder as the program sees it: a Windows path under a wrapper.
std::string FolderForProgram(const fs::path& folder)
{
    if (s_settings.wrapper.empty())
        return folder.string();
    std::string path = "Z:" + folder.string();
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t nAt = text.find(from); nAt != std::string::npos; nAt = text.find(from, nAt + to.size()))
        text.replace(nAt, from.size(), to);
    return text;
}

// The case with {scratch} replaced by the folder.
CaseFile InFolder(CaseFile testCase, const fs::path& folder)
{
    const std::string path = FolderForProgram(folder);
    for (std::string& arg : testCase.args)
        arg = ReplaceAll(arg, SCRATCH_MARKER, path);
    testCase.expectedStdout = ReplaceAll(testCase.expectedStdout, SCRATCH_MARKER, path);
    testCase.expectedStderr = ReplaceAll(testCase.expectedStderr, SCRATCH_MARKER, path);
    return testCase;
}

// A stream as compared: under a wrapper, CR LF counts as LF.
std::string ComparedStream(const std::string& text)
{
    return s_settings.wrapper.empty() ? text : ReplaceAll(text, "\r\n", "\n");
}

// The failures found so far; a case goes on after one to report them all.
class Verdict {
public:
    void Fail(const std::string& text) { m_failures += text + (text.back() == '\n' ? "" : "\n"); }
    bool Passed() const { return m_failures.empty(); }

    int Report(const std::string& caseName) const
    {
        if (Passed())
            return STATUS_PASSED;
        std::cerr << caseName << ":\n" << m_failures;
        return STATUS_FAILED;
    }

private:
    std::string m_failures;
};

bool ReadBytes(const fs::path& path, std::string& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    bytes = text.str();
    return true;
}

bool WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

bool MakeEntry(const fs::path& path, const CaseSetupEntry& entry)
{
    switch (entry.kind) {
    case CaseSetupEntry::Kind::SYMLINK: return ::symlink(entry.content.c_str(), path.c_str()) == 0;
    case CaseSetupEntry::Kind::FIFO: return ::mkfifo(path.c_str(), 0600) == 0;
    case CaseSetupEntry::Kind::CHMOD: return ::chmod(path.c_str(), static_cast<mode_t>(entry.nMode)) == 0;
    case CaseSetupEntry::Kind::FILE: break;
    }
    return WriteBytes(path, entry.content);
}

bool CreateEntry(const fs::path& folder, const CaseSetupEntry& entry, std::string& problem)
{
    const fs::path path = folder / entry.name;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        problem = "cannot create the folder of " + entry.name + ": " + error.message();
        return false;
    }
    const bool bMade = MakeEntry(path, entry);
    if (!bMade)
        problem = "cannot create " + entry.name;
    return bMade;
}

std::string NormalName(const std::string& name) { return fs::path(name).lexically_normal().generic_string(); }

// Every regular file in the folder that the case did not set up as it is now.
std::vector<ProducedOutput> CollectProducedOutputs(const fs::path& folder, const CaseFile& testCase)
{
    std::map<std::string, std::string> setUp;
    for (const CaseSetupEntry& entry : testCase.setup) {
        if (entry.kind == CaseSetupEntry::Kind::FILE)
            setUp[NormalName(entry.name)] = entry.content;
    }
    std::vector<ProducedOutput> produced;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        ProducedOutput output;
        output.fileName = it->path().lexically_relative(folder).generic_string();
        if (it->symlink_status().type() != fs::file_type::regular || !ReadBytes(it->path(), output.bytes))
            continue;
        const auto found = setUp.find(output.fileName);
        if (found == setUp.end() || found->second != output.bytes)
            produced.push_back(output);
    }
    return produced;
}

std::string Octal(unsigned nValue)
{
    std::ostringstream text;
    text << std::oct << nValue;
    return text.str();
}

void CheckMode(const fs::path& path, const CaseExpectedFile& expected, Verdict& verdict)
{
    struct stat info = {};
    if (::lstat(path.c_str(), &info) != 0)
        verdict.Fail(expected.name + " must exist but does not");
    else if ((info.st_mode & 07777) != expected.nMode)
        verdict.Fail(expected.name + " has mode " + Octal(info.st_mode & 07777) + ", expected " +
                     Octal(expected.nMode));
}

void CheckLink(const fs::path& path, const CaseExpectedFile& expected, Verdict& verdict)
{
    std::error_code error;
    if (fs::symlink_status(path, error).type() != fs::file_type::symlink)
        verdict.Fail(expected.name + " is no longer a symbolic link");
    else if (fs::read_symlink(path, error).string() != expected.linkTarget)
        verdict.Fail(expected.name + " points to " + fs::read_symlink(path, error).string() + ", expected " +
                     expected.linkTarget);
}

// A run, failed or not, leaves no temporary of an output behind.
void CheckNoTemporaryLeft(const fs::path& folder, Verdict& verdict)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 5 && name[0] == '.' && it->path().extension() == ".tmp")
            verdict.Fail("a temporary was left behind: " + it->path().lexically_relative(folder).string());
    }
}

void CheckExpectedFile(const fs::path& folder, const CaseExpectedFile& expected, Verdict& verdict)
{
    const fs::path path = folder / expected.name;
    std::string actual;
    std::error_code error;
    if (expected.checkMode) {
        CheckMode(path, expected, verdict);
    } else if (expected.checkLink) {
        CheckLink(path, expected, verdict);
    } else if (!expected.mustExist) {
        if (fs::symlink_status(path, error).type() != fs::file_type::not_found)
            verdict.Fail(expected.name + " exists but must not");
    } else if (!ReadBytes(path, actual)) {
        verdict.Fail(expected.name + " must exist but cannot be read");
    } else if (actual != expected.bytes) {
        verdict.Fail(expected.name + " differs" +
                     (expected.isText ? " (- expected, + actual):\n" + DiffLines(expected.bytes, actual)
                                      : ":\n" + DiffBytes(expected.bytes, actual)));
    }
}

void CheckStream(const std::string& what, const std::string& expected, const std::string& actual, Verdict& verdict)
{
    if (actual != expected)
        verdict.Fail(what + " differs (- expected, + actual):\n" + DiffLines(expected, actual));
}

void CheckRun(const CaseFile& testCase, const ProcessResult& result, Verdict& verdict)
{
    CheckStream("standard output", testCase.expectedStdout, ComparedStream(result.standardOutput), verdict);
    CheckStream("standard error", testCase.expectedStderr, ComparedStream(result.standardError), verdict);
    const std::string expected = std::to_string(testCase.expectedStatus);
    if (!result.exited)
        verdict.Fail("the program was ended by signal " + std::to_string(result.signal) +
                     " instead of exiting with status " + expected);
    else if (result.status != testCase.expectedStatus)
        verdict.Fail("exit status: expected " + expected + ", actual " + std::to_string(result.status));
}

void CheckCompiledOutputs(const fs::path& folder, const CaseFile& testCase, Verdict& verdict)
{
    std::string problem;
    for (const ProducedOutput& output : CollectProducedOutputs(folder, testCase)) {
        if (!ValidateProducedOutput(output, problem))
            verdict.Fail("produced file " + output.fileName + ": " + problem);
    }
}

// Runs the program once on a case in the folder, after setting up its files.
// False when the run could not happen at all (problem says why).
bool RunOnce(const std::string& program, const CaseFile& testCase, const fs::path& folder, ProcessResult& result,
             std::string& problem)
{
    for (const CaseSetupEntry& entry : testCase.setup) {
        if (!CreateEntry(folder, entry, problem))
            return false;
    }
    const ScratchFolder io;
    ProcessRequest request{program, testCase.args, folder.string(), "", RUN_TIME_LIMIT_SECONDS, s_settings.wrapper};
    if (!testCase.standardInput.empty()) {
        request.inputFile = io.Path() + "/stdin";
        if (!io.IsValid() || !WriteBytes(request.inputFile, testCase.standardInput)) {
            problem = "cannot write the standard input";
            return false;
        }
    }
    // The program starts in the scratch folder, so a relative path would miss it.
    request.program = fs::absolute(program).string();
    result = RunProcess(request);
    problem = result.started ? (result.timedOut ? "the program ran longer than the time limit" : "") : result.failure;
    return problem.empty();
}

// Runs a case and adds what it finds to the verdict; false when it could not run.
bool RunAndCheck(const std::string& program, const CaseFile& givenCase, bool bCompiledOutputs, const fs::path& folder,
                 Verdict& verdict)
{
    const CaseFile testCase = InFolder(givenCase, folder);
    ProcessResult result;
    std::string problem;
    if (!RunOnce(program, testCase, folder, result, problem)) {
        std::cerr << program << ": " << problem << "\n";
        return false;
    }
    CheckRun(testCase, result, verdict);
    CheckNoTemporaryLeft(folder, verdict);
    for (const CaseExpectedFile& expected : testCase.expectedFiles)
        CheckExpectedFile(folder, expected, verdict);
    if (bCompiledOutputs)
        CheckCompiledOutputs(folder, testCase, verdict);
    return true;
}

int RunCaseFile(const std::string& program, const std::string& casePath, bool bCompiledOutputs)
{
    CaseFile testCase;
    std::string problem;
    const ScratchFolder scratch;
    if (!LoadCaseFile(casePath, testCase, problem) || !scratch.IsValid()) {
        std::cerr << casePath << ": " << (problem.empty() ? "cannot create a scratch folder" : problem) << "\n";
        return STATUS_UNUSABLE;
    }
    const std::string posixOnly = PosixOnlyReason(testCase);
    if (!s_settings.wrapper.empty() && !posixOnly.empty()) {
        std::cout << "skipped: " << casePath << ": POSIX only (" << posixOnly << ")\n";
        return STATUS_SKIPPED;
    }
    Verdict verdict;
    if (!RunAndCheck(program, testCase, bCompiledOutputs, scratch.Path(), verdict))
        return STATUS_UNUSABLE;
    return verdict.Report(casePath);
}

// The case of a shipped script: it compiles under its own name, quorlin's
// success line alone on standard output.
CaseFile ExampleCompileCase(const std::string& name, const std::string& script)
{
    CaseFile testCase;
    const std::string scriptName = "examples/" + name + ".txt";
    testCase.args = {"/file", scriptName, "/out", name + ".tfs"};
    testCase.setup.push_back({CaseSetupEntry::Kind::FILE, scriptName, script});
    testCase.expectedStdout = scriptName + " successfully compiled.\n";
    return testCase;
}

// tfsdump --check accepts the compiled file: silent, status 0.
CaseFile ExampleCheckCase(const std::string& name)
{
    CaseFile testCase;
    testCase.args = {"--check", name + ".tfs"};
    return testCase;
}

int RunExample(const std::string& quorlin, const std::string& tfsdump, const std::string& scriptPath)
{
    std::string script;
    const ScratchFolder scratch;
    if (!ReadBytes(scriptPath, script) || !scratch.IsValid()) {
        std::cerr << scriptPath << ": cannot read it or create a scratch folder\n";
        return STATUS_UNUSABLE;
    }
    const std::string name = fs::path(scriptPath).stem().string();
    Verdict verdict;
    if (!RunAndCheck(quorlin, ExampleCompileCase(name, script), true, scratch.Path(), verdict) ||
        !RunAndCheck(tfsdump, ExampleCheckCase(name), false, scratch.Path(), verdict))
        return STATUS_UNUSABLE;
    return verdict.Report(scriptPath);
}

int Usage()
{
    std::cerr << "usage: quorlin_case_runner [--wrapper WRAPPER] [--compiled-outputs] PROGRAM CASE\n"
                 "       quorlin_case_runner [--wrapper WRAPPER] --example QUORLIN TFSDUMP SCRIPT\n";
    return STATUS_UNUSABLE;
}

} // namespace
} // namespace quorlin

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--wrapper") {
        quorlin::s_settings.wrapper = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (!args.empty() && args[0] == "--example")
        return args.size() == 4 ? quorlin::RunExample(args[1], args[2], args[3]) : quorlin::Usage();
    const bool bCompiledOutputs = !args.empty() && args[0] == "--compiled-outputs";
    if (bCompiledOutputs)
        args.erase(args.begin());
    return args.size() == 2 ? quorlin::RunCaseFile(args[0], args[1], bCompiledOutputs) : quorlin::Usage();
}
