#include "export/AddressNumbers.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr std::size_t kMinCapacity = 16;

}  // namespace

void AddressNumbers::Reserve(std::size_t count) {
  std::size_t capacity = kMinCapacity;
  while (capacity < 2 * count) capacity *= 2;
  if (capacity > slots_.size()) Rehash(capacity);
}

void AddressNumbers::Clear() {
  for (Slot& slot : slots_) slot = Slot();
  size_ = 0;
}

// Fibonacci hashing: the top bits of the address times 2^64 / golden ratio. The low bits of an
// address carry little (objects are aligned), the product mixes every bit into the top ones.
std::size_t AddressNumbers::SlotOf(const void* address) const {
  const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address));
  return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> shift_);
}

void AddressNumbers::Set(const void* address, std::int32_t number) {
  if (2 * (size_ + 1) > slots_.size()) Reserve(2 * (size_ + 1));
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = SlotOf(address);; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.address == address) {
      slot.number = number;
      return;
    }
    if (slot.address == nullptr) {
      slot.address = address;
      slot.number = number;
      ++size_;
      return;
    }
  }
}

std::int32_t AddressNumbers::Find(const void* address) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = SlotOf(address);; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.address == address) return slot.number;
    if (slot.address == nullptr) return -1;
  }
}

void AddressNumbers::Rehash(std::size_t capacity) {
  std::vector<Slot> old(capacity);
  old.swap(slots_);
  shift_ = 64;
  for (std::size_t c = capacity; c > 1; c /= 2) --shift_;
  size_ = 0;
  for (const Slot& slot : old) {
    if (slot.address != nullptr) Set(slot.address, slot.number);
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
