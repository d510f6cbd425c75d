// Standard streams on POSIX: they carry bytes already.
#include "standardstreams.h"

#include <unistd.h>

#include <csignal>

namespace quorlin {

void SetUpStandardStreams() {}

bool StreamShowsColour(std::FILE* pStream)
{
    const int nFd = ::fileno(pStream);
    return nFd >= 0 && ::isatty(nFd) == 1;
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

} // namespace quorlin
