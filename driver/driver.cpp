#include "driver.h"

int RunQuorlin(int, char**)
{
    return 1;
}
