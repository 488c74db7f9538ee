#include "common/Check.h"

#include <cstdio>
#include <cstdlib>

void checkFailed(const char* file, int line, const char* function, const char* condition,
                 const char* why) {
    std::fprintf(stderr, "%s:%d: %s: check `%s' failed: %s\n", file, line, function, condition,
                 why);
    std::fflush(stderr);
    std::abort();
}
