#include "sequence/HashtableSQPair.h"

#include <gtest/gtest.h>

#include <climits>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// A one-item key: its hash is the item, so its bucket is item mod capacity.
NTSequence* Single(int item) {
  int set[] = {1, item};
  return new NTSequence(set);
}

SequenceCounter* Counter(int count) { return new SequenceCounter(0, count, nullptr); }

// The first item of every entry, in visiting order.
std::vector<int> Order(const HashtableSQPair& table) {
  std::vector<int> order;
  for (auto it = table.begin(); it != table.end(); ++it) order.push_back(it->key->items()[0]);
  return order;
}

// Runs print with std::cout captured; returns what it printed.
template <typename Print>
std::string Captured(Print print) {
  std::ostringstream out;
  std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
  print();
  std::cout.rdbuf(saved);
  return out.str();
}

class HashtableSQPairTest : public testing::Test {
 protected:
  // Puts P=(1), Q=(6), R=(11): one chain of a capacity-5 table, no growth.
  void PutPQR() {
    for (int item : {1, 6, 11}) ASSERT_TRUE(pqr_.put(Single(item), Counter(item)));
  }

  HashtableSQPair pqr_{5};
};

TEST(HashtableSQPairGrowth, GrowsBeforeTheInsertionThatPassesTheThreshold) {
  struct Row {
    int capacity, threshold;
  } rows[] = {{89, 67}, {2, 2}, {11519, 8639}, {23039, 17279}, {1, 1}, {5, 4}, {179, 134}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.threshold, HashtableSQPair(row.capacity).getThreshold()) << row.capacity;
  }

  HashtableSQPair table(2);
  ASSERT_TRUE(table.put(Single(1), Counter(1)));
  ASSERT_TRUE(table.put(Single(11), Counter(11)));
  EXPECT_EQ(2, table.getCapacity());
  EXPECT_EQ((std::vector<int>{11, 1}), Order(table));
  ASSERT_TRUE(table.put(Single(21), Counter(21)));
  EXPECT_EQ(5, table.getCapacity());
  EXPECT_EQ(4, table.getThreshold());
  EXPECT_EQ(3, table.getSize());
  // The rehash moved 11 and then 1 onto the head of bucket 1; 21 then went in front of both.
  EXPECT_EQ((std::vector<int>{21, 1, 11}), Order(table));

  HashtableSQPair big;
  for (int item = 0; item < 67; ++item) ASSERT_TRUE(big.put(Single(item), Counter(item)));
  EXPECT_EQ(89, big.getCapacity());
  ASSERT_TRUE(big.put(Single(67), Counter(67)));
  EXPECT_EQ(179, big.getCapacity());
  for (int item = 0; item < 68; ++item) {
    std::unique_ptr<NTSequence> probe(Single(item));
    ASSERT_NE(nullptr, big.get(probe.get())) << item;
  }
}

TEST_F(HashtableSQPairTest, LookUpByEqualKeys) {
  PutPQR();
  std::unique_ptr<NTSequence> probe(Single(6));
  ASSERT_NE(nullptr, pqr_.get(probe.get()));
  EXPECT_EQ(6, pqr_.get(probe.get())->value->getCount());
  std::unique_ptr<NTSequence> absent(Single(16));
  EXPECT_FALSE(pqr_.containsKey(absent.get()));

  // Same hash, pattern and size: only the items tell these keys apart.
  HashtableSQPair table(3);
  const std::int32_t a[] = {5};
  const std::int32_t b[] = {10};
  const PackedSequence packedA{1, 1, 5, 1, a};
  const PackedSequence packedB{1, 1, 5, 1, b};
  NTSequence* keyA = new NTSequence;
  keyA->reuseAs(&packedA);
  NTSequence keyB;
  keyB.reuseAs(&packedB);
  ASSERT_TRUE(table.put(keyA, Counter(5)));
  EXPECT_FALSE(table.containsKey(&keyB));
}

