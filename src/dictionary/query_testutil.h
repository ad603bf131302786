// Builders for the query tests: dictionaries filled with explicit counts, sequences from vectors.
#ifndef CARMASEQ_DICTIONARY_QUERY_TESTUTIL_H_
#define CARMASEQ_DICTIONARY_QUERY_TESTUTIL_H_

#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// {{1, 2}, {3}} is <(1 2)(3)>.
using SetList = std::vector<std::vector<int>>;

// Stores the sequence with the given count (the dictionary keeps its own counter).
inline void Hold(SequenceDictionary& dictionary, const SetList& sets, int count) {
  std::vector<std::vector<int>> counted;
  std::vector<int*> pointers;
  for (const auto& set : sets) {
    counted.push_back({static_cast<int>(set.size())});
    counted.back().insert(counted.back().end(), set.begin(), set.end());
  }
  for (auto& set : counted) pointers.push_back(set.data());
  SequenceCounter counter(0, count, nullptr);
  dictionary.addSequence(pointers.data(), static_cast<int>(pointers.size()), &counter);
}

// Sets N, the count of the empty sequence.
inline void SetTotal(SequenceDictionary& dictionary, int total) {
  const Sequence empty;
  dictionary.getDescriptor(&empty)->setCount(total);
}

// Set k gets time k.
inline Sequence ToSequence(const SetList& sets) {
  Sequence sequence;
  double time = 0.0;
  for (const auto& items : sets) {
    TimedItemSet set(0, time);
    for (int item : items) set.AddItem(item);
    sequence.AddTimedItemSet(&set);
    time += 1.0;
  }
  return sequence;
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_QUERY_TESTUTIL_H_
