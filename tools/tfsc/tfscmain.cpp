#include "programstack.h"
#include "standardstreams.h"
#include "tfsc.h"

int main(int argc, char** argv)
{
    // A write beyond the file-size limit is an ordinary failed write, which
    // leaves the previous output as it was, as in quorlin.
    quorlin::IgnoreFileSizeSignal();
    return quorlin::RunProgram(quorlin::RunTfsc, argc, argv);
}
