// Bounds recursive algorithms by the C stack they actually use, which is
// what can run out (frame sizes differ a lot between optimised and
// sanitizer builds, so counting levels alone is not enough).
#pragma once
#include <cstddef>

struct SQStackProbe {
    const char *base = nullptr;
    void start() { base = static_cast<const char *>(__builtin_frame_address(0)); }
    // The stack grows downwards on the machines we build for.
    bool exceeded(size_t limit) const {
        const char *here = static_cast<const char *>(__builtin_frame_address(0));
        return base && here < base && (size_t)(base - here) > limit;
    }
};
