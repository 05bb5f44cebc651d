// What the fuzz targets share: an entry point that libFuzzer drives and the
// replay program feeds with checked-in inputs, and a check that stops the run
// at once, so both see a broken rule as a crash with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace FuzzSupport {

inline void Require(bool holds, const char* rule) {
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\n", rule);
    std::fflush(stderr);
    std::abort();
}

} // namespace FuzzSupport
