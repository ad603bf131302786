// Turning a key back into its item sets: the one walk over a key's pattern that everything
// reading keys set by set shares, and the counted arrays built on it.
#ifndef CARMASEQ_SEQUENCE_KEYITEMSETS_H_
#define CARMASEQ_SEQUENCE_KEYITEMSETS_H_

#include <cstdint>

#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {

// A run of items held elsewhere: one item set, ascending and duplicate-free.
struct ItemSpan {
  const std::int32_t* items;
  std::int32_t count;
};

// Calls visit(ItemSpan) for each item set of key, in order; the spans point into key. The last
// item always closes a set, so a look-up key longer than the pattern's 32 bits is still walked
// within its items.
template <typename Visit>
void ForEachItemSet(const NTSequence& key, Visit visit) {
  const auto pattern = static_cast<std::uint32_t>(key.getPattern());
  const std::int32_t size = key.size();
  const std::int32_t* items = key.items();
  std::int32_t begin = 0;
  for (std::int32_t p = 0; p < size; ++p) {
    const std::int32_t shift = size - 1 - p;  // item p's end bit
    if (shift == 0 || (shift < 32 && ((pattern >> shift) & 1u) != 0)) {
      visit(ItemSpan{items + begin, p + 1 - begin});
      begin = p + 1;
    }
  }
}

// Lays out key's item sets as counted arrays (element 0 the item count, then the items), the form
// NTSequence(int**, int) and the dictionary's look-ups take: set s starts at sets[s]. Returns the
// number of ints written to buffer.
// REQUIRES: buffer has room for key.size() + key.getNSets() ints, sets for key.getNSets().
inline int WriteCountedSets(const NTSequence& key, int* buffer, int** sets) {
  int at = 0;
  ForEachItemSet(key, [&](ItemSpan set) {
    *sets++ = &buffer[at];
    buffer[at++] = set.count;
    for (std::int32_t i = 0; i < set.count; ++i) buffer[at++] = set.items[i];
  });
  return at;
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_KEYITEMSETS_H_
