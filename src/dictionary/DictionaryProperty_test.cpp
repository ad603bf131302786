// Randomised checks of the lattice, the searches and the subsequence walk against brute force on
// small dictionaries pruned by minimum count (so every parent of a held sequence is held).
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

bool Includes(const std::vector<int>& outer, const std::vector<int>& inner) {
  return std::includes(outer.begin(), outer.end(), inner.begin(), inner.end());
}

// Each set of q inside its own set of s, in order (the earliest fit is as good as any).
bool ContainsAnywhere(const SetList& s, const SetList& q, size_t sEnd) {
  size_t i = 0;
  for (size_t k = 0; k < sEnd && i < q.size(); ++k) i += Includes(s[k], q[i]) ? 1 : 0;
  return i == q.size();
}

bool ContainsAt(const SetList& s, const SetList& q, size_t offset) {
  for (size_t i = 0; i < q.size(); ++i) {
    if (!Includes(s[offset + i], q[i])) return false;
  }
  return true;
}

SetList ToSets(const NTSequence& key) {
  std::unique_ptr<Sequence> sequence(key.createSequence());
  SetList sets;
  for (int i = 0; i < sequence->Length(); ++i) {
    sets.emplace_back((*sequence)[i].Begin(), (*sequence)[i].End());
  }
  return sets;
}

class DictionaryPropertyTest : public testing::Test {
 protected:
  SetList RandomSequence(int maxSets, int alphabet, int maxItemsPerSet = 3) {
    SetList sets(std::uniform_int_distribution<int>(1, maxSets)(random_));
    for (auto& set : sets) {
      const int items = std::uniform_int_distribution<int>(1, maxItemsPerSet)(random_);
      for (int i = 0; i < items; ++i) set.push_back(Item(alphabet));
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
    }
    return sets;
  }
  int Item(int alphabet) { return std::uniform_int_distribution<int>(0, alphabet - 1)(random_); }
  // The items 0..7 shuffled and cut into sets: no item repeats.
  SetList DistinctHistory() {
    std::vector<int> items = {0, 1, 2, 3, 4, 5, 6, 7};
    std::shuffle(items.begin(), items.end(), random_);
    SetList sets(1);
    for (int item : items) {
      if (!sets.back().empty() && Item(3) == 0) sets.emplace_back();
      sets.back().push_back(item);
    }
    for (auto& set : sets) std::sort(set.begin(), set.end());
    return sets;
  }

  // Counts every distinct subsequence of each customer once, then prunes by minimum count.
  void Fill(int levels, int customers, int minCount) {
    dictionary_ = std::make_unique<SequenceDictionary>(levels);
    testutil::SetTotal(*dictionary_, customers);
    for (int c = 0; c < customers; ++c) {
      const SetList customer = RandomSequence(4, 6, 2);
      std::vector<std::pair<int, int>> flat;  // (set index, item)
      for (size_t s = 0; s < customer.size(); ++s) {
        for (int item : customer[s]) flat.emplace_back(static_cast<int>(s), item);
      }
      std::set<SetList> distinct;
      for (unsigned mask = 1; mask < (1u << flat.size()); ++mask) {
        std::map<int, std::vector<int>> bySet;
        for (size_t i = 0; i < flat.size(); ++i) {
          if (mask & (1u << i)) bySet[flat[i].first].push_back(flat[i].second);
        }
        SetList sub;
        for (auto& entry : bySet) sub.push_back(entry.second);
        distinct.insert(sub);
      }
      for (const SetList& sub : distinct) {
        testutil::Counted counted(sub);
        if (dictionary_->incrementCount(counted.sets(), counted.n()) == nullptr) {
          testutil::Hold(*dictionary_, sub, 1);
        }
      }
    }
    dictionary_->reduceAll(minCount);
    held_.clear();
    for (int level = 0; level < levels; ++level) {
      const HashtableSQPair* table = dictionary_->getLevelTable(level);
      for (auto it = table->begin(); it != table->end(); ++it) {
        held_[ToSets(*it->key)] = it->value->getCount();
      }
    }
  }

