// The checks a restored dictionary passes before the engine may use it: the shape of every key,
// settings a dictionary can be created from, and level tables that hold keys of their own size
// with links the lattice walk can follow. Header-only; used by both persistence forms.
#ifndef CARMASEQ_PERSIST_RESTORECHECK_H_
#define CARMASEQ_PERSIST_RESTORECHECK_H_

#include <cstdint>

#include "dictionary/SeqDictionarySettings.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace persist {

// The most items a stored key holds: its pattern keeps one bit per item in 31 bits.
inline constexpr std::int32_t kMaxKeyItems = 31;
// The most levels a dictionary has: level 0 and one per possible key size.
inline constexpr std::int32_t kMaxLevels = kMaxKeyItems + 1;
// The most buckets all initial tables of a restored dictionary may have together (32 MiB of
// chain heads). Tables grow as entries arrive, so this bounds only what an untrusted header can
// make the reader allocate up front.
inline constexpr std::int64_t kMaxRestoredBuckets = std::int64_t{1} << 22;

// Returns true iff the three stored numbers describe a key: at most kMaxKeyItems items; empty
// with pattern 0 and no sets, or with an odd pattern that has no bit above the items and one bit
// per set.
inline bool ValidKeyShape(std::int32_t pattern, std::int32_t size, std::int32_t nSets) {
  if (size < 0 || size > kMaxKeyItems) return false;
  if (size == 0) return pattern == 0 && nSets == 0;
  const std::uint32_t bits = static_cast<std::uint32_t>(pattern);
  if ((bits & 1u) == 0 || (bits >> size) != 0) return false;
  int ones = 0;
  for (std::uint32_t b = bits; b != 0; b &= b - 1) ++ones;
  return ones == nSets;
}

// Returns true iff a dictionary can be created from settings: 1 to kMaxLevels levels, a positive
// initial size for every level it creates, and at most kMaxRestoredBuckets buckets in all.
inline bool RestorableSettings(const SeqDictionarySettings& settings) {
  if (settings.numberOfLevels < 1 || settings.numberOfLevels > kMaxLevels) return false;
  std::int64_t buckets = 0;
  for (int level = 0; level < settings.numberOfLevels; ++level) {
    const std::int32_t size = settings.tableSizeOfLevel(level);
    if (size < 1) return false;
    buckets += size;
  }
  return buckets <= kMaxRestoredBuckets;
}

// Returns true iff position is a slot of the one-item extension of a key with nSets sets: an odd
// slot 2k+1 (a new set k) for k from 0 to nSets, or an even slot 2k (into set k) for k below
// nSets.
inline bool ValidSlot(std::int32_t position, std::int32_t nSets) {
  if (position < 0) return false;
  const std::int64_t k = position / 2;
  return position % 2 == 1 ? k <= nSets : k < nSets;
}

// Returns true iff every key of table has `level` items and every link of its counters is a
// valid slot of that key.
inline bool ConsistentLevel(const HashtableSQPair& table, int level) {
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it->key->size() != level) return false;
    const AdjacentItemSet* links = it->value != nullptr ? it->value->getAdjacentItems() : nullptr;
    if (links == nullptr) continue;
    for (const auto& link : *links) {
      if (!ValidSlot(link.second, it->key->getNSets())) return false;
    }
  }
  return true;
}

}  // namespace persist
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_RESTORECHECK_H_
