// A compact list of sequences with counts: what partitioned mining passes between its steps and
// what a dictionary is filled from.
#ifndef CARMASEQ_MINING_PATTERNLIST_H_
#define CARMASEQ_MINING_PATTERNLIST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Visibility.h"
#include "mining/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {

// Sequences of item sets, each with a 64-bit count, stored in flat arrays (a few bytes per item).
// A sequence is given as its items, set after set, each set ascending and duplicate-free, and the
// end of each set (one past its last item, counted from the sequence's first item).
//
// The canonical order is MiningOrder (mining/SequenceMiner.h), the order in which the miner
// reports sequences and so fills a dictionary's tables: sorted into it, any list of held
// sequences (partitioned mining's union, patterns mined elsewhere) fills a dictionary exactly as
// mining does.
//
// Not thread-safe; copyable and movable.
class CARMASEQ_MINING_EXPORT PatternList {
 public:
  // Appends one sequence. REQUIRES: numSets >= 0, setEnds ascending, setEnds[numSets-1] the
  // number of items; each set ascending.
  void Add(const std::int32_t* items, const std::int32_t* setEnds, std::int32_t numSets,
           std::int64_t count);
  void Add(const MinedSequence& sequence) {
    Add(sequence.items, sequence.setEnds, sequence.numSets, sequence.count);
  }
  // Appends sequence i of other.
  void AddFrom(const PatternList& other, std::size_t i);

  std::size_t size() const { return counts_.size(); }
  bool empty() const { return counts_.empty(); }
  void Clear();
  void Reserve(std::size_t sequences, std::size_t items);

  // The sequence at i as the miner reports one (count saturated to 32 bits); the arrays point
  // into the list and stay valid until it changes. REQUIRES: i < size().
  MinedSequence Get(std::size_t i) const;
  std::int32_t NumItems(std::size_t i) const {
    return static_cast<std::int32_t>(itemBegin_[i + 1] - itemBegin_[i]);
  }
  std::int64_t count(std::size_t i) const { return counts_[i]; }
  void set_count(std::size_t i, std::int64_t count) { counts_[i] = count; }

  // Sorts into the canonical order. With mergeDuplicates, equal sequences become one whose count
  // is the sum of theirs; without, the list must hold no duplicates.
  void SortCanonical(bool mergeDuplicates);
  // Returns true iff every sequence precedes the next in the canonical order (so none repeats).
  bool IsCanonical() const;
  // Returns true iff sequence i precedes sequence j in the canonical order.
  bool CanonicalLess(std::size_t i, std::size_t j) const;
  // Returns true iff sequences i and j have the same item sets.
  bool SameSequence(std::size_t i, std::size_t j) const;

  // "(1 2)(3)": for messages.
  std::string Text(std::size_t i) const;

 private:
  std::vector<std::int32_t> items_;
  std::vector<std::int32_t> setEnds_;
  std::vector<std::uint64_t> itemBegin_{0};  // size() + 1 offsets into items_
  std::vector<std::uint64_t> setBegin_{0};   // size() + 1 offsets into setEnds_
  std::vector<std::int64_t> counts_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_PATTERNLIST_H_
