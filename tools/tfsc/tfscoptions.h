// The command line of tfsc, the GNU-style driver: options start with '-',
// everything else (and everything after "--") is a file to compile, and "-"
// is standard input.
#ifndef QUORLIN_TFSCOPTIONS_H
#define QUORLIN_TFSCOPTIONS_H

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "optionparser.h"
#include "quorlin/quorlin.h"

namespace quorlin {

enum class ColorMode { Auto, Always, Never };
enum class DiagnosticsFormat { Text, Json, Sarif };

struct TfscOptions {
    std::vector<std::string> files;
    std::optional<std::string> output; // -o
    bool bCheckOnly = false;           // --check, -fsyntax-only
    bool bStats = false;
    bool bWatch = false; // --watch
    // Set by --watch: an output that already holds the compiled bytes is
    // left alone, so that its watchers (tfsc's own among them) see no change.
    bool bKeepSameOutput = false;
    bool bHelp = false;
    // --explain CODE: the code (or the warning name) whose page to print.
    std::optional<std::string> explain;
    bool bVersion = false;
    bool bWarningsAsErrors = false; // -Werror
    bool bNoWarnings = false;       // -w
    std::set<std::string> disabledWarnings;
    std::set<std::string> errorWarnings;   // -Werror=NAME
    std::set<std::string> noErrorWarnings; // -Wno-error=NAME
    // -Wno-NAME for a NAME tfsc does not know, as written: ignored, as GCC
    // does, and named in a note when the run reports something.
    std::vector<std::string> unknownDisabled;
    ColorMode color = ColorMode::Auto;
    DiagnosticsFormat format = DiagnosticsFormat::Text;
    // -ferror-limit=N: the errors (and the warnings) shown of each script at
    // most; 0 shows them all.
    std::size_t errorLimit = DEFAULT_ERROR_LIMIT;
};

// Parses the arguments after the program name. On a usage error returns
// false with a one-line message (without the program name) in error.
bool ParseTfscOptions(const std::vector<std::string>& args, TfscOptions& options, std::string& error);

// tfsc's options, one entry per spelling (for the parser and for shell
// completion).
const std::vector<cli::OptionEntry>& TfscOptionTable();

using cli::STDIN_ARGUMENT;

} // namespace quorlin

#endif
