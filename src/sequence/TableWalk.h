// A walk over every entry of a hash table that fetches ahead.
#ifndef CARMASEQ_SEQUENCE_TABLEWALK_H_
#define CARMASEQ_SEQUENCE_TABLEWALK_H_

#include <cstdint>

#include "foundation/Prefetch.h"
#include "sequence/HashtableSQPair.h"

namespace SEQUENCE_NAMESPACE_800 {

// Calls visit(entry) for every entry of table, in the order its iterator gives. The entries lie
// at random places, a miss or two each on a table too large for the caches, which a plain walk
// waits for one after another; this one asks for the chain heads, then their counters, of the
// buckets a few places ahead. visit gets a copy of the entry after the walk has moved past it,
// so it may remove that entry from table, and no other.
template <typename Visit>
void WalkEntries(const HashtableSQPair& table, Visit visit) {
  constexpr std::int32_t kHeadsAhead = 16;
  constexpr std::int32_t kCountersAhead = 8;
  const std::int32_t buckets = table.getCapacity();
  for (std::int32_t b = 0; b < buckets; ++b) {
    if (b + kHeadsAhead < buckets) Prefetch(table.bucketHead(b + kHeadsAhead));
    if (b + kCountersAhead < buckets) {
      const SQCPairNode* head = table.bucketHead(b + kCountersAhead);
      if (head != nullptr) Prefetch(head->value);
    }
    for (const SQCPairNode* node = table.bucketHead(b); node != nullptr;) {
      const ISQCPair entry = *node;
      node = node->next;
      visit(entry);
    }
  }
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_TABLEWALK_H_
