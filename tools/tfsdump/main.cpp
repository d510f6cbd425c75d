#include <cstdio>

#include "tfsdump.h"

int main(int argc, char** argv) { return quorlin::RunTfsdump(argc, argv, stdin, stdout, stderr); }
