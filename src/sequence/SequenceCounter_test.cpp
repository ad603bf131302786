// This program replaces the global operator new so that a test can make memory run out.
#include "sequence/SequenceCounter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iomanip>
#include <new>
#include <sstream>
#include <vector>

#include "foundation/Exceptions.h"

namespace {

int allocationsLeft = -1;  // negative: never fail

void* Allocate(std::size_t size) {
  if (allocationsLeft == 0) throw std::bad_alloc();
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using Pairs = std::vector<std::pair<int, int>>;

Pairs AdjacentOf(const SequenceCounter& counter) {
  if (counter.getAdjacentItems() == nullptr) return {};
  return Pairs(counter.getAdjacentItems()->begin(), counter.getAdjacentItems()->end());
}

// Counts its destructions, to check that a counter deletes the bucket it owns.
class CountedBucket : public StatsBucket {
 public:
  explicit CountedBucket(int* deaths) : deaths_(deaths) {}
  ~CountedBucket() override { ++*deaths_; }

 private:
  int* deaths_;
};

TEST(SequenceCounterTest, CountsAndConstructors) {
  SequenceCounter counter;
  counter.decrementMaxMissed();
  EXPECT_EQ(0, counter.getMaxMissed());
  counter.setMaxMissed(2);
  counter.decrementMaxMissed();
  EXPECT_EQ(1, counter.getMaxMissed());

  const SequenceCounter entered(9, 3, nullptr);
  EXPECT_EQ(9, entered.getOrdinalOfEntry());
  EXPECT_EQ(3, entered.getCount());

  const CarmaSequenceDescriptor descriptor(3, 5, 7);
  EXPECT_EQ(3, descriptor.getOrdinalOfEntry());
  EXPECT_EQ(5, descriptor.getMaxMissed());
  EXPECT_EQ(7, descriptor.getCount());
  EXPECT_EQ(0, descriptor.getNAdjacent());
}

TEST(SequenceCounterTest, OwnsItsBucket) {
  int deaths = 0;
  {
    SequenceCounter counter(1, 1, new CountedBucket(&deaths));
    counter.setStatsBucket(counter.getStatsBucket());  // the same object stays
    EXPECT_EQ(0, deaths);
    counter.setStatsBucket(new CountedBucket(&deaths));
    EXPECT_EQ(1, deaths);
  }
  EXPECT_EQ(2, deaths);

  EXPECT_EQ(0.0, StatsBucket().getMean());
  EXPECT_EQ(2.5, StatsBucket(4, 10, 1, 5).getMean());
}

TEST(SequenceCounterTest, AdjacentItemsAreOrderedAndUnique) {
  SequenceCounter counter;
  EXPECT_EQ(0, counter.getNAdjacent());
  EXPECT_EQ(nullptr, counter.getAdjacentItems());
  counter.addAdjacentItem(5, 1);
  counter.addAdjacentItem(5, 1);
  EXPECT_EQ(1, counter.getNAdjacent());

  SequenceCounter ordered;
  ordered.addAdjacentItem(7, 0);
  ordered.addAdjacentItem(3, 2);
  ordered.addAdjacentItem(3, 1);
  EXPECT_EQ((Pairs{{3, 1}, {3, 2}, {7, 0}}), AdjacentOf(ordered));

  const AdjacentItemSet* set = ordered.getAdjacentItems();
  ordered.clearAdjacentItems();
  EXPECT_EQ(set, ordered.getAdjacentItems());
  EXPECT_EQ(0, ordered.getNAdjacent());

  ordered.setAdjacentItems(new AdjacentItemSet{{1, 1}});
  EXPECT_EQ((Pairs{{1, 1}}), AdjacentOf(ordered));
  ordered.setAdjacentItems(const_cast<AdjacentItemSet*>(ordered.getAdjacentItems()));
  EXPECT_EQ(1, ordered.getNAdjacent());
}

TEST(SequenceCounterTest, RunningOutOfMemoryIsADictionaryFailure) {
  SequenceCounter counter;
  allocationsLeft = 0;  // the set itself cannot be created
  EXPECT_THROW(counter.addAdjacentItem(1, 1), SeqExceptions::DictionaryFailure);
  allocationsLeft = -1;
  EXPECT_EQ(0, counter.getNAdjacent());

  counter.addAdjacentItem(1, 1);
  allocationsLeft = 0;  // the set exists; the new pair's node cannot be allocated
  EXPECT_THROW(counter.addAdjacentItem(2, 1), SeqExceptions::DictionaryFailure);
  allocationsLeft = -1;
  EXPECT_EQ((Pairs{{1, 1}}), AdjacentOf(counter));
}

TEST(SequenceCounterTest, DisplayWithoutExtras) {
  SequenceCounter counter(10, 4, nullptr);
  counter.setMaxMissed(2);
  counter.addAdjacentItem(3, 1);
  std::ostringstream os;
  counter.display(os, false);
  EXPECT_EQ(" count 4 ordinalOfEntry 10 max missed 2\n", os.str());
  // Nothing was printed that needed the fixed format, so the stream keeps its own.
  EXPECT_FALSE(os.flags() & std::ios_base::fixed);
  os << 0.5;
  EXPECT_EQ(" count 4 ordinalOfEntry 10 max missed 2\n0.5", os.str());
}

TEST(SequenceCounterTest, DisplayWithStatisticsAndAdjacency) {
  SequenceCounter counter(1, 2, new StatsBucket(3, 7, 1, 4));
  counter.addAdjacentItem(8, 3);
  counter.addAdjacentItem(2, 0);
  std::ostringstream os;
  counter.display(os, true);
  EXPECT_EQ(
      " count 2 ordinalOfEntry 1 max missed 0\n"
      " Occurrences 3.00\n"
      " mean 2.33\n min 1.00\n max 4.00\n"
      "Adjacent list {(item 2 position 0)\n(item 8 position 3)\n}End Adjacent list \n",
      os.str());
  os.str("");
  os << 0.5;
  EXPECT_EQ("0.50", os.str());  // the stream stays in fixed notation, precision 2

  // A total of 0 prints the occurrences line only; adjacency alone still switches the stream.
  SequenceCounter quiet(1, 2, new StatsBucket(6, 0, 0, 0));
  std::ostringstream q;
  quiet.display(q, true);
  EXPECT_EQ(" count 2 ordinalOfEntry 1 max missed 0\n Occurrences 6.00\n", q.str());
  SequenceCounter linked;
  linked.addAdjacentItem(1, 1);
  std::ostringstream l;
  linked.display(l, true);
  l << 1.0;
  EXPECT_EQ(
      " count 0 ordinalOfEntry 0 max missed 0\nAdjacent list {(item 1 position 1)\n}End "
      "Adjacent list \n1.00",
      l.str());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
