// Where RunWithStack runs a program: on the calling thread when the stack
// limit (ulimit -s) lets the process's own stack grow far enough or no
// thread can be made, else on a thread of its own that sees the caller's
// signal mask, which the caller gets back.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdlib>

#include "programstack.h"
#include "sanitizedbuild.h"

namespace quorlin {
namespace {

// The thread that ran the program, and whether it had SIGUSR1 blocked.
pthread_t s_runner;
bool s_bUserSignalBlocked = false;

int RecordRunner(int argc, char**)
{
    s_runner = ::pthread_self();
    sigset_t mask;
    ::pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    s_bUserSignalBlocked = sigismember(&mask, SIGUSR1) == 1;
    return argc + 40;
}

bool RanHere() { return ::pthread_equal(s_runner, ::pthread_self()) != 0; }

class ProgramStackTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::getrlimit(RLIMIT_STACK, &m_saved), 0); }
    void TearDown() override { ::setrlimit(RLIMIT_STACK, &m_saved); }

    // Sets the limit the process's own stack may grow to; false when the
    // hard limit forbids it.
    bool LimitStack(rlim_t nBytes) const
    {
        struct rlimit limit = m_saved;
        limit.rlim_cur = nBytes;
        return ::setrlimit(RLIMIT_STACK, &limit) == 0;
    }

    struct rlimit m_saved = {};
};

TEST_F(ProgramStackTest, SmallStackLimitGetsAThreadWithTheCallersSignalMask)
{
    if (!LimitStack(rlim_t{1} << 20))
        GTEST_SKIP() << "the stack limit cannot be lowered";
    sigset_t userSignal;
    sigemptyset(&userSignal);
    sigaddset(&userSignal, SIGUSR1);
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &userSignal, &before);
    EXPECT_EQ(RunWithStack(PROGRAM_STACK_BYTES, RecordRunner, 2, nullptr), 42);
    sigset_t after;
    ::pthread_sigmask(SIG_SETMASK, &before, &after);
    EXPECT_FALSE(RanHere());
    EXPECT_TRUE(s_bUserSignalBlocked);
    EXPECT_EQ(sigismember(&after, SIGUSR1), 1);
    EXPECT_EQ(sigismember(&after, SIGTERM), 0);
}

TEST_F(ProgramStackTest, StackThatMayGrowFarEnoughNeedsNoThread)
{
    ASSERT_TRUE(LimitStack(PROGRAM_STACK_BYTES / 2));
    EXPECT_EQ(RunWithStack(PROGRAM_STACK_BYTES, RecordRunner, 1, nullptr), 41);
    EXPECT_TRUE(RanHere());
    if (m_saved.rlim_max != RLIM_INFINITY)
        GTEST_SKIP() << "the stack limit cannot be lifted";
    ASSERT_TRUE(LimitStack(RLIM_INFINITY));
    EXPECT_EQ(RunWithStack(std::size_t{1} << 40, RecordRunner, 0, nullptr), 40);
    EXPECT_TRUE(RanHere());
}

TEST_F(ProgramStackTest, StackThatCannotBeMadeLeavesTheProgramHere)
{
#ifdef QUORLIN_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizer's thread creation does not fail quietly";
#endif
    if (!LimitStack(rlim_t{1} << 20))
        GTEST_SKIP() << "the stack limit cannot be lowered";
    // More than the address space holds.
    EXPECT_EQ(RunWithStack(std::size_t{1} << 62, RecordRunner, 3, nullptr), 43);
    EXPECT_TRUE(RanHere());
}

// A stack smaller than any thread may have leaves the program here too. The
// limit is lowered in a child: the test's own stack could not grow under it.
TEST_F(ProgramStackTest, StackSmallerThanAnyThreadsLeavesTheProgramHere)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!LimitStack(1024))
            std::exit(125);
        std::exit(RunWithStack(4096, RecordRunner, 0, nullptr) == 40 && RanHere() ? 0 : 1);
    }
    int nWaitStatus = 0;
    ::waitpid(pid, &nWaitStatus, 0);
    ASSERT_TRUE(WIFEXITED(nWaitStatus));
    if (WEXITSTATUS(nWaitStatus) == 125)
        GTEST_SKIP() << "the stack limit cannot be lowered";
    EXPECT_EQ(WEXITSTATUS(nWaitStatus), 0);
}

} // namespace
} // namespace quorlin
