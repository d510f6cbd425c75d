// tfsc, the GNU-style driver over the diagnostics engine: compiles each file
// named on its command line to NAME.tfs beside it and reports every problem
// of every file on standard error. Exit status 0 when every file compiled,
// 1 when one did not (or could not be read or written), 2 for a usage error.
#ifndef QUORLIN_TFSC_H
#define QUORLIN_TFSC_H

#include <optional>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "tfscoptions.h"
#include "tfscreport.h"

namespace quorlin {

constexpr int TFSC_EXIT_SUCCESS = 0;
constexpr int TFSC_EXIT_FAILURE = 1;
constexpr int TFSC_EXIT_USAGE = 2;

int RunTfsc(int argc, char** argv);

// What compiling one script gave.
struct ScriptOutcome {
    bool bRead = false; // false when the script could not be read
    bool bOk = false;   // compiled without error (after -Werror) and written
    std::size_t nBytes = 0;
    // Whether it compiled, and its figures with those counted in full; no
    // bytes and no diagnostics (those are in the file's diagnostics).
    CompileResult result;
};

// Reads one script into text, diagnoses it into file (whose source points
// into text), applies the warning options and, unless only checking, writes
// its output the one safe way (outputfile.h) when it has no error.
ScriptOutcome CompileScript(const TfscOptions& options, const std::string& input, std::string& text,
                            FileDiagnostics& file);

// Prints one script's --stats line on standard output: for a script that
// failed, "failed" and only the figures counted in full.
void PrintStats(const std::string& name, const CompileResult& result);

// Writes one script's diagnostics as text to standard error.
void ShowText(const FileDiagnostics& file, bool bColor);

// Whether to colour: --color=always and never decide; auto colours a
// terminal unless NO_COLOR is set to a non-empty value or TERM is "dumb".
bool ColorWanted(ColorMode mode, const char* pszNoColor, const char* pszTerm, bool bTerminal);

// The output beside the script: its last extension replaced by ".tfs", or
// ".tfs" appended when it has none.
std::string DerivedOutputName(const std::string& scriptName);

// Two scripts whose outputs, derived from their names, are one file: both
// would be written there, the last one winning.
struct SharedOutput {
    std::string first;
    std::string second;
    std::string output;
};

// The script among others (one that is there) whose derived output is also
// the script's; null when there is none, when the run writes no derived
// output (--check, -o), for the script itself named again, or when the
// script is not there (it writes nothing, whatever the order of the two).
const std::string* ScriptSharingOutput(const TfscOptions& options, const std::string& script,
                                       const std::vector<std::string>& others);

// The first script of the list whose derived output an earlier one shares,
// with that earlier one.
std::optional<SharedOutput> FindSharedOutput(const TfscOptions& options, const std::vector<std::string>& scripts);

// "'a.tsc' and 'a.txt' both compile to 'a.tfs'".
std::string SharedOutputText(const SharedOutput& shared);

// The diagnostics the options let through: disabled warnings (and all with
// -w) are dropped with their notes, and -Werror turns warnings into errors.
// True when a warning became an error.
bool ApplyWarningOptions(const TfscOptions& options, std::vector<Diagnostic>& diagnostics);

} // namespace quorlin

#endif
