#include "sequence/NTSequence.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <vector>

#include "sequence/Sequence.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeSequence;
using testutil::ToText;

NTSequence Key(std::initializer_list<std::initializer_list<int>> sets) {
  const Sequence sequence = MakeSequence(sets);
  return NTSequence(&sequence);
}

// "(1 2)(3)" for a key, read back through createSequence.
std::string Text(const NTSequence& key) {
  std::unique_ptr<Sequence> sequence(key.createSequence());
  return ToText(*sequence);
}

// True iff key equals the key built directly from its own sequence form.
bool Canonical(const NTSequence& key) {
  std::unique_ptr<Sequence> sequence(key.createSequence());
  return key == NTSequence(sequence.get());
}

TEST(NTSequenceTest, PatternAndHash) {
  EXPECT_EQ(13, Key({{1, 2}, {3}, {4, 5}}).getPattern());  // 01101
  // (1)(2 3) ends sets at its first and last items: 101.
  EXPECT_EQ(5, Key({{1}, {2, 3}}).getPattern());

  struct Row {
    NTSequence key;
    std::int32_t hash;
  } rows[] = {
      {Key({}), 0},
      {Key({{-7}}), -7},  // a single item is its own hash, sign and all
      {Key({{1, 2}}), 88390},
      {Key({{1}, {2}}), 265168},
      {Key({{1, 2}, {3}}), 1250689873},  // the product wraps around to a negative value
      {Key({{1}, {2, 3}}), 778828409},
      {Key({{-5}, {7}, {100000}}), 1785668426},
  };
  for (const Row& row : rows) EXPECT_EQ(row.hash, row.key.HashCode()) << Text(row.key);
  // The most negative hash stays negative: its absolute value overflows.
  int set[] = {3, 0, 0, INT_MIN};
  EXPECT_EQ(INT_MIN, NTSequence(set).HashCode());
  // A negative pattern shifts by its floor modulus 32 (here 31), not by a negative amount.
  const std::int32_t items[] = {1, 2};
  EXPECT_EQ(NTSequence::ComputeHashCode(items, 2, 31), NTSequence::ComputeHashCode(items, 2, -1));
}

TEST(NTSequenceTest, LongKeysStayWithinTheirItems) {
  // 40 one-item sets: beyond the 32 pattern bits and the 39 hash multipliers.
  Sequence sequence;
  for (int i = 0; i < 40; ++i) {
    TimedItemSet set = testutil::MakeSet({i});
    sequence.AddTimedItemSet(&set);
  }
  NTSequence key(&sequence);
  EXPECT_EQ(-1, key.getPattern());
  std::unique_ptr<Sequence> back(key.createSequence());
  EXPECT_EQ(40, back->Size());
  NTSequence shorter(key);
  shorter.removeItem(0, &key);
  EXPECT_EQ(39, shorter.size());
}

TEST(NTSequenceTest, ExtendAndRemove) {
  const NTSequence base = Key({{1, 3}, {5}});
  struct Row {
    int item, slot;
    const char* text;
  } rows[] = {
      {2, 0, "(1 2 3)(5)"},  {2, 1, "(2)(1 3)(5)"}, {2, 3, "(1 3)(2)(5)"},
      {2, 5, "(1 3)(5)(2)"}, {4, 2, "(1 3)(4 5)"},  {7, 0, "(1 3 7)(5)"},
  };
  for (const Row& row : rows) {
    const NTSequence extended(base, row.item, row.slot);
    EXPECT_EQ(row.text, Text(extended)) << row.item << " at " << row.slot;
    EXPECT_TRUE(Canonical(extended)) << row.text;
  }
  EXPECT_EQ("(4)", Text(NTSequence(NTSequence(), 4, 1)));
  // Removal is checked against rebuilt keys below. A smaller target grows to fit, and a key may
  // remove from itself.
  NTSequence small = Key({{8}});
  EXPECT_FALSE(small.removeItem(5, &base));
  EXPECT_EQ("(1 3)(5)", Text(small));
  EXPECT_TRUE(small.removeItem(2, &small));
  EXPECT_EQ("(1 3)", Text(small));
}

TEST(NTSequenceTest, ReadersAndBuilders) {
  const NTSequence key = Key({{1, 3}, {5}});
  EXPECT_EQ(0, key.getItemInSet(0, 2));
  std::vector<int> out(3, -1);
  key.getSetAsArray(0, out.data());
  key.getSetAsArray(2, out.data() + 1);  // no such set: writes nothing
  EXPECT_EQ((std::vector<int>{1, 3, -1}), out);

  const Sequence sequence = MakeSequence({{1, 2}, {3}, {4, 5}});
  EXPECT_EQ("(1 2)(3)", Text(NTSequence(sequence, 1)));
  EXPECT_TRUE(NTSequence(sequence, 7) == NTSequence());
  int first[] = {2, 1, 2};
  int second[] = {1, 3};
  int empty[] = {0};
  int* sets[] = {first, empty, second};
  EXPECT_TRUE(NTSequence(sets, 3) == Key({{1, 2}, {3}}));

  NTSequence grown = Key({{1, 3}});
  grown.addItemAfterLast(2);
  grown.addItemToSet(2, 0);
  grown.addItemToSet(0, 1);
  grown.addItemToSet(9, 1);
  EXPECT_TRUE(grown == Key({{1, 2, 3}, {0, 2, 9}}));
  EXPECT_TRUE(Canonical(grown));
}

