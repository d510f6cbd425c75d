// End-to-end cases: every tests/cases/**/*.case runs the quorlin executable in
// a fresh scratch folder and checks standard output, exit status, an empty
// standard error and the files left behind (see casefile.h for the format).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "casefile.h"
#include "processrun.h"
#include "producedoutput.h"
#include "textdiff.h"

namespace {

namespace fs = std::filesystem;

constexpr int RUN_TIME_LIMIT_SECONDS = 30;
const char* const CASE_EXTENSION = ".case";

struct CaseEntry {
    std::string relativePath; // from the cases folder, e.g. "driver/help.case"
    std::string testName;     // the path with every other character than a letter or digit as '_'
};

// Lets gtest name the case file in its messages.
void PrintTo(const CaseEntry& entry, std::ostream* pStream) { *pStream << entry.relativePath; }

std::string TestNameOf(const std::string& relativePath)
{
    std::string name = relativePath.substr(0, relativePath.size() - std::string(CASE_EXTENSION).size());
    for (char& c : name) {
        const bool bAlnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!bAlnum)
            c = '_';
    }
    return name;
}

std::vector<CaseEntry> FindCases()
{
    std::vector<CaseEntry> cases;
    std::error_code error;
    for (fs::recursive_directory_iterator it(QUORLIN_CASES_DIR, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file() && it->path().extension() == CASE_EXTENSION)
            cases.push_back({it->path().lexically_relative(QUORLIN_CASES_DIR).generic_string(), ""});
    }
    std::sort(cases.begin(), cases.end(),
              [](const CaseEntry& a, const CaseEntry& b) { return a.relativePath < b.relativePath; });

    // Test names must be unique; paths that map to the same name get a suffix.
    std::set<std::string> used;
    for (CaseEntry& entry : cases) {
        std::string name = TestNameOf(entry.relativePath);
        for (int n = 2; used.count(name) != 0; ++n)
            name = TestNameOf(entry.relativePath) + "_" + std::to_string(n);
        used.insert(name);
        entry.testName = name;
    }
    return cases;
}

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

bool CreateEntry(const fs::path& folder, const CaseSetupEntry& entry, std::string& problem)
{
    const fs::path path = folder / entry.name;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        problem = "cannot create the folder of " + entry.name + ": " + error.message();
        return false;
    }
    if (entry.kind == CaseSetupEntry::Kind::SYMLINK) {
        if (::symlink(entry.content.c_str(), path.c_str()) != 0) {
            problem = "cannot create the link " + entry.name;
            return false;
        }
        return true;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(entry.content.data(), static_cast<std::streamsize>(entry.content.size()));
    if (!file.flush()) {
        problem = "cannot create " + entry.name;
        return false;
    }
    return true;
}

std::string NormalName(const std::string& name) { return fs::path(name).lexically_normal().generic_string(); }

// Every regular file in the folder that the case did not set up as it is now.
std::vector<ProducedOutput> CollectProducedOutputs(const fs::path& folder, const CaseFile& testCase,
                                                   const std::string& caseName)
{
    std::map<std::string, std::string> setUp;
    for (const CaseSetupEntry& entry : testCase.setup) {
        if (entry.kind == CaseSetupEntry::Kind::FILE)
            setUp[NormalName(entry.name)] = entry.content;
    }

    std::vector<ProducedOutput> produced;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->symlink_status().type() != fs::file_type::regular)
            continue;
        ProducedOutput output;
        output.caseName = caseName;
        output.fileName = it->path().lexically_relative(folder).generic_string();
        if (!ReadBytes(it->path(), output.bytes))
            continue;
        const auto found = setUp.find(output.fileName);
        if (found == setUp.end() || found->second != output.bytes)
            produced.push_back(output);
    }
    return produced;
}

