#include "sequence/NTSequence.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <sstream>
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

TEST(NTSequenceTest, FieldsFollowTheBuildingRule) {
  const NTSequence key = Key({{1, 2}, {3}, {4, 5}});
  EXPECT_EQ(5, key.size());
  EXPECT_EQ(3, key.getNSets());
  EXPECT_EQ(13, key.getPattern());  // 01101
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}),
            std::vector<int>(key.items(), key.items() + key.size()));

  // (1)(2 3) ends sets at its first and last items: 101.
  EXPECT_EQ(5, Key({{1}, {2, 3}}).getPattern());
  EXPECT_EQ(3, Key({{1, 2}, {3}}).getPattern());
  EXPECT_FALSE(Key({{1}, {2, 3}}) == Key({{1, 2}, {3}}));
  EXPECT_NE(Key({{1}, {2, 3}}).HashCode(), Key({{1, 2}, {3}}).HashCode());

  const NTSequence empty;
  EXPECT_EQ(0, empty.size());
  EXPECT_EQ(0, empty.getNSets());
  EXPECT_EQ(0, empty.getPattern());
  EXPECT_EQ(0, empty.HashCode());
  EXPECT_TRUE(empty == Key({}));
}

TEST(NTSequenceTest, HashCodes) {
  struct Row {
    NTSequence key;
    std::int32_t hash;
  } rows[] = {
      {Key({}), 0},
      {Key({{7}}), 7},
      {Key({{-7}}), -7},  // a single item is its own hash, sign and all
      {Key({{1, 2}}), 88390},
      {Key({{1}, {2}}), 265168},
      {Key({{1, 2}, {3}}), 1250689873},  // the product wraps around to a negative value
      {Key({{1}, {2, 3}}), 778828409},
      {Key({{-5}, {7}, {100000}}), 1785668426},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.hash, row.key.HashCode()) << Text(row.key);
  }
  // The most negative hash stays negative: its absolute value overflows.
  int set[] = {3, 0, 0, INT_MIN};
  EXPECT_EQ(INT_MIN, NTSequence(set).HashCode());
  const std::int32_t items[] = {1, 2};
  EXPECT_EQ(88390, NTSequence::ComputeHashCode(items, 2, 1));
  // A negative pattern shifts by its floor modulus 32 (here 31), not by a negative amount.
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
  EXPECT_EQ(40, key.size());
  EXPECT_EQ(40, key.getNSets());
  EXPECT_EQ(-1, key.getPattern());
  EXPECT_EQ(key.HashCode(), NTSequence(key).HashCode());
  std::unique_ptr<Sequence> back(key.createSequence());
  EXPECT_EQ(40, back->Size());
  NTSequence shorter(key);
  shorter.removeItem(0, &key);
  EXPECT_EQ(39, shorter.size());
  std::ostringstream os;
  key.display(os);
  EXPECT_NE(std::string::npos, os.str().find("39)>\n"));
}

TEST(NTSequenceTest, OrderOnTheFlatForm) {
  struct Row {
    NTSequence a, b;
    bool less;
  } rows[] = {
      {Key({{1}, {2}}), Key({{1, 2}}), true},
      {Key({{1, 2}}), Key({{1}, {2}}), false},
      {Key({{1, 2}}), Key({{1, 2}, {3}}), true},
      {Key({{1, 3}}), Key({{1}, {5}}), false},
      {Key({{2}}), Key({{1, 5}}), false},
      {Key({{1}, {2}}), Key({{1}, {2}, {0}}), true},
      {Key({{1}, {2}}), Key({{1}, {3}}), true},
      {Key({{1, 5}}), Key({{1, 2}, {9}}), false},
      {Key({}), Key({{0}}), true},
      {Key({}), Key({}), false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.less, row.a < row.b) << Text(row.a) << " < " << Text(row.b);
  }
}

TEST(NTSequenceTest, ExtensionSlots) {
  const NTSequence base = Key({{1, 3}, {5}});
  struct Row {
    int item, slot;
    const char* text;
  } rows[] = {
      {2, 0, "(1 2 3)(5)"}, {2, 1, "(2)(1 3)(5)"}, {2, 3, "(1 3)(2)(5)"}, {2, 5, "(1 3)(5)(2)"},
      {9, 2, "(1 3)(5 9)"}, {0, 0, "(0 1 3)(5)"},  {4, 2, "(1 3)(4 5)"},  {7, 0, "(1 3 7)(5)"},
  };
  for (const Row& row : rows) {
    const NTSequence extended(base, row.item, row.slot);
    EXPECT_EQ(row.text, Text(extended)) << row.item << " at " << row.slot;
    // The extension must be indistinguishable from the same key built directly.
    std::unique_ptr<Sequence> sequence(extended.createSequence());
    EXPECT_TRUE(extended == NTSequence(sequence.get())) << row.text;
  }
  EXPECT_EQ("(4)", Text(NTSequence(NTSequence(), 4, 1)));
}

TEST(NTSequenceTest, RemoveItem) {
  NTSequence source = Key({{1, 3}, {5}});
  struct Row {
    int index;
    bool setRemoved;
    const char* text;
  } rows[] = {
      {2, true, "(1 3)"},
      {1, false, "(1)(5)"},
      {0, false, "(3)(5)"},
      {3, false, "(1 3)(5)"},
  };
  for (const Row& row : rows) {
    NTSequence target(source);
    EXPECT_EQ(row.setRemoved, target.removeItem(row.index, &source)) << row.index;
    EXPECT_EQ(row.text, Text(target)) << row.index;
    std::unique_ptr<Sequence> sequence(target.createSequence());
    EXPECT_TRUE(target == NTSequence(sequence.get())) << row.index;
  }
  // A smaller target grows to fit, and a key may remove from itself.
  NTSequence small = Key({{8}});
  EXPECT_FALSE(small.removeItem(5, &source));
  EXPECT_EQ("(1 3)(5)", Text(small));
  EXPECT_TRUE(small.removeItem(2, &small));
  EXPECT_EQ("(1 3)", Text(small));
  NTSequence single = Key({{6}});
  EXPECT_TRUE(single.removeItem(0, &single));
  EXPECT_TRUE(single == Key({}));
}

