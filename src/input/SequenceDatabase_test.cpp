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
