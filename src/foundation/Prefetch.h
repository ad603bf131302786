// A hint to the caches to fetch a line before it is read.

#ifndef CARMASEQ_FOUNDATION_PREFETCH_H_
#define CARMASEQ_FOUNDATION_PREFETCH_H_

namespace SEQUENCE_NAMESPACE_800 {

// Asks for the cache line holding address ahead of use; a no-op where the compiler offers no
// hint. Never faults, whatever address is.
inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_FOUNDATION_PREFETCH_H_
