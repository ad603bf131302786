// Helpers for the dictionary, lattice and search tests: counted arrays, key and result texts.
#ifndef CARMASEQ_DICTIONARY_DICTIONARY_TESTUTIL_H_
#define CARMASEQ_DICTIONARY_DICTIONARY_TESTUTIL_H_

#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/query_testutil.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

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

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_DICTIONARY_TESTUTIL_H_
