#pragma once
// A broken property in a fuzz target: say which and abort, so the fuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

namespace kvo::fuzz {

inline void Require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", property);
        std::abort();
    }
}

}  // namespace kvo::fuzz