TEST_F(HashtableSQPairTest, RejectedPutLeavesOwnershipWithTheCaller) {
  PutPQR();
  std::unique_ptr<NTSequence> key(Single(6));
  std::unique_ptr<SequenceCounter> counter(Counter(60));
  EXPECT_FALSE(pqr_.put(key.get(), counter.get()));
  EXPECT_EQ(3, pqr_.getSize());
  EXPECT_EQ(6, pqr_.get(key.get())->value->getCount());
}  // key and counter are deleted here; a table that kept them would delete them twice

TEST_F(HashtableSQPairTest, PutOverwrite) {
  PutPQR();
  NTSequence* key = Single(6);
  pqr_.putOverwrite(key, Counter(60));
  EXPECT_EQ(3, pqr_.getSize());
  const ISQCPair* entry = pqr_.get(key);
  EXPECT_EQ(key, entry->key);
  EXPECT_EQ(60, entry->value->getCount());
  EXPECT_EQ((std::vector<int>{11, 6, 1}), Order(pqr_));

  // The very objects already stored: neither is deleted (a deleted one would be read here).
  pqr_.putOverwrite(key, entry->value);
  EXPECT_EQ(60, pqr_.get(key)->value->getCount());
  // Same key object, new counter; then a new key object with the same counter.
  pqr_.putOverwrite(key, Counter(61));
  SequenceCounter* counter = pqr_.get(key)->value;
  NTSequence* replacement = Single(6);
  pqr_.putOverwrite(replacement, counter);
  EXPECT_EQ(replacement, pqr_.get(replacement)->key);
  EXPECT_EQ(61, pqr_.get(replacement)->value->getCount());

  pqr_.putOverwrite(Single(16), Counter(16));
  EXPECT_EQ(4, pqr_.getSize());
  EXPECT_EQ((std::vector<int>{16, 11, 6, 1}), Order(pqr_));
}

TEST_F(HashtableSQPairTest, RemovalMovesTheHeadIntoTheRemovedNode) {
  PutPQR();
  EXPECT_EQ((std::vector<int>{11, 6, 1}), Order(pqr_));
  struct Row {
    int removed;
    std::vector<int> order;
  } rows[] = {{1, {6, 11}}, {6, {11, 1}}, {11, {6, 1}}, {16, {11, 6, 1}}};
  for (const Row& row : rows) {
    HashtableSQPair table(5);
    for (int item : {1, 6, 11}) table.put(Single(item), Counter(item));
    std::unique_ptr<NTSequence> key(Single(row.removed));
    table.remove(key.get());
    EXPECT_EQ(row.order, Order(table)) << "removing " << row.removed;
    EXPECT_EQ(static_cast<int>(row.order.size()), table.getSize());
    for (int item : row.order) {
      std::unique_ptr<NTSequence> probe(Single(item));
      const ISQCPair* entry = table.get(probe.get());
      ASSERT_NE(nullptr, entry) << "removing " << row.removed << ", looking up " << item;
      EXPECT_EQ(item, entry->value->getCount());
    }
  }
  // The stored key object itself may be passed.
  pqr_.remove(pqr_.begin()->key);
  EXPECT_EQ((std::vector<int>{6, 1}), Order(pqr_));
}

