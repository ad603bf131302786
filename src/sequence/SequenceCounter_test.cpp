// This program replaces the global operator new so that a test can make memory run out.
#include "sequence/SequenceCounter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <sstream>
#include <vector>

#include "foundation/Exceptions.h"
#include "foundation/failing_new_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using Pairs = std::vector<std::pair<int, int>>;

Pairs AdjacentOf(const SequenceCounter& counter) {
  if (counter.getAdjacentItems() == nullptr) return {};
  return Pairs(counter.getAdjacentItems()->begin(), counter.getAdjacentItems()->end());
}

// The sanitizers check ownership here: a kept old bucket leaks, a freed current one is read.
TEST(SequenceCounterTest, OwnsItsBucket) {
  SequenceCounter counter(1, 1, new StatsBucket(4, 10, 1, 5));
  counter.setStatsBucket(counter.getStatsBucket());  // the same object stays
  EXPECT_EQ(2.5, counter.getStatsBucket()->getMean());
  counter.setStatsBucket(new StatsBucket());
  EXPECT_EQ(0.0, counter.getStatsBucket()->getMean());
}

TEST(SequenceCounterTest, AdjacentItemsAreOrderedAndUnique) {
  SequenceCounter counter;
  counter.addAdjacentItem(7, 0);
  counter.addAdjacentItem(3, 2);
  counter.addAdjacentItem(3, 1);
  counter.addAdjacentItem(3, 2);
  EXPECT_EQ((Pairs{{3, 1}, {3, 2}, {7, 0}}), AdjacentOf(counter));
  counter.clearAdjacentItems();
  EXPECT_EQ(0, counter.getNAdjacent());
  // Handing back the set it already owns must not free it.
  counter.setAdjacentItems(new AdjacentItemSet{{1, 1}});
  counter.setAdjacentItems(const_cast<AdjacentItemSet*>(counter.getAdjacentItems()));
  EXPECT_EQ((Pairs{{1, 1}}), AdjacentOf(counter));
}

TEST(SequenceCounterTest, RunningOutOfMemoryIsADictionaryFailure) {
  SequenceCounter counter;
  ::testutil::allocationsLeft = 0;  // the set itself cannot be created
  EXPECT_THROW(counter.addAdjacentItem(1, 1), SeqExceptions::DictionaryFailure);
  ::testutil::allocationsLeft = -1;
  EXPECT_EQ(0, counter.getNAdjacent());

  // The set exists; pairs are added until its storage has to grow, which fails and must keep
  // every pair added before.
  counter.addAdjacentItem(1, 1);
  Pairs added{{1, 1}};
  added.reserve(64);  // the test's own list must not need memory
  ::testutil::allocationsLeft = 0;
  bool failed = false;
  for (int item = 2; item < 64 && !failed; ++item) {
    try {
      counter.addAdjacentItem(item, 1);
      added.emplace_back(item, 1);
    } catch (const SeqExceptions::DictionaryFailure&) {
      failed = true;
    }
  }
  ::testutil::allocationsLeft = -1;
  EXPECT_TRUE(failed);
  EXPECT_EQ(added, AdjacentOf(counter));
}

TEST(SequenceCounterTest, Display) {
  SequenceCounter plain(10, 4, nullptr);
  plain.setMaxMissed(2);
  plain.addAdjacentItem(3, 1);
  std::ostringstream os;
  plain.display(os, false);
  os << 0.5;  // nothing needed the fixed format, so the stream keeps its own
  EXPECT_EQ(" count 4 ordinalOfEntry 10 max missed 2\n0.5", os.str());

  SequenceCounter counter(1, 2, new StatsBucket(3, 7, 1, 4));
  counter.addAdjacentItem(8, 3);
  counter.addAdjacentItem(2, 0);
  os.str("");
  counter.display(os, true);
  EXPECT_EQ(
      " count 2 ordinalOfEntry 1 max missed 0\n"
      " Occurrences 3.00\n"
      " mean 2.33\n min 1.00\n max 4.00\n"
      "Adjacent list {(item 2 position 0)\n(item 8 position 3)\n}End Adjacent list \n",
      os.str());
  // A total of 0 prints the occurrences line only.
  SequenceCounter quiet(1, 2, new StatsBucket(6, 0, 0, 0));
  os.str("");
  quiet.display(os, true);
  EXPECT_EQ(" count 2 ordinalOfEntry 1 max missed 0\n Occurrences 6.00\n", os.str());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
