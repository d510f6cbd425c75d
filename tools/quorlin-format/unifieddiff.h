// A unified diff of two texts, as diff -u prints it with the two labels
// given (--label): "--- OLD", "+++ NEW", then hunks of changed lines with
// three lines of context, hunks closer than that merged, and the "\ No
// newline at end of file" marker after a last line without a line feed.
//
// Lines are matched by a longest common subsequence; a run of changed lines
// that could stand at several places stands as late as it can, as diff
// places it. Texts whose differing middle (after their common first and
// last lines) would need more than MAX_DIFF_CELLS comparisons are shown as
// that whole middle removed and added.
#ifndef QUORLIN_FORMAT_UNIFIEDDIFF_H
#define QUORLIN_FORMAT_UNIFIEDDIFF_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlin {

constexpr std::size_t MAX_DIFF_CELLS = std::size_t{1} << 24;

// Empty when the texts are equal.
std::string UnifiedDiff(std::string_view before, std::string_view after, std::string_view beforeLabel,
                        std::string_view afterLabel);

} // namespace quorlin

#endif
