#include <csignal>

#include "driver.h"
#include "programstack.h"

int main(int argc, char** argv)
{
    // A write beyond the file-size limit must fail like any other write, the
    // lines on standard output included, instead of killing the run.
    std::signal(SIGXFSZ, SIG_IGN);
    return quorlin::RunWithStack(quorlin::PROGRAM_STACK_BYTES, quorlin::RunQuorlin, argc, argv);
}
