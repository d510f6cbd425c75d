// tfsc, the GNU-style driver over the diagnostics engine: compiles each file
// named on its command line to NAME.tfs beside it and reports every problem
// of every file on standard error. Exit status 0 when every file compiled,
// 1 when one did not (or could not be read or written), 2 for a usage error.
#ifndef QUORLIN_TFSC_H
#define QUORLIN_TFSC_H

#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "tfscoptions.h"

namespace quorlin {

constexpr int TFSC_EXIT_SUCCESS = 0;
constexpr int TFSC_EXIT_FAILURE = 1;
constexpr int TFSC_EXIT_USAGE = 2;

int RunTfsc(int argc, char** argv);

// Whether to colour: --color=always and never decide; auto colours a
// terminal unless NO_COLOR is set to a non-empty value or TERM is "dumb".
bool ColorWanted(ColorMode mode, const char* pszNoColor, const char* pszTerm, bool bTerminal);

// The output beside the script: its last extension replaced by ".tfs", or
// ".tfs" appended when it has none.
std::string DerivedOutputName(const std::string& scriptName);

// The diagnostics the options let through: disabled warnings (and all with
// -w) are dropped with their notes, and -Werror turns warnings into errors.
// True when a warning became an error.
bool ApplyWarningOptions(const TfscOptions& options, std::vector<Diagnostic>& diagnostics);

} // namespace quorlin

#endif
