#include <cstdio>

#include "programstack.h"
#include "tfsdump.h"

namespace {

int RunOnStandardStreams(int argc, char** argv) { return quorlin::RunTfsdump(argc, argv, stdin, stdout, stderr); }

} // namespace

int main(int argc, char** argv) { return quorlin::RunProgram(RunOnStandardStreams, argc, argv); }
