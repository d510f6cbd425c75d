#include "tfsc.h"

int main(int argc, char** argv) { return quorlin::RunTfsc(argc, argv); }
