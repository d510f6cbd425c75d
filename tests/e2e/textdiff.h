// Readable differences between an expected and an actual result.
#ifndef QUORLIN_TESTS_TEXTDIFF_H
#define QUORLIN_TESTS_TEXTDIFF_H

#include <string>

namespace quorlin {

// A line diff: "  " for lines both have, "- " expected only, "+ " actual only.
// Each line is shown quoted with C escapes, so trailing spaces, carriage
// returns and a missing final line feed are visible.
std::string DiffLines(const std::string& expected, const std::string& actual);

// Both byte strings in hex, 16 to a line, with their sizes and the first
// offset at which they differ.
std::string DiffBytes(const std::string& expected, const std::string& actual);

// The text quoted with C escapes.
std::string Quote(const std::string& text);

} // namespace quorlin

#endif
