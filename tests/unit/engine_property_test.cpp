// The diagnostics engine against the classic compile over every script the
// project holds: each file of every end-to-end case (of quorlin and of tfsc),
// every example and every seed of the compile fuzzer. For each, the engine
// compiles exactly when the classic compile does, to the same bytes, and when it does not, its first
// error is the classic first message (followed, at most, by the token); and
// every place that Compile and Diagnose report has the offset of its line
// and column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler_test_support.h"
#include "quorlin/quorlin.h"
#include "scriptcorpus.h"

namespace {

using namespace quorlin;

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
    const std::vector<CorpusScript> scripts = ScriptsInFolders(QUORLIN_SCRIPT_FOLDERS);
    ASSERT_GT(scripts.size(), 300u);
    for (const CorpusScript& script : scripts) {
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

// The offset of each line's start in the text, lines split at line feeds.
std::vector<std::size_t> LineStarts(const std::string& text)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            starts.push_back(i + 1);
    }
    return starts;
}

// The place's offset is its line's start plus its column, and it lies in the text.
void ExpectSamePlace(const std::vector<std::size_t>& lines, std::size_t nSize, int nLine, int nColumn,
                     std::size_t nOffset, int nLength)
{
    ASSERT_GE(nLine, 1);
    ASSERT_LE(static_cast<std::size_t>(nLine), lines.size());
    EXPECT_EQ(nOffset, lines[static_cast<std::size_t>(nLine) - 1] + static_cast<std::size_t>(nColumn) - 1);
    EXPECT_LE(nOffset + static_cast<std::size_t>(nLength), nSize);
}

void ExpectOffsetsAgree(const CompileResult& result, const std::string& text)
{
    const std::vector<std::size_t> lines = LineStarts(text);
    for (const Diagnostic& diagnostic : result.diagnostics) {
        SCOPED_TRACE(diagnostic.message);
        ExpectSamePlace(lines, text.size(), diagnostic.line, diagnostic.column, diagnostic.offset, diagnostic.length);
        for (const FixIt& fixIt : diagnostic.fixIts)
            ExpectSamePlace(lines, text.size(), fixIt.line, fixIt.column, fixIt.offset, fixIt.length);
    }
}

TEST(DiagnosticOffsets, AgreeWithLineAndColumnOverEveryScript)
{
    for (const CorpusScript& script : ScriptsInFolders(QUORLIN_SCRIPT_FOLDERS)) {
        SCOPED_TRACE(script.origin);
        const std::string text = script.text.substr(0, script.text.find('\0'));
        ExpectOffsetsAgree(Compile(script.text), text);
        ExpectOffsetsAgree(Diagnose(script.text), text);
    }
}

} // namespace
