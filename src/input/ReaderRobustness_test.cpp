// The readers on damaged input: every outcome is either a database or an InputError.
#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "input/CsvReader.h"
#include "input/InputError.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"
#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// Flips, inserts, deletes and truncates, favouring the characters the formats give meaning to.
std::string Damage(std::string text, std::mt19937& random) {
  static const std::string kSpecial = "-12<>\"\t\n\r,\\ .:T+Z%";
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int e = 0; e < edits && !text.empty(); ++e) {
    const std::size_t at = random() % text.size();
    const char c = random() % 4 == 0 ? static_cast<char>(random() % 256)
                                     : kSpecial[random() % kSpecial.size()];
    const unsigned kind = random() % 4;
    if (kind == 0) text[at] = c;
    if (kind == 1) text.insert(text.begin() + at, c);
    if (kind == 2) text.erase(at, 1 + random() % 3);
    if (kind == 3) text.resize(at);
  }
  return text;
}

template <typename Read>
int CountRejected(const std::string& valid, std::uint32_t seed, Read read) {
  std::mt19937 random(seed);
  int rejected = 0;
  for (int i = 0; i < 1500; ++i) {
    const std::string damaged = Damage(valid, random);
    std::istringstream in(damaged);
    try {
      read(in);
    } catch (const SeqExceptions::InputError& error) {
      EXPECT_GE(error.line(), 0);
      ++rejected;
    }
  }
  return rejected;
}

TEST(ReaderRobustnessTest, DamagedInputIsReadOrRejected) {
  const std::string spmf = "1 2 -1 3 -1 -2\n<0> 4 -1 <2.5> 5 6 -1 -2\n7 -1 -1 8 -2\n";
  const std::string csv =
      "customer,time,item\n\"a\",2015-07-21,milk\nb,2015-07-21T06:00:00Z,\"jam, best\"\n"
      "a,2015-07-22 10:00+01:00,bread\nb,3,eggs\n";
  const std::string map = "id\titem\n1\tmilk\n2\tjam\\tbest\n3\tbread\n";
  // Many damaged texts are rejected and some are not: both outcomes are exercised.
  const int spmfRejected = CountRejected(spmf, 1, [](std::istream& in) {
    SequenceDatabase db;
    ReadSpmf(in, "spmf", &db);
  });
  const int csvRejected = CountRejected(csv, 2, [](std::istream& in) {
    SequenceDatabase db;
    ItemNameMap names;
    ReadCsv(in, "csv", CsvOptions(), &names, &db);
  });
  const int mapRejected =
      CountRejected(map, 3, [](std::istream& in) { ItemNameMap::Load(in, "map"); });
  for (int rejected : {spmfRejected, csvRejected, mapRejected}) {
    EXPECT_GT(rejected, 100);
    EXPECT_LT(rejected, 1450);
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
