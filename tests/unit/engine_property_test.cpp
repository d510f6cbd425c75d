// The diagnostics engine against the classic compile over every script the
// project holds: each file of every end-to-end case (of quorlin and of tfsc),
// every example and every seed of the compile fuzzer. For each, the engine compiles exactly when the
// classic compile does, to the same bytes, and when it does not, its first
// error is the classic first message (followed, at most, by the token).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "casefile.h"
#include "compiler_test_support.h"
#include "quorlin/quorlin.h"

namespace {

namespace fs = std::filesystem;
using namespace quorlin;

struct Script {
    std::string origin;
    std::string text;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void AddFolder(const fs::path& folder, std::vector<Script>& scripts)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file())
            continue;
        CaseFile testCase;
        std::string problem;
        if (it->path().extension() != ".case") {
            scripts.push_back({it->path().string(), ReadFile(it->path())});
        } else if (LoadCaseFile(it->path().string(), testCase, problem)) {
            for (const CaseSetupEntry& entry : testCase.setup)
                scripts.push_back({it->path().string() + ": " + entry.name, entry.content});
        }
    }
}

// Every folder of QUORLIN_SCRIPT_FOLDERS (separated by ':'): case files
// give the files they set up, any other file is a script itself.
std::vector<Script> AllScripts()
{
    std::vector<Script> scripts;
    std::istringstream folders(QUORLIN_SCRIPT_FOLDERS);
    for (std::string folder; std::getline(folders, folder, ':');)
        AddFolder(folder, scripts);
    return scripts;
}

const Diagnostic* FirstError(const CompileResult& result)
{
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == Severity::Error)
            return &diagnostic;
    }
    return nullptr;
}

TEST(EngineAgainstClassic, EveryScriptOfTheProject)
{
    const std::vector<Script> scripts = AllScripts();
    ASSERT_GT(scripts.size(), 300u);
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.origin);
        const testsupport::ClassicResult classic = testsupport::CompileText(script.text);
        const CompileResult engine = Diagnose(script.text);
        ASSERT_EQ(engine.ok, classic.bOk);
        if (classic.bOk) {
            EXPECT_EQ(engine.bytes, classic.bytes);
            continue;
        }
        const Diagnostic* pFirst = FirstError(engine);
        ASSERT_NE(pFirst, nullptr);
        ASSERT_FALSE(classic.texts.empty());
        EXPECT_EQ(pFirst->message.substr(0, classic.texts[0].size()), classic.texts[0]);
    }
}

} // namespace
