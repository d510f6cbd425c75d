#include "texturescriptcompiler.h"
