#include "input/SequenceDatabase.h"

#include <limits>
#include <stdexcept>
#include <vector>

#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

std::vector<std::int32_t> ItemsOfSet(const SequenceDatabase& db, std::uint32_t s) {
  return std::vector<std::int32_t>(db.items() + db.setBegin(s), db.items() + db.setBegin(s + 1));
}

TEST(SequenceDatabaseTest, NormalisesSetsAndKeepsEmptyCustomers) {
  SequenceDatabase db;
  db.AddItemSet({5, 1, 5, 3}, 0);  // starts the first customer itself
  db.AddItemSet({}, 1);            // dropped
  db.AddItemSet({2}, 2);
  db.StartCustomer();  // a customer without items
  db.StartCustomer();
  db.AddItemSet({9, 8}, 7.5);

  ASSERT_EQ(3, db.NumCustomers());
  ASSERT_EQ(3u, db.NumItemSets());
  EXPECT_TRUE(db.customerBegin(0) == 0 && db.customerBegin(1) == 2 && db.customerBegin(2) == 2);
  EXPECT_EQ((std::vector<std::int32_t>{1, 3, 5}), ItemsOfSet(db, 0));
  EXPECT_EQ((std::vector<std::int32_t>{8, 9}), ItemsOfSet(db, 2));
  EXPECT_TRUE(db.setTime(1) == 2.0 && db.setTime(2) == 7.5);

  const DatabaseStats stats = db.Stats();
  EXPECT_TRUE(stats.customers == 3 && stats.itemSets == 3 && stats.items == 6 &&
              stats.distinctItems == 6 && stats.maxItemsPerSet == 3 &&
              stats.avgItemsPerSet == 2.0 && stats.maxSetsPerCustomer == 2);
}

TEST(SequenceDatabaseTest, CountsDistinctItemsAcrossSetsAndCustomers) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::vector<std::vector<std::int32_t>> sets;  // each set a customer of its own
    std::int32_t distinct;
  };
  const Case cases[] = {
      {{}, 0},
      {{{4, 7}, {7}, {4, 9}, {-3, 4}}, 4},          // ids close together
      {{{kMin, 0}, {kMax}, {0, kMax}, {kMin}}, 3},  // spread over the whole range
      {{{1000000}, {1}, {1000000, 2}}, 3},          // wider than the items but not by much
  };
  for (const Case& c : cases) {
    SequenceDatabase db;
    for (const auto& set : c.sets) {
      db.StartCustomer();
      db.AddItemSet(set, 0);
    }
    EXPECT_EQ(c.distinct, db.Stats().distinctItems) << c.sets.size() << " sets";
  }
}

TEST(SequenceDatabaseTest, RejectsTimesGoingBackwardsWithinACustomer) {
  SequenceDatabase db;
  db.AddItemSet({1}, 5);
  db.AddItemSet({2}, 5);  // equal times are fine
  EXPECT_THROW(db.AddItemSet({3}, 4), std::invalid_argument);
  EXPECT_THROW(db.AddItemSet({3}, std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
  EXPECT_EQ(2u, db.NumItemSets());
  db.StartCustomer();
  db.AddItemSet({3}, 0);  // a new customer starts afresh
  EXPECT_EQ(3u, db.NumItemSets());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
