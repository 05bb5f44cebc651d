// Counts the heap of this test program: every operator new and delete goes
// through a counter, so a test can see how much memory an operation held at
// its peak and the largest single block it asked for.
#pragma once

#include <cstddef>

namespace AllocationCounter {

struct TUsage {
    size_t Live;    // bytes held now
    size_t Peak;    // most bytes held at once since the last Reset
    size_t Largest; // largest single block since the last Reset
};

TUsage Usage();
// Starts a new peak and largest block from what is held now.
void Reset();

} // namespace AllocationCounter
