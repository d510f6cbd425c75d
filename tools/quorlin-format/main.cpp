#include <cstdio>

#include "formattool.h"

int main(int argc, char** argv) { return quorlin::RunFormatTool(argc, argv, stdin, stdout, stderr); }
