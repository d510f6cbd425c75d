// The diagnostics engine: compiles a script like the classic compiler, but
// reports every problem of the script in one run, each where it is, with
// notes that suggest a fix and warnings for scripts that compile but are
// unlikely to do what their author meant.
//
// After a statement fails, the rest of it is skipped and the next statement
// is parsed, so one run finds one problem per statement without the
// follow-on messages of the first. A header error still ends the run. The
// compiled bytes of a script without errors are the classic compiler's.
#ifndef QUORLIN_DIAGNOSE_H
#define QUORLIN_DIAGNOSE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

enum class Severity { Error, Warning, Note };

// Text to put in place of a range of the script: replacing length bytes at
// line:column (both counted from 1) with the replacement; length 0 inserts.
struct FixIt {
    std::uint32_t line = 0;
    std::uint32_t column = 0;
    std::uint32_t length = 0;
    std::string replacement;
};

// One problem, warning or note. Line and column count from 1 (the column in
// bytes); length is the length in bytes of the token at fault, 0 at the end
// of the text.
struct Diagnostic {
    Severity severity = Severity::Error;
    std::uint32_t line = 0;
    std::uint32_t column = 0;
    std::uint32_t length = 0;
    std::string message;
    // A warning's stable name (e.g. "unused-parameter"); empty otherwise.
    std::string name;
    // A note's error or warning: the index of that diagnostic in the list;
    // -1 for errors and warnings.
    std::int32_t parent = -1;
    std::vector<FixIt> fixIts;
};

// How much of each of the compiled format's limits the script uses.
struct Figures {
    std::uint32_t fileBytes = 0;   // of BYTECODE_BUFFER_SIZE
    std::uint32_t constants = 0;   // of MAX_CONSTANTS
    std::uint32_t temporaries = 0; // highest temporary used plus one, of MAX_TEMP_DEPTH
    std::uint32_t parameters = 0;  // of MAX_USER_PARAMS
};

struct DiagnoseResult {
    bool ok = false;                     // no error: bytes hold the compiled file
    std::vector<std::uint8_t> bytes;     // the compiled file when ok
    std::vector<Diagnostic> diagnostics; // in the order of the text; notes follow their parent
    Figures figures;
};

// The warnings the engine knows, by their stable names.
const std::vector<std::string_view>& WarningNames();

// Diagnoses one script. The text ends at its first NUL, as for the classic
// compiler. Never throws except std::bad_alloc.
DiagnoseResult Diagnose(std::string_view text);

} // namespace quorlin

#endif
