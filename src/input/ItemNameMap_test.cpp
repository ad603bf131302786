#include "input/ItemNameMap.h"

#include <sstream>
#include <string>
#include <utility>

#include "input/InputError.h"
#include "input/input_testutil.h"
#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

TEST(ItemNameMapTest, InternsAndKeepsBothDirectionsConsistent) {
  ItemNameMap map;
  EXPECT_EQ(1, map.Intern("milk"));
  EXPECT_EQ(2, map.Intern("bread"));
  EXPECT_EQ(1, map.Intern("milk"));
  EXPECT_TRUE(map.Add(10, "eggs"));
  EXPECT_EQ(11, map.Intern("jam"));   // after the largest id held
  EXPECT_TRUE(map.Add(10, "eggs"));   // the same pair again
  EXPECT_FALSE(map.Add(10, "ham"));   // id taken
  EXPECT_FALSE(map.Add(12, "milk"));  // name taken
  std::int32_t id = 0;
  EXPECT_TRUE(map.Find("jam", &id) && id == 11);
  EXPECT_FALSE(map.Find("ham", &id));
  EXPECT_EQ(nullptr, map.NameOf(12));
  EXPECT_EQ("12 eggs", map.Label(12) + " " + map.Label(10));
  EXPECT_EQ(4u, map.size());
}

TEST(ItemNameMapTest, SaveAndLoadRoundTripAwkwardNames) {
  ItemNameMap map;
  map.Add(3, "tab\there");
  map.Add(1, "back\\slash\nnew line\r");
  map.Add(2, "plain, with comma");
  std::ostringstream out;
  map.Save(out);
  EXPECT_EQ("id\titem\n1\tback\\\\slash\\nnew line\\r\n2\tplain, with comma\n3\ttab\\there\n",
            out.str());
  std::istringstream in(out.str());
  const ItemNameMap loaded = ItemNameMap::Load(in, "map.tsv");
  ASSERT_EQ(3u, loaded.size());
  for (std::int32_t id = 1; id <= 3; ++id) EXPECT_EQ(*map.NameOf(id), *loaded.NameOf(id));
}

TEST(ItemNameMapTest, LoadReportsMalformedLines) {
  const std::pair<const char*, const char*> kRows[] = {
      {"id\titem\n1\ta\nb\n", "m:3: expected two tab-separated fields"},
      {"1\ta\tb\n", "m:1: expected two tab-separated fields"},
      {"x\ta\n", "m:1: bad item id 'x'"},
      {"-4\ta\n", "m:1: bad item id '-4'"},
      {"1\t\n", "m:1: empty item name"},
      {"1\ta\\q\n", "m:1: bad escape in item name"},
      {"1\ta\n2\ta\n", "m:2: item id or name given twice"},
  };
  for (const auto& [text, error] : kRows) {
    EXPECT_EQ(error, testutil::InputErrorOf([&] {
                std::istringstream in(text);
                ItemNameMap::Load(in, "m");
              }))
        << text;
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
