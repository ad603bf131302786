// Randomised checks of the searches and the subsequence walk over a built lattice, against brute
// force on small dictionaries pruned by minimum count (so every parent of a held sequence is held).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::SetList;
using Found = std::multiset<SetList>;
using testutil::Contains;
using testutil::ToSets;

bool Includes(const std::vector<int>& outer, const std::vector<int>& inner) {
  return std::includes(outer.begin(), outer.end(), inner.begin(), inner.end());
}

// Each set of q inside the set of s at the same place counted from `offset`.
bool ContainsAt(const SetList& s, const SetList& q, size_t offset) {
  for (size_t i = 0; i < q.size(); ++i) {
    if (!Includes(s[offset + i], q[i])) return false;
  }
  return true;
}

class DictionaryPropertyTest : public testing::Test {
 protected:
  int Random(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  SetList RandomSequence(int maxSets, int maxItemsPerSet) {
    SetList sets(static_cast<size_t>(Random(1, maxSets)));
    for (auto& set : sets) {
      for (int i = Random(1, maxItemsPerSet); i > 0; --i) set.push_back(Random(0, 5));
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
    }
    return sets;
  }

  // The items 0..7 shuffled and cut into sets (6 and 7 are never held): no item repeats.
  SetList DistinctHistory() {
    std::vector<int> items = {0, 1, 2, 3, 4, 5, 6, 7};
    std::shuffle(items.begin(), items.end(), random_);
    SetList sets(1);
    for (int item : items) {
      if (!sets.back().empty() && Random(0, 2) == 0) sets.emplace_back();
      sets.back().insert(std::upper_bound(sets.back().begin(), sets.back().end(), item), item);
    }
    return sets;
  }

  // Counts every distinct subsequence of each customer once, then prunes by minimum count.
  void Fill(int levels, int customers, int minCount) {
    dictionary_ = std::make_unique<SequenceDictionary>(levels);
    testutil::SetTotal(*dictionary_, customers);
    for (int c = 0; c < customers; ++c) testutil::CountCustomer(*dictionary_, RandomSequence(4, 2));
    dictionary_->reduceAll(minCount);
    held_.clear();
    for (int level = 0; level < levels; ++level) {
      const HashtableSQPair* table = dictionary_->getLevelTable(level);
      for (auto it = table->begin(); it != table->end(); ++it) {
        held_[ToSets(*it->key)] = it->value->getCount();
      }
    }
  }

  void CheckSearches(const SetList& query, int minCount, int maxCount) {
    const Sequence sequence = testutil::ToSequence(query);
    const auto start = held_.find(query);
    const bool starts = start != held_.end() && start->second >= minCount;
    for (int variant = 0; variant < 3; ++variant) {
      Found expected, actual;
      for (const auto& [sets, count] : held_) {
        if (!starts || count < minCount || count > maxCount || sets.size() < query.size()) {
          continue;
        }
        if (variant == 0 ? Contains(sets, sets.size(), query, query.size())
                         : ContainsAt(sets, query, variant == 1 ? 0 : sets.size() - query.size())) {
          expected.insert(sets);
        }
      }
      std::set<Sequence*> results;
      const auto status =
          variant == 0 ? dictionary_->FindSequences(&sequence, results, minCount, maxCount)
          : variant == 1
              ? dictionary_->FindSequencesBeginning(&sequence, results, minCount, maxCount)
              : dictionary_->FindSequencesEnding(&sequence, results, minCount, maxCount);
      EXPECT_TRUE(status.IsOK());
      for (Sequence* result : results) {
        actual.insert(ToSets(NTSequence(result)));
        delete result;
      }
      EXPECT_EQ(expected, actual) << "variant " << variant;
    }
  }

  // Sound and duplicate-free always; complete when no item repeats across the history's sets
  // (every fit is then the latest one) and the lattice is deeper than two levels.
  void CheckWalk(const SetList& history, int skipLast) {
    const Sequence sequence = testutil::ToSequence(history);
    std::vector<NTSequence*> keys;
    ASSERT_TRUE(dictionary_->getSubsequencesInSequence(keys, &sequence, skipLast).IsOK());
    Found actual, occurring, newestItems;
    for (NTSequence* key : keys) {
      actual.insert(ToSets(*key));
      delete key;
    }
    const int m = static_cast<int>(history.size()) - skipLast;
    std::vector<int> items;
    for (int i = 0; i < m; ++i) items.insert(items.end(), history[i].begin(), history[i].end());
    for (const auto& entry : held_) {
      const SetList& s = entry.first;
      if (m >= 1 && !s.empty() && Includes(history[m - 1], s.back()) &&
          Contains(history, static_cast<size_t>(m - 1), s, s.size() - 1)) {
        occurring.insert(s);
        if (s.size() == 1 && s[0].size() == 1) newestItems.insert(s);
      }
    }
    for (const SetList& s : actual) {
      EXPECT_EQ(1u, actual.count(s));
      EXPECT_EQ(1u, occurring.count(s)) << "held and occurring, ending in the newest set";
    }
    std::sort(items.begin(), items.end());
    if (dictionary_->LargestSequence() <= 2) {
      EXPECT_EQ(newestItems, actual) << "a shallow lattice gives the newest frequent items";
    } else if (std::adjacent_find(items.begin(), items.end()) == items.end()) {
      EXPECT_EQ(occurring, actual);
    }
  }

  std::mt19937 random_{20240611};
  std::unique_ptr<SequenceDictionary> dictionary_;
  std::map<SetList, int> held_;
};

TEST_F(DictionaryPropertyTest, LatticeSearchesAndWalkAgreeWithBruteForce) {
  for (int trial = 0; trial < 24; ++trial) {
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    Fill(3 + trial % 5, 40, 2 + trial % 3);
    ASSERT_TRUE(dictionary_->buildLattice().IsOK());
    std::vector<SetList> queries = {{}};
    for (const auto& entry : held_) queries.push_back(entry.first);
    for (int i = 0; i < 10; ++i) queries.push_back(RandomSequence(3, 3));
    for (const SetList& query : queries) {
      const int low = Random(0, 6);
      CheckSearches(query, low, low + Random(0, 30));
    }
    for (int i = 0; i < 40; ++i) {
      CheckWalk(i % 2 == 0 ? DistinctHistory() : RandomSequence(6, 3), Random(0, 2));
    }
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
