#pragma once
// A program that calls allocationCount() takes the kit's allocation_count.cpp
// in, and with it a global operator new that counts every call (and so
// new[], and every standard container's allocation): how the benchmarks and
// the allocation test see that a frame allocates nothing. A program that
// never calls it keeps the usual operator new.

#include <cstdint>

namespace zorbly::testing {

// Calls of the global operator new since the program started.
std::uint64_t allocationCount();

}  // namespace zorbly::testing
