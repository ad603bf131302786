#include "sequence/HashtableSQPair.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <set>
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

// The count stored under the one-item key item, or -1 when the table does not hold it.
int CountOf(const HashtableSQPair& table, int item) {
  std::unique_ptr<NTSequence> probe(Single(item));
  const ISQCPair* entry = table.get(probe.get());
  return entry == nullptr ? -1 : entry->value->getCount();
}

// Puts P=(1), Q=(6), R=(11) into a capacity-5 table: one chain, no growth.
void PutPQR(HashtableSQPair* table) {
  for (int item : {1, 6, 11}) ASSERT_TRUE(table->put(Single(item), Counter(item)));
}

TEST(HashtableSQPairTest, GrowsBeforeTheInsertionThatPassesTheThreshold) {
  struct Row {
    int capacity, threshold;
  } rows[] = {{89, 67}, {2, 2}, {23039, 17279}, {1, 1}, {5, 4}, {179, 134}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.threshold, HashtableSQPair(row.capacity).getThreshold()) << row.capacity;
  }

  HashtableSQPair table(2);
  for (int item : {1, 11}) ASSERT_TRUE(table.put(Single(item), Counter(item)));
  EXPECT_EQ(2, table.getCapacity());
  ASSERT_TRUE(table.put(Single(21), Counter(21)));
  EXPECT_EQ(5, table.getCapacity());
  // The rehash moved 11 and then 1 onto the head of bucket 1; 21 then went in front of both.
  EXPECT_EQ((std::vector<int>{21, 1, 11}), Order(table));

  HashtableSQPair big;
  for (int item = 0; item < 68; ++item) ASSERT_TRUE(big.put(Single(item), Counter(item)));
  EXPECT_EQ(179, big.getCapacity());
  for (int item = 0; item < 68; ++item) ASSERT_EQ(item, CountOf(big, item));
}

// Batches of every size up to past two internal groups, over held keys, absent keys that share
// a chain with held ones and absent keys that share a held key's hash: the same entries as get.
TEST(HashtableSQPairTest, GetManyFindsWhatGetFinds) {
  HashtableSQPair table(7);
  for (int item = 0; item < 300; item += 2) ASSERT_TRUE(table.put(Single(item), Counter(item)));
  std::vector<std::unique_ptr<NTSequence>> probes;
  std::mt19937 rng(3);
  for (int i = 0; i < 160; ++i) probes.emplace_back(Single(static_cast<int>(rng() % 320)));
  const std::int32_t other[] = {99999};
  for (int i = 0; i < 160; i += 7) {  // same hash, pattern and size as a held key, other item
    const PackedSequence packed{1, 1, 2 * i, 1, other};
    probes[i]->reuseAs(&packed);
  }
  std::vector<const NTSequence*> keys;
  for (const auto& probe : probes) keys.push_back(probe.get());
  for (int n = 0; n <= static_cast<int>(keys.size()); n += 1 + n / 8) {
    std::vector<const ISQCPair*> found(static_cast<size_t>(n) + 1, nullptr);
    table.getMany(keys.data(), n, found.data());
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(table.get(keys[i]), found[i]) << "n " << n << " i " << i;
      const int item = keys[i]->items()[0];  // only the items tell the same-hash probes apart
      ASSERT_EQ(item % 2 == 0 && item < 300, found[i] != nullptr) << "n " << n << " i " << i;
    }
    EXPECT_EQ(nullptr, found[n]) << "n " << n;  // nothing written past the batch
  }
}

TEST(HashtableSQPairTest, PutOwnership) {
  HashtableSQPair table(5);
  PutPQR(&table);
  {
    std::unique_ptr<NTSequence> key(Single(6));
    std::unique_ptr<SequenceCounter> counter(Counter(60));
    EXPECT_FALSE(table.put(key.get(), counter.get()));
    EXPECT_EQ(6, CountOf(table, 6));
  }  // a table that kept the rejected key or counter would delete them twice

  NTSequence* key = Single(6);
  table.putOverwrite(key, Counter(60));
  const ISQCPair* entry = table.get(key);
  EXPECT_EQ(60, entry->value->getCount());
  EXPECT_EQ((std::vector<int>{11, 6, 1}), Order(table));
  // The very objects already stored: neither is deleted (a deleted one would be read here).
  table.putOverwrite(key, entry->value);
  EXPECT_EQ(60, CountOf(table, 6));
  // A new key object with the stored counter.
  NTSequence* replacement = Single(6);
  table.putOverwrite(replacement, table.get(key)->value);
  EXPECT_EQ(replacement, table.get(replacement)->key);
  EXPECT_EQ(60, CountOf(table, 6));
}

TEST(HashtableSQPairTest, RemovalMovesTheHeadIntoTheRemovedNode) {
  struct Row {
    int removed;
    std::vector<int> order;
  } rows[] = {{1, {6, 11}}, {6, {11, 1}}, {11, {6, 1}}, {16, {11, 6, 1}}};
  for (const Row& row : rows) {
    HashtableSQPair table(5);
    PutPQR(&table);
    std::unique_ptr<NTSequence> key(Single(row.removed));
    table.remove(key.get());
    EXPECT_EQ(row.order, Order(table)) << "removing " << row.removed;
    EXPECT_EQ(static_cast<int>(row.order.size()), table.getSize());
    for (int item : row.order) EXPECT_EQ(item, CountOf(table, item)) << row.removed;
  }
  // The stored key object itself may be passed.
  HashtableSQPair table(5);
  PutPQR(&table);
  table.remove(table.begin()->key);
  EXPECT_EQ((std::vector<int>{6, 1}), Order(table));
}

TEST(HashtableSQPairTest, VisitsEachEntryOnceWhileRemovingBehindIt) {
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
  for (auto it = table.begin(); it != table.end();) {
    NTSequence* key = it->key;
    visited.insert(key->items()[0]);
    it++;
    if (key->items()[0] % 2 == 0) table.remove(key);
  }
  EXPECT_EQ(std::multiset<int>(held.begin(), held.end()), visited);
  std::multiset<int> kept;
  for (int item : held) {
    if (item % 2 != 0) kept.insert(item);
  }
  const std::vector<int> rest = Order(table);
  EXPECT_EQ(kept, std::multiset<int>(rest.begin(), rest.end()));
  for (int item : held) EXPECT_EQ(item % 2 == 0 ? -1 : item, CountOf(table, item));
}

TEST(HashtableSQPairTest, MostNegativeHashHasABucket) {
  int set[] = {3, 0, 0, INT_MIN};
  HashtableSQPair table(7);  // 2^31 mod 7 is 2
  table.put(Single(3), Counter(3));
  table.put(Single(2), Counter(2));
  table.put(new NTSequence(set), Counter(-1));
  table.put(Single(1), Counter(1));
  EXPECT_EQ((std::vector<int>{1, 0, 2, 3}), Order(table));
  NTSequence probe(set);
  ASSERT_NE(nullptr, table.get(&probe));
  table.remove(&probe);
  EXPECT_EQ((std::vector<int>{1, 2, 3}), Order(table));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
