#include <csignal>

#include "driver.h"

int main(int argc, char** argv)
{
    // A write beyond the file-size limit must fail like any other write, the
    // lines on standard output included, instead of killing the run.
    std::signal(SIGXFSZ, SIG_IGN);
    return quorlin::RunQuorlin(argc, argv);
}
