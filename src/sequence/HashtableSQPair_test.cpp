#include "sequence/HashtableSQPair.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TableWalk.h"

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

// Appends the key's item to order and removes the entry when the item is even.
void RecordAndRemoveEven(HashtableSQPair& table, NTSequence* key, std::vector<int>* order) {
  order->push_back(key->items()[0]);
  if (key->items()[0] % 2 == 0) table.remove(key);
}

// Both walks, the iterator and WalkEntries, visit every entry once, in the same order, while
// the entry just visited is removed (long chains: a table grown from capacity 3).
TEST(HashtableSQPairTest, VisitsEachEntryOnceWhileRemovingBehindIt) {
  using Walk = void (*)(HashtableSQPair&, std::vector<int>*);
  const Walk walks[] = {[](HashtableSQPair& table, std::vector<int>* order) {
                          for (auto it = table.begin(); it != table.end();) {
                            NTSequence* key = it->key;
                            it++;
                            RecordAndRemoveEven(table, key, order);
                          }
                        },
                        [](HashtableSQPair& table, std::vector<int>* order) {
                          WalkEntries(table, [&](const ISQCPair& entry) {
                            RecordAndRemoveEven(table, entry.key, order);
                          });
                        }};
  for (const Walk walk : walks) {
    std::mt19937 rng(7);
    HashtableSQPair table(3);
    std::set<int> held;
    while (held.size() < 300) {
      const int item = static_cast<int>(rng() % 2000) - 1000;
      if (held.insert(item).second) {
        ASSERT_TRUE(table.put(Single(item), Counter(item)));
      }
    }
    const std::vector<int> before = Order(table);
    std::vector<int> visited;
    walk(table, &visited);
    EXPECT_EQ(before, visited);
    std::multiset<int> kept;
    for (int item : held) {
      if (item % 2 != 0) kept.insert(item);
    }
    const std::vector<int> rest = Order(table);
    EXPECT_EQ(kept, std::multiset<int>(rest.begin(), rest.end()));
    for (int item : held) EXPECT_EQ(item % 2 == 0 ? -1 : item, CountOf(table, item));
  }
}

// A key of n items in sets of up to three: (base)(base+1 base+2 base+3)... distinct per base.
NTSequence KeyOf(int base, int n) {
  std::vector<std::vector<int>> counted;
  for (int i = 0; i < n; ++i) {
    if (i % 3 == 0) counted.push_back({0});
    counted.back().push_back(base * 1000 + i);
    ++counted.back()[0];
  }
  std::vector<int*> sets;
  for (auto& set : counted) sets.push_back(set.data());
  return NTSequence(sets.data(), static_cast<int>(sets.size()));
}

// Entries made in the table's own storage, removed, re-inserted and cleared in rounds: every
// key keeps its items and counter (a block handed out twice, or freed while in use, shows here
// or under the sanitizers), including keys too long for a block.
TEST(HashtableSQPairTest, EntryStorageIsReusedAfterRemovalAndClear) {
  HashtableSQPair table(5);
  const int sizes[] = {1, 2, 3, 5, 31, 120};
  for (int round = 0; round < 3; ++round) {
    for (int base = 0; base < 60; ++base) {
      SequenceCounter counter(base, round * 100 + base, nullptr);
      table.putOverwriteCopy(KeyOf(base, sizes[base % 6]), base % 7 == 0 ? nullptr : &counter);
    }
    for (int base = 0; base < 60; base += 2) {
      NTSequence key = KeyOf(base, sizes[base % 6]);
      table.remove(&key);
    }
    for (int base = 0; base < 60; base += 4) {
      SequenceCounter counter(base, -base, nullptr);
      table.putOverwriteCopy(KeyOf(base, sizes[base % 6]), &counter);
    }
    ASSERT_EQ(30 + 15, table.getSize());
    for (int base = 0; base < 60; ++base) {
      const NTSequence key = KeyOf(base, sizes[base % 6]);
      const ISQCPair* entry = table.get(&key);
      if (base % 2 == 0 && base % 4 != 0) {
        EXPECT_EQ(nullptr, entry) << base;
        continue;
      }
      ASSERT_NE(nullptr, entry) << base;
      EXPECT_EQ(key, *entry->key);
      const int count = base % 4 == 0 ? -base : base % 7 == 0 ? -1 : round * 100 + base;
      EXPECT_EQ(count, entry->value == nullptr ? -1 : entry->value->getCount()) << base;
    }
    table.clear();
    EXPECT_EQ(table.begin(), table.end());
  }
}

// putOverwriteCopy moves the counter's bucket and links into the table; viewed links are
// copied, so the table's entry outlives the array they were viewed in. Overwriting such an
// entry with one of its very objects releases its parts one at a time.
TEST(HashtableSQPairTest, CopiedEntriesTakeBucketAndLinks) {
  HashtableSQPair table(5);
  auto viewed = std::make_unique<AdjacentItemSet::value_type[]>(2);
  viewed[0] = {3, 1};
  viewed[1] = {4, 0};
  SequenceCounter counter(1, 7, new StatsBucket(2, 4, 1, 3));
  counter.viewAdjacentItems(viewed.get(), 2);
  table.putOverwriteCopy(KeyOf(1, 2), &counter);
  viewed.reset();
  EXPECT_EQ(nullptr, counter.getStatsBucket());
  EXPECT_EQ(nullptr, counter.getAdjacentItems());
  const NTSequence key = KeyOf(1, 2);
  SequenceCounter* stored = table.get(&key)->value;
  EXPECT_EQ(2.0, stored->getStatsBucket()->getMean());
  EXPECT_EQ(AdjacentItemSet({{3, 1}, {4, 0}}), *stored->getAdjacentItems());

  NTSequence* storedKey = table.get(&key)->key;
  table.putOverwrite(storedKey, Counter(8));            // the block's counter goes
  table.putOverwrite(new NTSequence(key), Counter(9));  // then its key, and the block
  EXPECT_EQ(9, table.get(&key)->value->getCount());
  table.putOverwriteCopy(key, stored = Counter(10));
  table.putOverwrite(new NTSequence(key), table.get(&key)->value);  // the block's key first
  EXPECT_EQ(10, table.get(&key)->value->getCount());
  delete stored;
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
