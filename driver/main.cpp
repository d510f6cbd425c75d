#include "driver.h"

int main(int argc, char** argv) { return RunQuorlin(argc, argv); }
