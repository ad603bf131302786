#include "sequence/AdjacentItemSet.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using Pair = AdjacentItemSet::value_type;
using Pairs = std::vector<Pair>;

Pairs Contents(const AdjacentItemSet& set) { return Pairs(set.begin(), set.end()); }

// Random inserts, many repeated and out of order, against an ordered reference set: the
// contents, the insert results and every look-up agree.
TEST(AdjacentItemSetTest, BehavesAsAnOrderedSetOfPairs) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> item(-20, 20);
  std::uniform_int_distribution<int> position(0, 7);
  AdjacentItemSet set;
  std::set<Pair> reference;
  for (int i = 0; i < 2000; ++i) {
    const Pair pair(item(random), position(random));
    const auto inserted = set.insert(pair);
    const auto expected = reference.insert(pair);
    ASSERT_EQ(expected.second, inserted.second) << pair.first << "," << pair.second;
    ASSERT_EQ(pair, *inserted.first);
    ASSERT_EQ(std::distance(reference.begin(), expected.first),
              std::distance(set.begin(), inserted.first));
  }
  EXPECT_EQ(Pairs(reference.begin(), reference.end()), Contents(set));
  EXPECT_EQ(reference.size(), set.size());
  for (int x = -21; x <= 21; ++x) {
    for (int c = -1; c <= 8; ++c) {
      const Pair probe(x, c);
      EXPECT_EQ(reference.count(probe), set.count(probe));
      EXPECT_EQ(std::distance(reference.begin(), reference.lower_bound(probe)),
                std::distance(set.begin(), set.lower_bound(probe)));
      const auto found = set.find(probe);
      EXPECT_EQ(reference.count(probe) == 1, found != set.end() && *found == probe);
    }
  }
}

TEST(AdjacentItemSetTest, BulkFillsAndEquality) {
  const AdjacentItemSet listed{{4, 1}, {2, 3}, {4, 1}, {2, 0}};
  EXPECT_EQ((Pairs{{2, 0}, {2, 3}, {4, 1}}), Contents(listed));

  AdjacentItemSet set{{9, 9}, {1, 1}, {5, 5}, {7, 7}};
  const Pairs shorter{{2, 0}, {2, 3}, {4, 1}};
  set.assignSorted(shorter.data(), shorter.size());  // replaces, does not merge
  EXPECT_EQ(listed, set);
  set.emplace(4, 0);
  EXPECT_NE(listed, set);
  set.assign({{3, 3}, {1, 2}, {3, 3}, {1, 1}});
  EXPECT_EQ((Pairs{{1, 1}, {1, 2}, {3, 3}}), Contents(set));
  set.assignSorted(nullptr, 0);
  EXPECT_TRUE(set.empty());
  EXPECT_EQ(set.begin(), set.end());
}

// A set that views pairs it does not own copies them before any change and never writes them;
// a copy of it owns its pairs.
TEST(AdjacentItemSetTest, AViewCopiesBeforeChanging) {
  const Pairs viewed{{1, 1}, {3, 0}};
  AdjacentItemSet set;
  set.view(viewed.data(), viewed.size());
  const AdjacentItemSet copy = set;
  EXPECT_FALSE(copy.isView());
  set.emplace(2, 5);
  EXPECT_FALSE(set.isView());
  EXPECT_EQ((Pairs{{1, 1}, {2, 5}, {3, 0}}), Contents(set));
  set.view(viewed.data(), viewed.size());
  set.assignSorted(viewed.data(), 1);
  EXPECT_EQ((Pairs{{1, 1}}), Contents(set));
  EXPECT_EQ((Pairs{{1, 1}, {3, 0}}), viewed);
  EXPECT_EQ(viewed, Contents(copy));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
