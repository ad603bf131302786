// Replaces the global operator new and delete so that a test can make memory run out after a
// given number of allocations. Include it in exactly one file of a test program.
#ifndef CARMASEQ_FOUNDATION_FAILING_NEW_TESTUTIL_H_
#define CARMASEQ_FOUNDATION_FAILING_NEW_TESTUTIL_H_

#include <cstdlib>
#include <new>

namespace testutil {

// Allocations that may still succeed; negative: never fail.
inline long allocationsLeft = -1;

inline void* Allocate(std::size_t size) {
  if (allocationsLeft == 0) throw std::bad_alloc();
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace testutil

void* operator new(std::size_t size) { return testutil::Allocate(size); }
void* operator new[](std::size_t size) { return testutil::Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

#endif  // CARMASEQ_FOUNDATION_FAILING_NEW_TESTUTIL_H_
