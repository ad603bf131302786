#include "sequence/EntryPool.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "foundation/Resident.h"

namespace SEQUENCE_NAMESPACE_800 {

void* EntryPool::Allocate(std::size_t bytes) {
  const std::size_t sizeClass = ClassOf(bytes);
  if (FreeBlock* block = free_[sizeClass]) {
    free_[sizeClass] = block->next;
    return block;
  }
  const std::size_t rounded = sizeClass * kAlign;
  if (static_cast<std::size_t>(limit_ - cursor_) < rounded) {
    // The rest of the newest slab (less than one block) is left unused.
    const std::size_t slabBytes = nextSlab_;
    char* memory = static_cast<char*>(::operator new(slabBytes));
    Slab* slab = reinterpret_cast<Slab*>(memory);
    slab->next = slabs_;
    slabs_ = slab;
    // The header takes kAlign bytes, so blocks stay aligned.
    static_assert(sizeof(Slab) <= kAlign, "slab header");
    cursor_ = memory + kAlign;
    limit_ = memory + slabBytes;
    backed_ = memory;
    if (nextSlab_ < kLastSlab) nextSlab_ *= 2;
  }
  void* block = cursor_;
  cursor_ += rounded;
  if (cursor_ > backed_) BackAhead();
  return block;
}

void EntryPool::BackAhead() {
  constexpr std::uintptr_t kPage = 4096;
  const auto ahead = (reinterpret_cast<std::uintptr_t>(cursor_) + kBackedAhead) & ~(kPage - 1);
  char* const end = std::min(limit_, reinterpret_cast<char*>(ahead));
  MakeResident(backed_, static_cast<std::size_t>(end - backed_));
  backed_ = end;
}

void EntryPool::Free(void* block, std::size_t bytes) {
  const std::size_t sizeClass = ClassOf(bytes);
  FreeBlock* freed = static_cast<FreeBlock*>(block);
  freed->next = free_[sizeClass];
  free_[sizeClass] = freed;
}

void EntryPool::Release() {
  while (slabs_ != nullptr) {
    Slab* next = slabs_->next;
    ::operator delete(slabs_);
    slabs_ = next;
  }
  for (FreeBlock*& head : free_) head = nullptr;
  cursor_ = limit_ = backed_ = nullptr;
  nextSlab_ = kFirstSlab;
}

}  // namespace SEQUENCE_NAMESPACE_800
