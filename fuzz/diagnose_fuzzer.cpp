// Fuzz target: arbitrary bytes as a script, through the diagnostics engine
// and the classic compile side by side.
//
// Properties, for every input:
//   - the engine compiles exactly when the classic compile does, to the same
//     bytes;
//   - when it does not, its first error is the classic first message, at
//     most followed by ": '<token>'" or a repeat count;
//   - every diagnostic lies inside the text: its line exists, its column and
//     length stay within that line (length 0 only at the end of the text or
//     for a problem of a whole statement);
//   - every note follows its parent, which is no note; every warning has a
//     known name; errors come with no name.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler_test_support.h"
#include "propertycheck.h"
#include "quorlin/quorlin.h"

using namespace quorlin;

namespace {

// The lengths of the text's lines (as the lexer counts them: by line feeds).
std::vector<std::size_t> LineLengths(std::string_view text)
{
    std::vector<std::size_t> lengths{0};
    for (const char c : text) {
        if (c == '\n')
            lengths.push_back(0);
        else
            ++lengths.back();
    }
    return lengths;
}

void CheckPlace(const Diagnostic& diagnostic, const std::vector<std::size_t>& lines)
{
    Require(diagnostic.line >= 1 && diagnostic.line <= lines.size(), "a diagnostic's line is in the text",
            diagnostic.message);
    const std::size_t nLineLength = lines[diagnostic.line - 1];
    Require(diagnostic.column >= 1 && diagnostic.column - 1 + diagnostic.length <= nLineLength + 1,
            "a diagnostic stays within its line", diagnostic.message);
}

void CheckShape(const CompileResult& result, std::string_view text)
{
    const std::vector<std::size_t> lines = LineLengths(text);
    const std::vector<std::string_view>& names = WarningNames();
    for (std::size_t i = 0; i < result.diagnostics.size(); ++i) {
        const Diagnostic& diagnostic = result.diagnostics[i];
        CheckPlace(diagnostic, lines);
        if (diagnostic.severity == Severity::Note) {
            Require(diagnostic.parent >= 0 && static_cast<std::size_t>(diagnostic.parent) < i &&
                        result.diagnostics[static_cast<std::size_t>(diagnostic.parent)].severity != Severity::Note,
                    "a note follows its parent");
        } else if (diagnostic.severity == Severity::Warning) {
            Require(std::find(names.begin(), names.end(), diagnostic.name) != names.end(), "a warning has its name");
        } else {
            Require(diagnostic.name.empty() && diagnostic.parent == -1, "an error has no name and no parent");
        }
    }
}

const Diagnostic* FirstError(const CompileResult& result)
{
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == Severity::Error)
            return &diagnostic;
    }
    return nullptr;
}

void CheckAgainstClassic(const CompileResult& result, const std::string& text)
{
    const testsupport::ClassicResult classic = testsupport::CompileText(text);
    Require(result.ok == classic.bOk, "the engine compiles exactly when the classic compile does");
    if (classic.bOk) {
        Require(result.bytes == classic.bytes, "the engine's bytes are the classic bytes");
        return;
    }
    const Diagnostic* pFirst = FirstError(result);
    Require(pFirst != nullptr && !classic.texts.empty(), "a failed compile has an error");
    const std::string& expected = classic.texts.front();
    Require(pFirst->message.compare(0, expected.size(), expected) == 0, "the first error is the classic first message",
            pFirst->message + " / " + expected);
    const std::string_view rest = std::string_view(pFirst->message).substr(expected.size());
    Require(rest.empty() || rest.substr(0, 3) == ": '" || rest.substr(0, 2) == " (",
            "only a token or a count follows the classic message", pFirst->message);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // The text ends at its first NUL for both.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes are the text
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    const std::string upToNul = text.substr(0, text.find('\0'));
    const CompileResult result = Diagnose(text);
    CheckShape(result, upToNul);
    CheckAgainstClassic(result, upToNul);
    return 0;
}
