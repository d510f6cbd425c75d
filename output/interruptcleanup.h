// Signal dispositions while a temporary output file exists.
//
// SIGINT, SIGTERM and SIGHUP would end the run with the temporary file left
// behind. While an InterruptCleanup is alive, each of them first removes the
// temporary (when one is armed) and then ends the process as the signal
// itself would have, so that the parent still sees the signal. A signal the
// process ignored stays ignored. SIGXFSZ and SIGPIPE are ignored meanwhile,
// so that a write beyond the file-size limit (EFBIG) or into a FIFO whose
// reader has gone (EPIPE) fails like any other write, with a message,
// instead of killing the run without one.
//
// On Windows (interruptcleanup_windows.cpp) a console control handler does
// the same for Ctrl-C, Ctrl-Break and the closing of the console: it removes
// the armed temporary and lets the process end as it would have.
#ifndef QUORLIN_INTERRUPTCLEANUP_H
#define QUORLIN_INTERRUPTCLEANUP_H

#include <cstddef>

#include "outputfile.h"

namespace quorlin {

class InterruptCleanup {
public:
    // Room for the temporary's path, its terminating NUL included.
    static constexpr std::size_t NAME_SIZE = OUTPUT_PATH_SIZE;

    // Installs the handlers, remembering the dispositions they replace (in
    // static storage: only one object may be alive at a time).
    InterruptCleanup();
    // Disarms and restores the dispositions found.
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    // The path a signal removes while armed. A signal handler may read it at
    // any moment, so it is written only while disarmed.
    char* NameBuffer();
    const char* Name() const;
    // From now on a signal removes the file at Name().
    void Arm();
    void Disarm();
};

} // namespace quorlin

#endif
