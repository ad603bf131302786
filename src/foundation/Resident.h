// A hint that memory about to be written in full should be backed now.

#ifndef CARMASEQ_FOUNDATION_RESIDENT_H_
#define CARMASEQ_FOUNDATION_RESIDENT_H_

#include <cstddef>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {

// Asks the system to back the whole pages inside [address, address + bytes) at once, so that a
// large array written next does not stop at every page for a fault. Does nothing below a few
// pages or where the system offers no such request; never changes the memory's contents.
void MakeResident(void* address, std::size_t bytes);

// Asks the system to back the 2 MiB-aligned stretches inside [address, address + bytes) with
// huge pages where it can, so that writing a large array costs a fault per 2 MiB instead of one
// per 4 KiB page. For memory that will be written in full, or nearly: a huge page is backed
// whole once touched. Does nothing where the system offers no such request.
void AdviseHugePages(void* address, std::size_t bytes);

// Memory for an array of `bytes` bytes about to be written in full, backed at once: from 1 MiB
// up aligned to 2 MiB, rounded up to it and asked for as huge pages (the rounding costs less
// than the 4 KiB pages would). Release it with std::free. Null when memory runs out.
void* AllocateBacked(std::size_t bytes);

// Reserves room for n elements of v and has it backed at once: for an array written next, in
// full and in order.
template <typename T>
void ReserveBacked(std::vector<T>& v, std::size_t n) {
  v.reserve(n);
  MakeResident(v.data(), n * sizeof(T));
}

// The same, then makes v n elements long (new ones value-initialised).
template <typename T>
void ResizeBacked(std::vector<T>& v, std::size_t n) {
  ReserveBacked(v, n);
  v.resize(n);
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_FOUNDATION_RESIDENT_H_
