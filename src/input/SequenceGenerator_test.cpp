#include "input/SequenceGenerator.h"

#include <sstream>
#include <string>

#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"
#include "mining/mining_testutil.h"
#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

GeneratorOptions SmallOptions(std::uint32_t seed) {
  GeneratorOptions options;
  options.customers = 300;
  options.avgSetsPerCustomer = 5;
  options.avgItemsPerSet = 2;
  options.distinctItems = 100;
  options.patterns = 10;
  options.avgPatternItems = 3;
  options.seed = seed;
  return options;
}

std::string Generated(const GeneratorOptions& options, SequenceDatabase* db) {
  SequenceGenerator(options).Generate(db);
  std::ostringstream out;
  WriteSpmf(*db, out, true);
  return out.str();
}

TEST(SequenceGeneratorTest, SameSeedSameDataOfTheRequestedShape) {
  SequenceDatabase db, b, c;
  const std::string first = Generated(SmallOptions(7), &db);
  EXPECT_EQ(first, Generated(SmallOptions(7), &b));
  EXPECT_NE(first, Generated(SmallOptions(8), &c));
  const DatabaseStats stats = db.Stats();
  EXPECT_EQ(300, stats.customers);
  EXPECT_NEAR(5.0, static_cast<double>(stats.itemSets) / stats.customers, 0.5);
  EXPECT_LE(stats.distinctItems, 100);
  for (std::uint32_t p = 0; p < db.NumItems(); ++p) {
    ASSERT_GE(db.items()[p], 1);
    ASSERT_LE(db.items()[p], 100);
  }
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    ASSERT_LT(db.customerBegin(c), db.customerBegin(c + 1)) << "customer without items";
    EXPECT_EQ(0, db.setTime(db.customerBegin(c)));
    for (std::uint32_t s = db.customerBegin(c) + 1; s < db.customerBegin(c + 1); ++s) {
      const double gap = db.setTime(s) - db.setTime(s - 1);
      ASSERT_TRUE(gap >= 1 && gap <= 4) << gap;
    }
  }
}

TEST(SequenceGeneratorTest, HeaviestPlantedPatternIsFrequent) {
  SequenceGenerator generator(SmallOptions(5));
  const PlantedPattern& heaviest = generator.patterns().front();
  double total = 0;
  for (const PlantedPattern& pattern : generator.patterns()) {
    EXPECT_LE(pattern.weight, heaviest.weight);
    total += pattern.weight;
  }
  EXPECT_NEAR(1.0, total, 1e-12);

  SequenceDatabase db;
  generator.Generate(&db);
  const std::string text = testutil::SetsText(heaviest.sets);
  MiningOptions options;
  options.minSupport = 0.15;
  options.maxItems = 0;
  for (const auto& set : heaviest.sets) options.maxItems += static_cast<int>(set.size());
  EXPECT_EQ(1u, testutil::MineAll(db, options).count(text)) << text;
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
