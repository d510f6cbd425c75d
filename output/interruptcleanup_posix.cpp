#include "interruptcleanup.h"

#include <unistd.h>

#include <atomic>
#include <cassert>
#include <csignal>
#include <iterator>

namespace quorlin {

namespace {

// The signals that end a run from outside, each of which could otherwise
// leave a temporary file behind.
constexpr int INTERRUPTS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int NUM_INTERRUPTS = sizeof(INTERRUPTS) / sizeof(INTERRUPTS[0]);
// The signals that would end a run whose write fails, without a message.
constexpr int IGNORED[] = {SIGXFSZ, SIGPIPE};

// Shared with the handler, which may run between any two instructions: the
// name is complete whenever the flag is set.
char s_szName[InterruptCleanup::NAME_SIZE];
volatile sig_atomic_t s_bArmed = 0;
bool s_bAlive = false;
// SIGINT, SIGTERM, SIGHUP, SIGXFSZ and SIGPIPE as they were before.
struct sigaction s_previous[NUM_INTERRUPTS + std::size(IGNORED)];

// Only async-signal-safe calls here. SA_RESETHAND has already put the
// default action back, so the signal raised again ends the process as soon
// as the handler returns, exactly as it would have without the handler.
void RemoveTemporaryAndResignal(int nSignal)
{
    if (s_bArmed != 0)
        ::unlink(s_szName);
    ::raise(nSignal);
}

bool IsIgnored(const struct sigaction& action)
{
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

// Installs the action unless the signal was ignored: a process started with
// SIGHUP ignored (nohup) must not end on SIGHUP now.
void InstallUnlessIgnored(int nSignal, const struct sigaction& action, struct sigaction& previous)
{
    ::sigaction(nSignal, &action, &previous);
    if (IsIgnored(previous))
        ::sigaction(nSignal, &previous, nullptr);
}

struct sigaction CleanupAction()
{
    struct sigaction action = {};
    action.sa_handler = RemoveTemporaryAndResignal;
    // SA_RESETHAND is 0x80000000, beyond int in the header's unsigned form.
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    // One handler at a time; a second interrupt waits and then finds the
    // default action.
    sigemptyset(&action.sa_mask);
    for (const int nSignal : INTERRUPTS)
        sigaddset(&action.sa_mask, nSignal);
    return action;
}

} // namespace

InterruptCleanup::InterruptCleanup()
{
    assert(!s_bAlive);
    s_bAlive = true;
    s_bArmed = 0;
    const struct sigaction action = CleanupAction();
    for (int i = 0; i < NUM_INTERRUPTS; ++i)
        InstallUnlessIgnored(INTERRUPTS[i], action, s_previous[i]);

    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    for (std::size_t i = 0; i < std::size(IGNORED); ++i)
        ::sigaction(IGNORED[i], &ignore, &s_previous[NUM_INTERRUPTS + i]);
}

InterruptCleanup::~InterruptCleanup()
{
    Disarm();
    for (int i = 0; i < NUM_INTERRUPTS; ++i)
        ::sigaction(INTERRUPTS[i], &s_previous[i], nullptr);
    for (std::size_t i = 0; i < std::size(IGNORED); ++i)
        ::sigaction(IGNORED[i], &s_previous[NUM_INTERRUPTS + i], nullptr);
    s_bAlive = false;
}

char* InterruptCleanup::NameBuffer()
{
    assert(s_bArmed == 0);
    return s_szName;
}

const char* InterruptCleanup::Name() const { return s_szName; }

void InterruptCleanup::Arm()
{
    // The name's bytes must be in memory before the flag says they are.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    s_bArmed = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void InterruptCleanup::Disarm()
{
    s_bArmed = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

} // namespace quorlin
