#pragma once
// The harnesses' property checks: a broken property ends the run the way a crash does, so the
// fuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace dovrix::fuzz {

inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

} // namespace dovrix::fuzz
