// Linked into tfsc in coverage builds only. A watch ends on SIGINT or
// SIGTERM, whose default action would end the process without writing its
// coverage counters (they are written at exit). This handler writes them,
// then lets the signal end the process as it would have.
#include <csignal>

extern "C" void __gcov_dump(void); // NOLINT(bugprone-reserved-identifier)

namespace {

void DumpCountersAndResignal(int nSignal)
{
    __gcov_dump();
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

struct FlushOnSignal {
    FlushOnSignal()
    {
        std::signal(SIGINT, DumpCountersAndResignal);
        std::signal(SIGTERM, DumpCountersAndResignal);
    }
};

const FlushOnSignal s_flushOnSignal;

} // namespace
