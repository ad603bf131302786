// Numbers looked up by the address of the object they belong to, for the references an export
// writes once per rule or link.
#ifndef CARMASEQ_EXPORT_ADDRESSNUMBERS_H_
#define CARMASEQ_EXPORT_ADDRESSNUMBERS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// An open-addressing hash map from non-null addresses to 32-bit numbers: one array of slots,
// probed linearly, so that a look-up usually costs one cache miss and an insertion no
// allocation. It never holds more than half its slots. Copyable. Not thread-safe.
class CARMASEQ_EXPORT AddressNumbers {
 public:
  AddressNumbers() = default;

  // Makes room for count addresses without growing again. Keeps the entries.
  void Reserve(std::size_t count);
  // Removes every entry; the room stays.
  void Clear();

  // Sets the number of address, adding it when absent. REQUIRES: address not null.
  void Set(const void* address, std::int32_t number);
  // The number of address, or -1 when it has none.
  std::int32_t Find(const void* address) const;

  std::size_t size() const { return size_; }

  // Calls visit(address, number) for every entry, in no particular order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const Slot& slot : slots_) {
      if (slot.address != nullptr) visit(slot.address, slot.number);
    }
  }

 private:
  struct Slot {
    const void* address = nullptr;
    std::int32_t number = 0;
  };

  std::size_t SlotOf(const void* address) const;
  // Rebuilds the slots with capacity slots (a power of two).
  void Rehash(std::size_t capacity);

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
  int shift_ = 64;  // 64 - log2(capacity)
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_ADDRESSNUMBERS_H_