void CheckExpectedFile(const fs::path& folder, const CaseExpectedFile& expected)
{
    const fs::path path = folder / expected.name;
    if (!expected.mustExist) {
        std::error_code error;
        if (fs::symlink_status(path, error).type() != fs::file_type::not_found)
            ADD_FAILURE() << expected.name << " exists but must not";
        return;
    }
    std::string actual;
    if (!ReadBytes(path, actual)) {
        ADD_FAILURE() << expected.name << " must exist but cannot be read";
        return;
    }
    if (actual == expected.bytes)
        return;
    if (expected.isText)
        ADD_FAILURE() << expected.name << " differs (- expected, + actual):\n" << DiffLines(expected.bytes, actual);
    else
        ADD_FAILURE() << expected.name << " differs:\n" << DiffBytes(expected.bytes, actual);
}

void CheckRun(const CaseFile& testCase, const ProcessResult& result)
{
    if (result.standardOutput != testCase.expectedStdout)
        ADD_FAILURE() << "standard output differs (- expected, + actual):\n"
                      << DiffLines(testCase.expectedStdout, result.standardOutput);
    if (!result.exited)
        ADD_FAILURE() << "the program was ended by signal " << result.signal << " instead of exiting with status "
                      << testCase.expectedStatus;
    else if (result.status != testCase.expectedStatus)
        ADD_FAILURE() << "exit status: expected " << testCase.expectedStatus << ", actual " << result.status;
    if (result.standardError != testCase.expectedStderr)
        ADD_FAILURE() << "standard error differs (- expected, + actual):\n"
                      << DiffLines(testCase.expectedStderr, result.standardError);
}

// Cases in the tfsc folder run tfsc; all others run quorlin.
std::string ProgramOf(const CaseEntry& entry)
{
    return entry.relativePath.rfind("tfsc/", 0) == 0 ? TFSC_EXECUTABLE : QUORLIN_EXECUTABLE;
}

class EndToEnd : public testing::TestWithParam<CaseEntry> {};

TEST_P(EndToEnd, Case)
{
    const CaseEntry& entry = GetParam();
    CaseFile testCase;
    std::string problem;
    ASSERT_TRUE(LoadCaseFile(std::string(QUORLIN_CASES_DIR) + "/" + entry.relativePath, testCase, problem))
        << entry.relativePath << ": " << problem;

    const ScratchFolder scratch;
    ASSERT_TRUE(scratch.IsValid()) << "cannot create a scratch folder";
    const fs::path folder = scratch.Path();
    for (const CaseSetupEntry& setupEntry : testCase.setup)
        ASSERT_TRUE(CreateEntry(folder, setupEntry, problem)) << problem;

    // Standard input comes from a file outside the folder the program sees.
    const ScratchFolder inputFolder;
    const std::string inputFile = inputFolder.Path() + "/stdin";
    ASSERT_TRUE(CreateEntry(inputFolder.Path(), {CaseSetupEntry::Kind::FILE, "stdin", testCase.standardInput}, problem))
        << problem;

    const ProcessResult result =
        RunProcess(ProgramOf(entry), testCase.args, scratch.Path(), RUN_TIME_LIMIT_SECONDS, inputFile);
    ASSERT_TRUE(result.started) << result.failure;
    ASSERT_FALSE(result.timedOut) << "the program ran longer than " << RUN_TIME_LIMIT_SECONDS << " seconds";

    CheckRun(testCase, result);
    for (const CaseExpectedFile& expected : testCase.expectedFiles)
        CheckExpectedFile(folder, expected);
    for (const ProducedOutput& output : CollectProducedOutputs(folder, testCase, entry.relativePath)) {
        if (!ValidateProducedOutput(output, problem))
            ADD_FAILURE() << "produced file " << output.fileName << ": " << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(FindCases()),
                         [](const testing::TestParamInfo<CaseEntry>& info) { return info.param.testName; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EndToEnd);

TEST(EndToEndCases, CasesFolderHoldsCases)
{
    EXPECT_FALSE(FindCases().empty()) << "no " << CASE_EXTENSION << " files under " << QUORLIN_CASES_DIR;
}

} // namespace
