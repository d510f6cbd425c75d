#include "driver.h"
#include "programstack.h"
#include "standardstreams.h"

int main(int argc, char** argv)
{
    // A write beyond the file-size limit must fail like any other write, the
    // lines on standard output included, instead of killing the run.
    quorlin::IgnoreFileSizeSignal();
    return quorlin::RunProgram(quorlin::RunQuorlin, argc, argv);
}
