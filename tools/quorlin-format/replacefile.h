// Replacing a file's contents so that a reader sees the old bytes or the new
// ones, never a mixture, and a failure leaves the old file untouched.
#ifndef QUORLIN_FORMAT_REPLACEFILE_H
#define QUORLIN_FORMAT_REPLACEFILE_H

#include <string>

namespace quorlin {

// Writes bytes to a new file beside path, with path's permissions, and
// renames it over path. False with a message naming the step on failure.
bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error);

} // namespace quorlin

#endif
