// What the compiler says about one script, in the shape the editor features
// use: each problem with its place in bytes, and the script's budget against
// the limits of the compiled format. AnalyzeScript is the one place that
// calls the compiler, so the server follows any change of its interface here.
#ifndef QUORLIN_LSP_ANALYSIS_H
#define QUORLIN_LSP_ANALYSIS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin::lsp {

enum class ProblemSeverity { Error = 1, Warning = 2, Note = 3 };

// A place in the text: a byte offset and a length (0 at the end of the text).
struct TextSpan {
    std::size_t nOffset = 0;
    std::size_t nLength = 0;
};

// A replacement the compiler suggests for a place in the text.
struct FixIt {
    TextSpan span;
    std::string replacement;
};

// A note tied to a problem: more about it, perhaps with a fix.
struct ProblemNote {
    TextSpan span;
    std::string message;
    std::vector<FixIt> fixes;
};

struct Problem {
    ProblemSeverity severity = ProblemSeverity::Error;
    std::string code; // the name of a warning; empty for errors
    std::string message;
    TextSpan span;
    std::vector<ProblemNote> notes;
    // For a note published on its own: the index of its error or warning
    // among the problems (whose notes hold it too); SIZE_MAX otherwise.
    std::size_t nParent = SIZE_MAX;
};

// How much of each limit of the compiled format the script uses.
struct Budget {
    std::uint32_t nBytes = 0;
    std::uint32_t nConstants = 0;
    std::uint32_t nTemporaries = 0;
    std::uint32_t nParameters = 0;
};

struct ScriptAnalysis {
    bool bOk = false;
    std::vector<Problem> problems;
    Budget budget; // meaningful when bOk
};

// The budget an editor shows: that of the current text when it compiles,
// else that of the last text of the document that compiled, if any.
struct ShownBudget {
    bool bKnown = false;
    bool bCurrent = false;
    Budget budget;
};

// A script that overflows the compiled file draws a message for every
// statement after the overflow; an editor shows the first ones and a count.
constexpr std::size_t MAX_PROBLEMS = 200;

ScriptAnalysis AnalyzeScript(std::string_view text);

// The budget as one line, such as
// "57 of 8192 bytes · 1 of 32 constants · 2 of 16 temporaries", marked as
// that of the last compiled text when the current one does not compile.
std::string DescribeBudget(const ShownBudget& shown);

} // namespace quorlin::lsp

#endif