TEST(NTSequenceTest, Readers) {
  const NTSequence key = Key({{1, 3}, {5}});
  EXPECT_EQ(3, key.getItemInSet(1, 0));
  EXPECT_EQ(5, key.getItemInSet(0, 1));
  EXPECT_EQ(0, key.getItemInSet(0, 2));
  EXPECT_EQ(0, key.getItemInSet(1, 1));
  EXPECT_EQ(2, key.getSizeOfSet(0));
  EXPECT_EQ(1, key.getSizeOfSet(1));
  EXPECT_EQ(0, key.getSizeOfSet(5));
  EXPECT_EQ(2, key.getItemIndex(5));
  EXPECT_EQ(-1, key.getItemIndex(4));
  std::vector<int> out(3, -1);
  key.getSetAsArray(0, out.data());
  key.getSetAsArray(2, out.data() + 1);  // no such set: writes nothing
  EXPECT_EQ((std::vector<int>{1, 3, -1}), out);

  std::unique_ptr<Sequence> sequence(Key({{4}, {2, 6}}).createSequence());
  ASSERT_EQ(2, sequence->Length());
  EXPECT_EQ("(4)(2 6)", ToText(*sequence));
  EXPECT_EQ(1.0, sequence->GetTimeOfTimedItemSet(0));
  EXPECT_EQ(2.0, sequence->GetTimeOfTimedItemSet(1));
}

TEST(NTSequenceTest, OtherBuilders) {
  const Sequence sequence = MakeSequence({{1, 2}, {3}, {4, 5}});
  EXPECT_EQ("(1 2)(3)", Text(NTSequence(sequence, 1)));
  EXPECT_TRUE(NTSequence(sequence, 3) == NTSequence());
  EXPECT_TRUE(NTSequence(sequence, 7) == NTSequence());
  EXPECT_TRUE(NTSequence(sequence, 0) == NTSequence(&sequence));

  int first[] = {2, 1, 2};
  int second[] = {1, 3};
  int empty[] = {0};
  int* sets[] = {first, empty, second};
  EXPECT_TRUE(NTSequence(sets, 3) == Key({{1, 2}, {3}}));
  EXPECT_TRUE(NTSequence(first) == Key({{1, 2}}));

  NTSequence grown = Key({{1, 3}});
  grown.addItemAfterLast(2);
  EXPECT_EQ("(1 3)(2)", Text(grown));
  EXPECT_EQ(3, grown.getPattern());  // 011
  grown.addItemToSet(2, 0);
  grown.addItemToSet(0, 1);
  grown.addItemToSet(9, 1);
  EXPECT_TRUE(grown == Key({{1, 2, 3}, {0, 2, 9}}));
  NTSequence fromEmpty;
  fromEmpty.addItemAfterLast(4);
  EXPECT_TRUE(fromEmpty == Key({{4}}));
}

TEST(NTSequenceTest, ReuseKeepsTheArrayOnlyForTheSameSize) {
  NTSequence key;
  const Sequence three = MakeSequence({{1, 2}, {3}});
  key.reuseAs(&three);
  const std::int32_t* array = key.items();
  const Sequence otherThree = MakeSequence({{7}, {8}, {9}});
  key.reuseAs(&otherThree);
  EXPECT_EQ(array, key.items());
  EXPECT_TRUE(key == NTSequence(&otherThree));
  const Sequence two = MakeSequence({{7}, {8}});
  key.reuseAs(&two);
  EXPECT_NE(array, key.items());
  EXPECT_TRUE(key == NTSequence(&two));

  array = key.items();
  int a[] = {1, 5};
  int b[] = {1, 6};
  int* sets[] = {a, b};
  key.reuseAs(sets, 2);
  EXPECT_EQ(array, key.items());
  EXPECT_TRUE(key == Key({{5}, {6}}));

  // The packed form is taken verbatim, hash included.
  const std::int32_t items[] = {4, 5, 6};
  const PackedSequence packed{3, 2, 12345, 3, items};
  key.reuseAs(&packed);
  EXPECT_NE(array, key.items());
  EXPECT_EQ(12345, key.HashCode());
  EXPECT_EQ("(4 5)(6)", Text(key));
}

TEST(NTSequenceTest, CopiesAreIndependent) {
  NTSequence original = Key({{1, 2}, {3}});
  NTSequence copy(original);
  NTSequence assigned = Key({{9}});
  assigned = original;
  original.addItemAfterLast(4);
  EXPECT_EQ("(1 2)(3)", Text(copy));
  EXPECT_EQ("(1 2)(3)", Text(assigned));
  const std::int32_t* array = assigned.items();
  NTSequence& self = assigned;
  assigned = self;
  EXPECT_EQ(array, assigned.items());
  EXPECT_EQ("(1 2)(3)", Text(assigned));
}

TEST(NTSequenceTest, Display) {
  std::ostringstream os;
  Key({{1, 2}, {3}}).display(os);
  EXPECT_EQ("HashCode  1250689873\nPattern  3\n<(1 2)(3)>\n", os.str());
  std::ostringstream empty;
  NTSequence().display(empty);
  EXPECT_EQ("HashCode  0\nPattern  0\n<>\n", empty.str());
}

// Random sequences: the key order agrees with the Sequence order, and extending then removing
// the same item gives back the base key.
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

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
