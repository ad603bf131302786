// A compact record of sequences mined depth first, to be replayed later on another thread.
#ifndef CARMASEQ_MINING_MINEDSTREAM_H_
#define CARMASEQ_MINING_MINEDSTREAM_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mining/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {

// Sequences in the order a depth-first search reports them, where every sequence of k > 1 items
// follows its prefix of k - 1 items with no shorter sequence in between. Each is recorded as its
// last growth step (the item, and whether it starts a new item set), its number of items and its
// count: 12 bytes, the rest being the prefix recorded before it. Movable. Not thread-safe.
class MinedStream {
 public:
  // REQUIRES: found follows the order above.
  void Record(const MinedSequence& found);
  // Calls visit(sequence) for each recorded sequence, in order, until visit returns false.
  // Returns false iff it stopped early.
  template <typename Visit>
  bool Replay(Visit visit) const;
  // Forgets every sequence and releases the storage.
  void Release() { std::vector<Step>().swap(steps_); }
  std::size_t size() const { return steps_.size(); }

 private:
  struct Step {
    std::int32_t item;
    std::int32_t count;
    std::uint8_t numItems;
    bool newSet;
  };
  std::vector<Step> steps_;
};

template <typename Visit>
bool MinedStream::Replay(Visit visit) const {
  std::int32_t items[32];
  bool newSet[32];
  std::int32_t setEnds[32];
  for (const Step& step : steps_) {
    const std::int32_t n = step.numItems;
    items[n - 1] = step.item;
    newSet[n - 1] = step.newSet;
    std::int32_t sets = 0;
    for (std::int32_t i = 1; i < n; ++i) {
      if (newSet[i]) setEnds[sets++] = i;
    }
    setEnds[sets++] = n;
    MinedSequence found;
    found.items = items;
    found.setEnds = setEnds;
    found.numItems = n;
    found.numSets = sets;
    found.count = step.count;
    if (!visit(found)) return false;
  }
  return true;
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_MINEDSTREAM_H_
