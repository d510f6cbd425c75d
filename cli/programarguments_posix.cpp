// The command line on POSIX: the bytes as they came.
#include "programarguments.h"

namespace quorlin {

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

} // namespace quorlin
