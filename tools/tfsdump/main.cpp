#include <cstdio>

#include "tfsdump.h"

int main(int argc, char** argv) { return RunTfsdump(argc, argv, stdin, stdout, stderr); }
