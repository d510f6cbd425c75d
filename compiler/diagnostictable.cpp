// The table of diagnostics, built from diagnostics.def, and the lookups and
// the formatting that every program's messages go through.
#include "quorlin/diagnostics.h"
#include "quorlin/quorlin.h"

#include <cctype>

namespace quorlin {

namespace {

constexpr Severity ERROR = Severity::Error;
constexpr Severity WARNING = Severity::Warning;
constexpr Severity NOTE = Severity::Note;

constexpr DiagnosticInfo TABLE[] = {
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define QUORLIN_DIAGNOSTIC(id, code, severity, name, text, author)                                                     \
    {#id, code, name, text, author, severity, DiagnosticId::id},
#include "quorlin/diagnostics.def"
#undef QUORLIN_DIAGNOSTIC
};

constexpr std::size_t COUNT = sizeof TABLE / sizeof TABLE[0];

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The placeholder "{N}" at text[i], N one digit: its argument, or null.
const std::string_view* ArgumentAt(std::string_view text, std::size_t i, std::initializer_list<std::string_view> args)
{
    if (i + 2 >= text.size() || text[i] != '{' || text[i + 2] != '}' ||
        std::isdigit(static_cast<unsigned char>(text[i + 1])) == 0)
        return nullptr;
    const auto nArg = static_cast<std::size_t>(text[i + 1] - '0');
    return nArg < args.size() ? args.begin() + nArg : nullptr;
}

} // namespace

// Declared in quorlin.h; constant-initialised from the table.
const char* const TOO_MANY_ERRORS_NOTE = TABLE[static_cast<std::size_t>(DiagnosticId::TooManyErrors)].text;

const char* SeverityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "error";
}

const DiagnosticInfo* DiagnosticTableBegin() { return TABLE; }
const DiagnosticInfo* DiagnosticTableEnd() { return TABLE + COUNT; }
std::size_t DiagnosticCount() { return COUNT; }

const DiagnosticInfo& InfoOf(DiagnosticId id) { return TABLE[static_cast<std::size_t>(id)]; }

const DiagnosticInfo* FindByCode(std::string_view code)
{
    for (const DiagnosticInfo& info : TABLE) {
        if (SameNoCase(info.code, code))
            return &info;
    }
    return nullptr;
}

const DiagnosticInfo* FindWarning(std::string_view name)
{
    for (const DiagnosticInfo& info : TABLE) {
        if (info.severity == Severity::Warning && name == info.warningName)
            return &info;
    }
    return nullptr;
}

std::string FormatDiagnostic(DiagnosticId id, std::initializer_list<std::string_view> args, bool bAuthor)
{
    const DiagnosticInfo& info = InfoOf(id);
    const std::string_view text = bAuthor && *info.authorText != '\0' ? info.authorText : info.text;
    std::string formatted;
    formatted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view* pArg = ArgumentAt(text, i, args);
        if (pArg != nullptr) {
            formatted += *pArg;
            i += 2;
        } else {
            formatted += text[i];
        }
    }
    return formatted;
}

} // namespace quorlin
