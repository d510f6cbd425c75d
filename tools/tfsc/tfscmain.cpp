#include <csignal>

#include "programstack.h"
#include "tfsc.h"

int main(int argc, char** argv)
{
    // A write beyond the file-size limit is an ordinary failed write, which
    // leaves the previous output as it was, as in quorlin.
    std::signal(SIGXFSZ, SIG_IGN);
    return quorlin::RunWithStack(quorlin::PROGRAM_STACK_BYTES, quorlin::RunTfsc, argc, argv);
}
