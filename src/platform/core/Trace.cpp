#include "platform/core/Trace.h"

#include <cstdarg>
#include <cstdio>

void trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}
