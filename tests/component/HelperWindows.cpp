#include "HelperWindows.h"

#include <cstdio>

std::string UniqueTag()
{
    char tag[32];
    snprintf(tag, sizeof(tag), "vbt%lu", GetCurrentProcessId());
    return tag;
}