  void CheckLinks() {
    size_t links = 0, items = 0;
    const int top = dictionary_->LargestSequence();
    for (int level = 0; level <= top; ++level) {
      const HashtableSQPair* table = dictionary_->getLevelTable(level);
      for (auto it = table->begin(); it != table->end(); ++it) {
        items += static_cast<size_t>(level);
        for (const auto& [item, position] : *it->value->getAdjacentItems()) {
          ++links;
          EXPECT_EQ(1u, held_.count(ToSets(NTSequence(*it->key, item, position))));
        }
      }
    }
    EXPECT_EQ(items, links) << "each held sequence hangs under each of its parents";
  }

  void CheckSearches(const SetList& query, int minCount, int maxCount) {
    const Sequence sequence = testutil::ToSequence(query);
    const auto found = held_.find(query);
    const bool starts = found != held_.end() && found->second >= minCount;
    for (int variant = 0; variant < 3; ++variant) {
      std::multiset<SetList> expected;
      for (const auto& [sets, count] : held_) {
        if (!starts || count < minCount || count > maxCount || sets.size() < query.size()) {
          continue;
        }
        const bool contained = variant == 0   ? ContainsAnywhere(sets, query, sets.size())
                               : variant == 1 ? ContainsAt(sets, query, 0)
                                              : ContainsAt(sets, query, sets.size() - query.size());
        if (contained) expected.insert(sets);
      }
      std::set<Sequence*> results;
      if (variant == 0) dictionary_->FindSequences(&sequence, results, minCount, maxCount);
      if (variant == 1) dictionary_->FindSequencesBeginning(&sequence, results, minCount, maxCount);
      if (variant == 2) dictionary_->FindSequencesEnding(&sequence, results, minCount, maxCount);
      std::multiset<SetList> actual;
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
    std::multiset<SetList> actual;
    for (NTSequence* key : keys) {
      actual.insert(ToSets(*key));
      delete key;
    }
    const int m = static_cast<int>(history.size()) - skipLast;
    std::multiset<SetList> occurring;
    for (const auto& entry : held_) {
      const SetList& s = entry.first;
      if (m >= 1 && !s.empty() && Includes(history[m - 1], s.back()) &&
          ContainsAnywhere(history, SetList(s.begin(), s.end() - 1), m - 1)) {
        occurring.insert(s);
      }
    }
    for (const SetList& s : actual) {
      EXPECT_EQ(1u, actual.count(s));
      EXPECT_EQ(1u, occurring.count(s)) << "held and occurring, ending in the newest set";
    }
    std::multiset<int> items;
    for (int i = 0; i < m; ++i) items.insert(history[i].begin(), history[i].end());
    const bool distinct = std::set<int>(items.begin(), items.end()).size() == items.size();
    if (dictionary_->LargestSequence() <= 2) {
      std::multiset<SetList> expected;
      for (int item : m >= 1 ? history[m - 1] : std::vector<int>{}) {
        const SetList single = {std::vector<int>{item}};
        if (held_.count(single) != 0) expected.insert(single);
      }
      EXPECT_EQ(expected, actual) << "a shallow lattice gives the newest frequent items";
    } else if (distinct) {
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
    const int levels = 3 + trial % 5;
    Fill(levels, 40, 2 + trial % 3);
    ASSERT_TRUE(dictionary_->buildLattice().IsOK());
    CheckLinks();
    std::vector<SetList> queries = {{}};
    for (const auto& entry : held_) queries.push_back(entry.first);
    for (int i = 0; i < 10; ++i) queries.push_back(RandomSequence(3, 6));
    for (const SetList& query : queries) {
      const int low = std::uniform_int_distribution<int>(0, 6)(random_);
      CheckSearches(query, low, low + std::uniform_int_distribution<int>(0, 30)(random_));
    }
    for (int i = 0; i < 40; ++i) {
      const SetList history = i % 2 == 0 ? DistinctHistory() : RandomSequence(6, 6);
      CheckWalk(history, std::uniform_int_distribution<int>(0, 2)(random_));
    }
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
