#include "programstack.h"

#include "programarguments.h"
#include "standardstreams.h"

namespace quorlin {

int RunProgram(ProgramMain pfnMain, int argc, char** argv)
{
    SetUpStandardStreams();
    ProgramArguments arguments(argc, argv);
    return RunWithStack(PROGRAM_STACK_BYTES, pfnMain, arguments.Count(), arguments.Values());
}

} // namespace quorlin
