#include <cstdio>

#include "formattool.h"
#include "programstack.h"

namespace {

int RunOnStandardStreams(int argc, char** argv) { return quorlin::RunFormatTool(argc, argv, stdin, stdout, stderr); }

} // namespace

int main(int argc, char** argv) { return quorlin::RunProgram(RunOnStandardStreams, argc, argv); }
