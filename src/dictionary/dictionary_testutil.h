// Helpers for the dictionary and export tests: dictionaries filled with explicit counts, counted
// arrays, key and result texts, and brute force over customers given as lists of item sets.
#ifndef CARMASEQ_DICTIONARY_DICTIONARY_TESTUTIL_H_
#define CARMASEQ_DICTIONARY_DICTIONARY_TESTUTIL_H_

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"
#include "sequence/sequence_testutil.h"

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

// The counted-array form of a sequence (element 0 of each set is its item count). Not copyable.
class Counted {
 public:
  explicit Counted(std::initializer_list<std::initializer_list<int>> sets)
      : Counted(SetList(sets.begin(), sets.end())) {}
  explicit Counted(const SetList& sets) {
    for (const auto& set : sets) {
      arrays_.push_back({static_cast<int>(set.size())});
      arrays_.back().insert(arrays_.back().end(), set.begin(), set.end());
    }
    for (auto& array : arrays_) pointers_.push_back(array.data());
  }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  int** sets() { return pointers_.data(); }
  int n() const { return static_cast<int>(pointers_.size()); }

 private:
  std::vector<std::vector<int>> arrays_;
  std::vector<int*> pointers_;
};

inline std::string KeyText(const NTSequence& key) {
  std::unique_ptr<Sequence> sequence(key.createSequence());
  return ToText(*sequence);
}

// The texts of search results; deletes the results.
inline std::multiset<std::string> TakeTexts(std::set<Sequence*>& found) {
  std::multiset<std::string> texts;
  for (Sequence* sequence : found) {
    texts.insert(ToText(*sequence));
    delete sequence;
  }
  found.clear();
  return texts;
}

// The links stored for a held sequence; {-1, -1} alone when it has no link set.
inline std::vector<std::pair<int, int>> Links(SequenceDictionary& dictionary, const SetList& sets) {
  const Sequence sequence = ToSequence(sets);
  const AdjacentItemSet* links = dictionary.getDescriptor(&sequence)->getAdjacentItems();
  if (links == nullptr) return {{-1, -1}};
  return {links->begin(), links->end()};
}

// Whether the first qEnd sets of q lie, in order, each inside its own set among the first sEnd
// sets of s.
inline bool Contains(const SetList& s, size_t sEnd, const SetList& q, size_t qEnd) {
  size_t i = 0;
  for (size_t k = 0; k < sEnd && i < qEnd; ++k) {
    if (std::includes(s[k].begin(), s[k].end(), q[i].begin(), q[i].end())) ++i;
  }
  return i == qEnd;
}

inline int SizeOf(const SetList& s) {
  int size = 0;
  for (const auto& set : s) size += static_cast<int>(set.size());
  return size;
}

// Inserts prefix and its extensions by subsequences of s[from..) of at most maxItems items.
inline void AddSubsequences(const SetList& s, size_t from, int maxItems, SetList& prefix,
                            std::set<SetList>& out) {
  out.insert(prefix);
  for (size_t i = from; i < s.size(); ++i) {
    for (unsigned mask = 1; mask < (1u << s[i].size()); ++mask) {
      prefix.emplace_back();
      for (size_t b = 0; b < s[i].size(); ++b) {
        if (mask & (1u << b)) prefix.back().push_back(s[i][b]);
      }
      if (SizeOf(prefix) <= maxItems) AddSubsequences(s, i + 1, maxItems, prefix, out);
      prefix.pop_back();
    }
  }
}

// The distinct subsequences of s with at most maxItems items, the empty one included.
inline std::set<SetList> SubsequencesOf(const SetList& s, int maxItems = 31) {
  std::set<SetList> out;
  SetList prefix;
  AddSubsequences(s, 0, maxItems, prefix, out);
  return out;
}

// Counts each distinct non-empty subsequence of customer once, as the miner does: a held one
// is incremented, any other stored with count 1.
inline void CountCustomer(SequenceDictionary& dictionary, const SetList& customer) {
  for (const SetList& sub : SubsequencesOf(customer)) {
    if (sub.empty()) continue;
    Counted counted(sub);
    if (dictionary.incrementCount(counted.sets(), counted.n()) == nullptr) Hold(dictionary, sub, 1);
  }
}

inline SetList ToSets(const Sequence& sequence) {
  SetList sets;
  for (int i = 0; i < sequence.Length(); ++i)
    sets.emplace_back(sequence[i].Begin(), sequence[i].End());
  return sets;
}

inline SetList ToSets(const NTSequence& key) {
  std::unique_ptr<Sequence> sequence(key.createSequence());
  return ToSets(*sequence);
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_DICTIONARY_TESTUTIL_H_
