// tfsc --explain CODE: the section of the diagnostics page (docs/
// diagnostics.md, built into tfsc) on one code, as plain text; and the
// nearest name to a misspelt one, for the suggestions of the command line.
#ifndef QUORLIN_TFSCEXPLAIN_H
#define QUORLIN_TFSCEXPLAIN_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "quorlin/diagnostics.h"

namespace quorlin {

// The diagnostics page as it was when tfsc was built (generated source).
std::string_view DiagnosticsPage();

// The section of page whose heading ("## CODE ...") names the code, from its
// heading to the next heading; empty when the page has none.
std::string_view PageSection(std::string_view page, std::string_view code);

// A section as plain text: the heading without its '#', each example
// indented by four spaces without its fence lines, code in the text quoted
// with ' in place of `.
std::string PlainSection(std::string_view section);

// The entry a --explain argument names: a code, in any letter case, or a
// warning's name; null when none does.
const DiagnosticInfo* ExplainedEntry(std::string_view argument);

// What --explain prints for the entry: its section, or its text when the page
// has no section on it.
std::string Explanation(const DiagnosticInfo& entry);

// The usage error for an argument of --explain that names nothing, with the
// nearest code or warning name when one is near.
std::string UnknownExplainText(std::string_view argument);

// Edits (insertions, deletions, substitutions, and transpositions of two
// neighbours) that turn a into b.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The candidate nearest to word, when it is near enough to be a misspelling
// of it (an edit for every three characters of it); the first of the
// nearest wins. Empty when none is.
std::string_view NearestName(std::string_view word, const std::vector<std::string_view>& candidates);

// "; did you mean 'PREFIXname'?" for the nearest candidate, or "".
std::string DidYouMeanText(std::string_view prefix, std::string_view word,
                           const std::vector<std::string_view>& candidates);

} // namespace quorlin

#endif
