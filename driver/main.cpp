#include "driver.h"

int main(int argc, char** argv) { return quorlin::RunQuorlin(argc, argv); }
