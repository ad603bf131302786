// A hint that memory about to be written in full should be backed now.

#ifndef CARMASEQ_FOUNDATION_RESIDENT_H_
#define CARMASEQ_FOUNDATION_RESIDENT_H_

#include <cstddef>

namespace SEQUENCE_NAMESPACE_800 {

// Asks the system to back the whole pages inside [address, address + bytes) at once, so that a
// large array written next does not stop at every page for a fault. Does nothing below a few
// pages or where the system offers no such request; never changes the memory's contents.
void MakeResident(void* address, std::size_t bytes);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_FOUNDATION_RESIDENT_H_
