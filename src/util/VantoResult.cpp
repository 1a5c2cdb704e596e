#include "VantoResult.h"

int g_nResult = VANTO_SUCCESS;
