// The watch on platforms without a notification tfsc knows: polling.
#include "filewatch.h"

namespace quorlin {

std::unique_ptr<FileWatch> OpenFileWatch() { return OpenPollingFileWatch(); }

} // namespace quorlin
