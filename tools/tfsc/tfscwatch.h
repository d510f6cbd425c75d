// tfsc --watch: compiles each script named (a folder names its ".tsc" files
// and its ".txt" files that start like a script), then again each time one
// is saved, until interrupted. Each compile prints one line on standard
// output ("wave.txt: ok (57 bytes)", "wave.txt: 2 errors"), followed by its
// diagnostics on standard error as tfsc shows them; outputs are written as
// tfsc writes them, replaced as a whole. The writes of one save (an
// editor's burst) are compiled once, after WATCH_QUIET_MS without another.
// A script deleted or unreadable is reported, and compiled again once it is
// back. An output that already holds the compiled bytes is left alone, the
// files standard output and standard error write to are never scripts, and
// after the notifications overflow only the scripts whose text changed are
// compiled again. A folder deleted or renamed ends the run with status 1.
// Ctrl-C (SIGINT) ends the run as the signal does, so that a shell sees
// status 130; an output being written then keeps its previous contents.
#ifndef QUORLIN_TFSCWATCH_H
#define QUORLIN_TFSCWATCH_H

#include <memory>

#include "filewatch.h"
#include "tfscoptions.h"

namespace quorlin {

// How long the folders must stay quiet before what changed is compiled.
constexpr int WATCH_QUIET_MS = 50;
// A script written without pause is still compiled this often.
constexpr int WATCH_LONGEST_BURST_MS = 1000;

// Returns only when the folders cannot be watched, with status 1.
int RunWatch(const TfscOptions& options, bool bColor);
// The same over the watch given.
int RunWatch(const TfscOptions& options, bool bColor, std::unique_ptr<FileWatch> watch);

} // namespace quorlin

#endif
