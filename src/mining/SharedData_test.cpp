// The published groceries log: read as CSV it gives the same sequences as its integer form, and
// the known number of them.
#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "input/CsvReader.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "mining/SequenceMiner.h"
#include "input/SpmfFormat.h"
#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

const std::string kData = std::string(CARMASEQ_SHARED_DIR) + "/data/";

// Every sequence mined at minSupport, written with item names (sorted within each set, as the
// two forms number the items differently), with its count.
std::map<std::string, std::int32_t> MineNamed(const SequenceDatabase& db, double minSupport,
                                              const ItemNameMap& names) {
  MiningOptions options;
  options.minSupport = minSupport;
  options.maxItems = 31;
  std::map<std::string, std::int32_t> found;
  SequenceMiner(options).Mine(db, [&](const MinedSequence& sequence) {
    std::string text;
    for (std::int32_t k = 0, i = 0; k < sequence.numSets; ++k) {
      std::vector<std::string> set;
      for (; i < sequence.setEnds[k]; ++i) set.push_back(names.Label(sequence.items[i]));
      std::sort(set.begin(), set.end());
      text += "(";
      for (const std::string& name : set) text += name + ";";
      text += ")";
    }
    found[text] = sequence.count;
  });
  return found;
}

TEST(SharedDataTest, GroceriesCsvAndIntegerFormsAgree) {
  std::ifstream csv(kData + "groceries/Groceries_dataset.csv", std::ios::binary);
  std::ifstream spmf(kData + "groceries/groceries.spmf.txt");
  std::ifstream items(kData + "groceries/groceries.items.tsv");
  if (!csv || !spmf || !items) GTEST_SKIP() << "groceries data not found under " << kData;

  CsvOptions options;
  options.customerColumn = "Member_number";
  options.timeColumn = "Date";
  options.itemColumn = "itemDescription";
  options.timeFormat = "%d-%m-%Y";
  SequenceDatabase fromCsv;
  ItemNameMap csvNames;
  ReadCsv(csv, "Groceries_dataset.csv", options, &csvNames, &fromCsv);
  SequenceDatabase fromSpmf;
  ReadSpmf(spmf, "groceries.spmf.txt", &fromSpmf);
  const ItemNameMap spmfNames = ItemNameMap::Load(items, "groceries.items.tsv");

  EXPECT_EQ(3898, fromCsv.NumCustomers());
  EXPECT_EQ(167u, csvNames.size());
  const auto csvFound = MineNamed(fromCsv, 0.005, csvNames);
  EXPECT_EQ(3417u, csvFound.size());
  EXPECT_EQ(csvFound, MineNamed(fromSpmf, 0.005, spmfNames));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
