#include "foundation/Resident.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace SEQUENCE_NAMESPACE_800 {

void MakeResident(void* address, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  constexpr std::uintptr_t kPage = 4096;
  constexpr std::size_t kWorthAsking = 16 * kPage;
  if (bytes < kWorthAsking) return;
  const auto start = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t begin = (start + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kPage - 1);
  if (end <= begin) return;
  // All of it is backed now anyway, so huge pages cost no memory here and spare most of the
  // work of backing it.
  AdviseHugePages(address, bytes);
  madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)address;
  (void)bytes;
#endif
}

void AdviseHugePages(void* address, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)address;
  (void)bytes;
#endif
}

void* AllocateBacked(std::size_t bytes) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  if (bytes < kHugePage / 2) {
    void* memory = std::malloc(bytes == 0 ? 1 : bytes);
    if (memory != nullptr) MakeResident(memory, bytes);
    return memory;
  }
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, rounded);
  if (memory == nullptr) return nullptr;
  AdviseHugePages(memory, rounded);
  MakeResident(memory, bytes);
  return memory;
}

}  // namespace SEQUENCE_NAMESPACE_800
