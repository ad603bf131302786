#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "sequence/NTSequence.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Counted;
using testutil::Links;
using testutil::SetList;
using LinkList = std::vector<std::pair<int, int>>;
using Texts = std::vector<std::string>;

class LatticeTest : public testing::Test {
 protected:
  void HoldAll(const std::vector<SetList>& sequences) {
    for (const auto& sets : sequences) testutil::Hold(dictionary_, sets, 3);
  }
  // The texts of getSubsequencesInSequence's result, in order.
  Texts Subsequences(const SetList& query, int skipLast = 0) {
    const Sequence sequence = testutil::ToSequence(query);
    std::vector<NTSequence*> result;
    EXPECT_TRUE(dictionary_.getSubsequencesInSequence(result, &sequence, skipLast).IsOK());
    Texts texts;
    for (NTSequence* key : result) {
      texts.push_back(testutil::KeyText(*key));
      delete key;
    }
    return texts;
  }

  SequenceDictionary dictionary_{10};
};

TEST_F(LatticeTest, PositionsNameTheSlotThatRebuildsTheChild) {
  HoldAll({{{1}},
           {{2}},
           {{3}},
           {{4}},
           {{1, 2}},
           {{1}, {2}},
           {{2, 3}, {4}},
           {{1}, {3}, {4}},
           {{1}, {2}, {4}},
           {{1}, {2, 3}},
           {{1}, {2, 3}, {4}}});
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ((LinkList{{1, 1}, {2, 1}, {3, 1}, {4, 1}}), Links(dictionary_, {}));
  EXPECT_EQ((LinkList{{2, 0}, {2, 3}}), Links(dictionary_, {{1}}));
  EXPECT_EQ((LinkList{{1, 0}, {1, 1}}), Links(dictionary_, {{2}}));
  EXPECT_EQ((LinkList{{1, 1}}), Links(dictionary_, {{2, 3}, {4}}));
  EXPECT_EQ((LinkList{{2, 2}}), Links(dictionary_, {{1}, {3}, {4}}));
  EXPECT_EQ((LinkList{{3, 2}}), Links(dictionary_, {{1}, {2}, {4}}));
  EXPECT_EQ((LinkList{{4, 5}}), Links(dictionary_, {{1}, {2, 3}}));
  EXPECT_EQ(LinkList{}, Links(dictionary_, {{1}, {2, 3}, {4}}));
}

TEST_F(LatticeTest, RebuildReplacesLinksAndSkipsMissingCounters) {
  HoldAll({{{1}}, {{2}}, {{1, 2}}});
  Counted noCounter({{1}, {2}}), two({{2}}), pair({{1, 2}});
  dictionary_.addSequence(noCounter.sets(), noCounter.n(), nullptr);
  dictionary_.addSequence(two.sets(), two.n(), nullptr);  // a parent without a counter
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ((LinkList{{2, 0}, {2, 3}}), Links(dictionary_, {{1}}));

  dictionary_.remove(noCounter.sets(), noCounter.n());
  dictionary_.remove(pair.sets(), pair.n());
  HoldAll({{{1}, {2}, {3}}});  // above the first empty level: never visited
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ(LinkList{}, Links(dictionary_, {{1}}));
  EXPECT_EQ((LinkList{{-1, -1}}), Links(dictionary_, {{1}, {2}, {3}}));
}

// Hundreds of links per parent: every parent's set must hold exactly the links its children make,
// sorted, however the links of a level are grouped while they are ordered.
TEST_F(LatticeTest, ManyLinksPerParentAreCompleteAndSorted) {
  constexpr int kItems = 80;
  std::vector<SetList> held;
  for (int x = 0; x < kItems; ++x) held.push_back({{x}});
  for (int x = 0; x < kItems; ++x) {
    for (int y = 0; y < kItems; ++y) {
      held.push_back({{x}, {y}});
      if (x < y) held.push_back({{x, y}});
    }
  }
  HoldAll(held);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());

  // Each child without each of its items in turn: the link (item, 2s + 1) when the item was
  // alone in its set s, else (item, 2s).
  std::map<SetList, LinkList> expected;
  for (const SetList& child : held) {
    for (size_t s = 0; s < child.size(); ++s) {
      for (size_t i = 0; i < child[s].size(); ++i) {
        SetList parent = child;
        parent[s].erase(parent[s].begin() + static_cast<std::ptrdiff_t>(i));
        const bool alone = parent[s].empty();
        if (alone) parent.erase(parent.begin() + static_cast<std::ptrdiff_t>(s));
        expected[parent].emplace_back(child[s][i], static_cast<int>(2 * s + (alone ? 1 : 0)));
      }
    }
  }
  for (auto& [parent, links] : expected) {
    std::sort(links.begin(), links.end());
    links.erase(std::unique(links.begin(), links.end()), links.end());
    std::string text;
    for (const std::vector<int>& set : parent) {
      text += '(';
      for (int item : set) text += std::to_string(item) + ' ';
      text += ')';
    }
    EXPECT_EQ(links, Links(dictionary_, parent)) << "parent " << text;
  }
}

TEST_F(LatticeTest, WalkGrowsResultsLeftwardFromTheNewestSet) {
  HoldAll({{{1}}, {{2}}, {{3}}, {{4}}, {{1, 2}}, {{1}, {3}}, {{2}, {3}}, {{1, 2}, {3}}});
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  const Texts full = {"(3)", "(1)(3)", "(2)(3)", "(1 2)(3)"};
  EXPECT_EQ(full, Subsequences({{1, 2}, {3}}));
  EXPECT_EQ(full, Subsequences({{1, 2}, {1, 2}, {3}})) << "a repeated set adds nothing";
  EXPECT_EQ(full, Subsequences({{1, 2, 9}, {3}, {4, 8}}, 1));
  EXPECT_EQ((Texts{"(1)", "(2)", "(1 2)"}), Subsequences({{1, 2}, {3}}, 1));
  EXPECT_TRUE(Subsequences({{1, 2}, {3}}, 2).empty());
  EXPECT_TRUE(Subsequences({{1, 2}, {3}, {9}}).empty()) << "newest set holds no frequent item";
  // (1 2)(3) occurs, but only with its first set at an earlier occurrence of 1 and 2 than the
  // latest ones, so the walk does not find it.
  EXPECT_EQ((Texts{"(3)", "(1)(3)", "(2)(3)"}), Subsequences({{1, 2}, {1}, {2}, {3}}));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
