// The Quorlin library: compiles the text of a texture script into the bytes
// of a compiled texture script (.tfs), in memory, with the compiler's
// diagnostics as data. This header is all a game tool needs; to load compiled
// files, a renderer needs only the compiled-format library (tfsreader.h).
//
//     const quorlin::CompileResult result = quorlin::Compile(text);
//     for (const quorlin::Diagnostic& diagnostic : result.diagnostics)
//         std::fprintf(stderr, "%s:%d:%d: %s\n", name, diagnostic.line, diagnostic.column,
//                      diagnostic.message.c_str());
//     if (result.ok)
//         Save(result.bytes);
#ifndef QUORLIN_QUORLIN_H
#define QUORLIN_QUORLIN_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "quorlin/diagnostics.h"

namespace quorlin {

// Text to put in place of a range of the script: length bytes at
// line:column (both from 1), which is offset bytes from the start of the
// text, become the replacement; length 0 inserts.
struct FixIt {
    int line = 0;
    int column = 0;
    int length = 0;
    std::string replacement;
    std::size_t offset = 0;
};

struct Diagnostic {
    Severity severity = Severity::Error;
    // Its entry in the table of diagnostics (quorlin/diagnostics.h) and that
    // entry's stable code ("Q1014"); the code is empty for a diagnostic that
    // is not the compiler's (a tool's own, about a file).
    DiagnosticId id = DiagnosticId::ExpectedParamList;
    std::string code;
    int line = 0;           // counted from 1, as editors number lines
    int column = 0;         // counted from 1, in bytes, where the token at fault starts
    int length = 0;         // bytes of that token (0 at the end of the text)
    std::size_t offset = 0; // bytes from the start of the text to that token
    std::string message;    // the compiler's own text, exactly
    // Set by Diagnose only. A warning's stable name (e.g. "unused-parameter");
    // a note's parent (the index of its error or warning in the list, -1 for
    // anything but a note); the fixes a note suggests.
    std::string name;
    int parent = -1;
    std::vector<FixIt> fixIts;
};

// Figures of a compiled file, for tools that report on scripts.
struct CompileFigures {
    std::uint32_t fileBytes = 0;   // size of the compiled file
    std::uint32_t constants = 0;   // entries of its constant table
    std::uint32_t temporaries = 0; // the deepest temporary the code writes, plus one; 0 without code
    std::uint32_t parameters = 0;  // user parameters declared
};

// The figures a tool shows against the limits of the compiled format.
enum class BudgetFigure { Bytes, Constants, Temporaries, Parameters };

// The figures asked for, in that order, each against its limit ("57 of 8192
// bytes"), joined by the separator.
std::string FormatBudget(const CompileFigures& figures, std::string_view separator,
                         std::initializer_list<BudgetFigure> shown);

struct CompileResult {
    bool ok = false;
    std::vector<std::uint8_t> bytes;     // the compiled file; empty when !ok
    std::vector<Diagnostic> diagnostics; // in the order the compiler reports them
    CompileFigures figures;              // all 0 when !ok
    // Which figures were counted in full, bit (1 << BudgetFigure): every one
    // when ok. For a script that fails, Diagnose sets those it could count
    // (the parameters of a header that was read, the constants and
    // temporaries of a body that parsed, the bytes of a file laid out to its
    // end); the other figures are partial. Compile sets none when it fails.
    std::uint8_t countedFigures = 0;
    bool IsCounted(BudgetFigure figure) const { return ((countedFigures >> static_cast<int>(figure)) & 1u) != 0; }
};

// Every figure counted.
constexpr std::uint8_t ALL_FIGURES_COUNTED = 0xF;

// Compile and Diagnose need at most this much stack, whatever the script:
// 512 KiB. Parentheses, calls and unary minus nested more than 2048 deep are
// refused ("Too deep of tree. ..."), and the deepest script allowed, 2048
// nested calls, takes 432 KiB in an optimised g++ build and 464 KiB with
// clang++ (some 210 and 220 bytes a level), measured on a thread of its own.
// A thread that compiles needs at least this much stack free; unoptimised
// and sanitizer builds need several times more.
constexpr std::size_t COMPILE_STACK_BYTES = std::size_t{512} * 1024;

// Compiles a script. The text needs no terminator; a NUL inside it ends the
// script there, as it ends a script file. The messages are the classic
// compiler's, in its order: the command-line driver's "Line 4: ..." is line 5
// here. Keeps no state between calls, so compiles may run on several threads
// at once. Throws nothing: running out of memory is reported as a diagnostic.
CompileResult Compile(std::string_view text) noexcept;

// The diagnostics engine: compiles like Compile, to the same bytes, but
// reports every problem of the script in one run. After a statement fails
// the rest of it is skipped and the next statement is parsed, so each
// statement reports its first problem without the follow-on messages of the
// first; a line that can only start a statement ("name =") starts the next
// one, and a missing ";" is reported right after its statement's last token.
// After a header error the header is read on and the body still checked.
// Errors come in source order: the limits checked at EndScript are checked
// for a body without errors. An error caused by a token
// names it (the compiler's text, then ": '<token>'"); notes suggest fixes;
// warnings carry stable names (WarningNames); problems found at EndScript
// span their statement (a limit's error with a note giving the figure), and
// a message repeated once per byte beyond the output's limit is shown once,
// followed by " (N times)". The figures are filled in whether or not the
// script compiles (see countedFigures). Diagnostics come in the
// order found; notes follow their parent. Throws only std::bad_alloc.
// Reports every error and every warning, however many. Warnings after
// errors follow one rule: a statement that parsed always gets its own
// warnings, whatever failed elsewhere; the declarations' warnings need a
// header read without error; a warning about the whole script (a parameter
// never read) needs the header and the body read without error up to
// EndScript, since a statement that failed may be the one that reads it;
// text after EndScript is warned about whenever EndScript is reached.
CompileResult Diagnose(std::string_view text);

// How many diagnostics Diagnose keeps, so that the diagnostics it holds stay
// bounded whatever the script (statements that compile are still compiled
// to the end, and held until then).
struct DiagnoseOptions {
    // The errors kept, at most; 0 keeps them all. The first error past the
    // limit is not reported: a note at its place, with no parent, says that
    // checking stopped there (TOO_MANY_ERRORS_NOTE), and the run stops, with
    // no further diagnostic. Warnings are kept up to the same number, and
    // those past it dropped without a word.
    std::size_t errorLimit = 0;
    // The caller's promise that the byte after the text is a NUL, as after
    // the characters of a std::string: the engine then reads the text where
    // it is instead of copying it (a script of 100 MiB costs 100 MiB less).
    bool nulAfterText = false;
};

// The text of the note that ends a run stopped at its error limit.
extern const char* const TOO_MANY_ERRORS_NOTE;

// The error limit of the tools that show diagnostics to an author (tfsc's
// -ferror-limit, the playground) unless told otherwise.
constexpr std::size_t DEFAULT_ERROR_LIMIT = 100;

// Diagnose with the limits of the options.
CompileResult Diagnose(std::string_view text, const DiagnoseOptions& options);

// The warnings Diagnose reports, by their stable names.
const std::vector<std::string_view>& WarningNames();

// Whether a text starts like a script: its first word, after white space and
// comments, is one of the five section keywords (UserParams, Input, Output,
// BeginScript, EndScript; compared without case, as the compiler compares
// them). The rule by which tools and editors tell a script among ".txt"
// files.
bool StartsLikeScript(std::string_view text);

} // namespace quorlin

#endif
