// The global operator new and delete, replaced by the same thing with a count.
// In a file of their own, so that the compiler never inlines them next to a
// new-expression it then thinks mismatched.

#include "testkit/allocation_count.h"

#include <cstdlib>
#include <new>

namespace {
std::uint64_t allocations = 0;
}  // namespace

std::uint64_t zorbly::testing::allocationCount() { return allocations; }

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