TEST(HashtableSQPairIteration, VisitsEachEntryOnceWhileRemovingBehindIt) {
  std::mt19937 rng(7);
  HashtableSQPair table(3);
  std::set<int> held;
  while (held.size() < 300) {
    const int item = static_cast<int>(rng() % 2000) - 1000;
    if (held.insert(item).second) {
      ASSERT_TRUE(table.put(Single(item), Counter(item)));
    }
  }
  std::multiset<int> visited;
  std::set<int> kept;
  for (auto it = table.begin(); it != table.end();) {
    NTSequence* key = it->key;
    const int item = key->items()[0];
    visited.insert(item);
    it++;
    if (item % 2 == 0) {
      table.remove(key);
    } else {
      kept.insert(item);
    }
  }
  EXPECT_EQ(std::multiset<int>(held.begin(), held.end()), visited);
  const std::vector<int> rest = Order(table);
  EXPECT_EQ(kept, std::set<int>(rest.begin(), rest.end()));
  EXPECT_EQ(kept.size(), rest.size());
  EXPECT_EQ(static_cast<int>(kept.size()), table.getSize());
  for (int item : held) {
    std::unique_ptr<NTSequence> probe(Single(item));
    EXPECT_EQ(kept.count(item) == 1, table.containsKey(probe.get())) << item;
  }

  HashtableSQPair empty(4);
  EXPECT_TRUE(empty.begin() == empty.end());
}

TEST(HashtableSQPairBuckets, MostNegativeHashHasABucket) {
  int set[] = {3, 0, 0, INT_MIN};
  NTSequence* extreme = new NTSequence(set);
  ASSERT_EQ(INT_MIN, extreme->HashCode());
  HashtableSQPair table(7);  // 2^31 mod 7 is 2
  table.put(Single(3), Counter(3));
  table.put(Single(2), Counter(2));
  table.put(extreme, Counter(-1));
  table.put(Single(1), Counter(1));
  EXPECT_EQ((std::vector<int>{1, 0, 2, 3}), Order(table));
  const NTSequence probe(set);
  ASSERT_NE(nullptr, table.get(&probe));
  EXPECT_EQ(-1, table.get(&probe)->value->getCount());
  table.remove(const_cast<NTSequence*>(&probe));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), Order(table));
}

TEST_F(HashtableSQPairTest, ClearKeepsCapacity) {
  pqr_.clear();
  EXPECT_EQ(0, pqr_.getSize());
  PutPQR();
  pqr_.clear();
  EXPECT_EQ(0, pqr_.getSize());
  EXPECT_EQ(5, pqr_.getCapacity());
  EXPECT_TRUE(pqr_.begin() == pqr_.end());
  PutPQR();
  EXPECT_EQ((std::vector<int>{11, 6, 1}), Order(pqr_));
}

TEST(HashtableSQPairPrinting, FreqTable) {
  HashtableSQPair empty(3);
  double mean = -1;
  EXPECT_EQ("0 : 3\nEND OF TABLE\n", Captured([&] { mean = empty.freqTable(); }));
  EXPECT_EQ(0.0, mean);

  HashtableSQPair full(2);
  full.put(Single(0), Counter(0));
  full.put(Single(1), Counter(1));
  EXPECT_EQ("1 : 2\nEND OF TABLE\n", Captured([&] { mean = full.freqTable(); }));
  EXPECT_EQ(1.0, mean);

  HashtableSQPair mixed(5);
  for (int item : {1, 6, 2}) mixed.put(Single(item), Counter(item));
  EXPECT_EQ("0 : 3\n1 : 1\n2 : 1\nEND OF TABLE\n", Captured([&] { mean = mixed.freqTable(); }));
  EXPECT_EQ(1.5, mean);

  // Chains of 99 or more share the last bin.
  HashtableSQPair crowded(200);
  for (int i = 0; i < 120; ++i) crowded.put(Single(200 * i), Counter(i));
  crowded.put(Single(1), Counter(1));
  EXPECT_EQ("0 : 198\n1 : 1\n99 : 1\nEND OF TABLE\n",
            Captured([&] { mean = crowded.freqTable(); }));
  EXPECT_EQ(50.0, mean);
}

TEST(HashtableSQPairPrinting, Display) {
  HashtableSQPair table(3);
  table.put(Single(1), Counter(1));
  EXPECT_EQ("Bucket 0 : \nBucket 1 : \nBucket 2 : \nEnd of Hashtable.\n",
            Captured([&] { table.display(); }));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
