#include <csignal>

#include "tfsc.h"

int main(int argc, char** argv)
{
    // A write beyond the file-size limit is an ordinary failed write, which
    // leaves the previous output as it was, as in quorlin.
    std::signal(SIGXFSZ, SIG_IGN);
    return quorlin::RunTfsc(argc, argv);
}