TEST(NTSequenceTest, ReuseAndCopy) {
  NTSequence key = Key({{1}, {2}});
  // The packed form is taken verbatim, hash included.
  const std::int32_t items[] = {4, 5, 6};
  const PackedSequence packed{3, 2, 12345, 3, items};
  key.reuseAs(&packed);
  EXPECT_EQ(12345, key.HashCode());
  EXPECT_EQ("(4 5)(6)", Text(key));

  NTSequence original = Key({{1, 2}, {3}});
  NTSequence copy(original);
  NTSequence assigned = Key({{9}});
  assigned = original;
  original.addItemAfterLast(4);
  NTSequence& self = assigned;
  assigned = self;
  EXPECT_EQ("(1 2)(3)", Text(copy));
  EXPECT_EQ("(1 2)(3)", Text(assigned));
}

// Random sequences: the key order and equality agree with the Sequence ones, and extending then
// removing the same item gives back the base key.
TEST(NTSequenceTest, AgreesWithSequencesOnRandomInput) {
  std::mt19937 rng(20240531);
  auto randomSequence = [&rng]() {
    Sequence sequence;
    const int nSets = static_cast<int>(rng() % 4);
    for (int s = 0; s < nSets; ++s) {
      TimedItemSet set;
      const int n = 1 + static_cast<int>(rng() % 3);
      for (int i = 0; i < n; ++i) set.AddItem(static_cast<int>(rng() % 5));
      sequence.AddTimedItemSet(&set);
    }
    return sequence;
  };
  for (int round = 0; round < 2000; ++round) {
    const Sequence x = randomSequence();
    const Sequence y = randomSequence();
    const NTSequence kx(&x);
    const NTSequence ky(&y);
    ASSERT_EQ(x < y, kx < ky) << ToText(x) << " < " << ToText(y);
    ASSERT_EQ(x == y, kx == ky) << ToText(x) << " == " << ToText(y);

    const int slot = static_cast<int>(rng() % (2 * kx.getNSets() + 1));
    const int item = 5 + static_cast<int>(rng() % 3);  // never already in a set
    const NTSequence extended(kx, item, slot);
    NTSequence back(extended);
    back.removeItem(extended.getItemIndex(item), &extended);
    ASSERT_TRUE(back == kx) << ToText(x) << " slot " << slot;
  }
}

// The key of sets given as item lists, in the order given; empty lists are skipped.
NTSequence FromLists(const std::vector<std::vector<int>>& lists) {
  std::vector<std::vector<int>> counted;
  for (const auto& list : lists) {
    counted.push_back({static_cast<int>(list.size())});
    counted.back().insert(counted.back().end(), list.begin(), list.end());
  }
  std::vector<int*> sets;
  for (auto& set : counted) sets.push_back(set.data());
  return NTSequence(sets.data(), static_cast<int>(sets.size()));
}

// Removing each item of keys of up to 32 items matches building the key from its sets without
// that item, whether the result is written into another key or into the key itself.
TEST(NTSequenceTest, RemoveItemMatchesRebuiltKeys) {
  std::mt19937 rng(77);
  for (int round = 0; round < 320; ++round) {
    const int size = 1 + round % 32;
    std::vector<std::vector<int>> lists;
    for (int i = 0; i < size; ++i) {
      if (lists.empty() || rng() % 3 == 0) lists.emplace_back();
      lists.back().push_back(static_cast<int>(rng() % 50));
    }
    const NTSequence key = FromLists(lists);
    int index = 0;
    for (size_t s = 0; s < lists.size(); ++s) {
      for (size_t i = 0; i < lists[s].size(); ++i, ++index) {
        auto without = lists;
        without[s].erase(without[s].begin() + static_cast<std::ptrdiff_t>(i));
        const NTSequence expected = FromLists(without);
        NTSequence copied;
        const bool removed = copied.removeItem(index, &key);
        ASSERT_TRUE(copied == expected) << "round " << round << " index " << index;
        ASSERT_EQ(expected.getNSets(), copied.getNSets()) << "round " << round;
        ASSERT_EQ(without[s].empty(), removed) << "round " << round << " index " << index;
        NTSequence inPlace(key);
        ASSERT_EQ(removed, inPlace.removeItem(index, &inPlace));
        ASSERT_TRUE(inPlace == expected) << "round " << round << " index " << index;
      }
    }
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
