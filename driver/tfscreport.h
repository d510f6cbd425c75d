// How tfsc shows diagnostics: as clang does on a terminal (text), as one JSON
// array, or as a SARIF 2.1.0 log for code-scanning services.
#ifndef QUORLIN_TFSCREPORT_H
#define QUORLIN_TFSCREPORT_H

#include <string>
#include <string_view>
#include <vector>

#include "quorlin/quorlin.h"

namespace quorlin {

// The diagnostics of one input, or why it could not be read.
struct FileDiagnostics {
    std::string name;        // as given, or <stdin>
    std::string_view source; // the script's text, when it could be read
    // A problem with the file itself (it cannot be read, its output cannot
    // be written), shown after its diagnostics; empty when none.
    std::string fileError;
    std::vector<Diagnostic> diagnostics;
};

// FILE:LINE:COL: severity: message [-Wname], then the source line as it is
// and a caret line ("^~~~") under the token; notes with a fix-it show the
// replacement under the caret. Colour as clang's when bColor.
std::string FormatText(const FileDiagnostics& file, bool bColor);

// A JSON array: one object per diagnostic of every file, in order.
std::string FormatJson(const std::vector<FileDiagnostics>& files);

// A SARIF 2.1.0 log with one run of tfsc.
std::string FormatSarif(const std::vector<FileDiagnostics>& files);

// The line of the text that holds the diagnostic's token, without its line end.
std::string_view SourceLine(std::string_view source, const Diagnostic& diagnostic);

} // namespace quorlin

#endif
