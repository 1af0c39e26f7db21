#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// A broken invariant ends the run at once, so that the fuzzer keeps the input and the replay names it.
inline void check(bool holds, const char* what, const std::string& about = {}) {
    if (!holds) {
        std::fprintf(stderr, "%s %s\n", what, about.c_str());
        std::abort();
    }
}
