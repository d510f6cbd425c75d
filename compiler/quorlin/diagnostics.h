// The table of every diagnostic Quorlin reports (diagnostics.def): each one's
// id, stable code, severity, warning name and text. Programs print what they
// report from here, and tools look diagnostics up here by code or by name.
#ifndef QUORLIN_DIAGNOSTICS_H
#define QUORLIN_DIAGNOSTICS_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quorlin {

enum class Severity { Error, Warning, Note };

// "error", "warning" or "note", as tools print a severity.
const char* SeverityName(Severity severity);

enum class DiagnosticId : std::uint16_t {
// The table is an X-macro list, expanded once here and once for its entries.
#define QUORLIN_DIAGNOSTIC(id, code, severity, name, text, author) id, // NOLINT(cppcoreguidelines-macro-usage)
#include "quorlin/diagnostics.def"
#undef QUORLIN_DIAGNOSTIC
};

struct DiagnosticInfo {
    const char* idName;      // the id as written in the table, e.g. "UnusedParameter"
    const char* code;        // e.g. "Q2001"
    const char* warningName; // a warning's switch, e.g. "unused-parameter"; "" for the rest
    const char* text;        // with placeholders {0}, {1} ...
    const char* authorText;  // the engine's wording when it differs from text, else ""
    Severity severity;
    DiagnosticId id;
};

// Every entry, in the order of the table.
const DiagnosticInfo* DiagnosticTableBegin();
const DiagnosticInfo* DiagnosticTableEnd();
std::size_t DiagnosticCount();

const DiagnosticInfo& InfoOf(DiagnosticId id);

// The first entry with the code (compared without letter case), or with the
// warning name; null when none has it.
const DiagnosticInfo* FindByCode(std::string_view code);
const DiagnosticInfo* FindWarning(std::string_view name);

// The text with each placeholder {N} replaced by args[N] (a placeholder
// without an argument stays as written). bAuthor takes the author text where
// there is one.
std::string FormatDiagnostic(DiagnosticId id, std::initializer_list<std::string_view> args = {}, bool bAuthor = false);

} // namespace quorlin

#endif
