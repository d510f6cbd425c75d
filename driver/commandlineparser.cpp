#include "commandlineparser.h"
