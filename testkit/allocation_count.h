#pragma once
// A program that links allocation_count.cpp counts every call of the global
// operator new (and so of new[], and of every standard container's
// allocation): how the benchmarks and the allocation test see that a frame
// allocates nothing.

#include <cstdint>

namespace zorbly::bench {

// Calls of the global operator new since the program started.
std::uint64_t allocationCount();

}  // namespace zorbly::bench
