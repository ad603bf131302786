#include "export/AddressNumbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// Many addresses close together (as objects of one array are) through several growths, with
// numbers changed on the way; the map answers as a std::map does.
TEST(AddressNumbersTest, AgreesWithAnOrderedMapThroughGrowthAndOverwrites) {
  std::vector<std::int64_t> objects(20000);
  AddressNumbers numbers;
  std::map<const void*, std::int32_t> expected;
  EXPECT_EQ(-1, numbers.Find(&objects[0]));
  for (std::size_t i = 0; i < objects.size(); i += 2) {
    numbers.Set(&objects[i], static_cast<std::int32_t>(i));
    expected[&objects[i]] = static_cast<std::int32_t>(i);
  }
  for (std::size_t i = 0; i < objects.size(); i += 6) {
    numbers.Set(&objects[i], -7);
    expected[&objects[i]] = -7;
  }
  ASSERT_EQ(expected.size(), numbers.size());
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const auto it = expected.find(&objects[i]);
    ASSERT_EQ(it == expected.end() ? -1 : it->second, numbers.Find(&objects[i])) << i;
  }
  std::map<const void*, std::int32_t> visited;
  numbers.ForEach([&visited](const void* address, std::int32_t n) { visited[address] = n; });
  EXPECT_EQ(expected, visited);

  numbers.Clear();
  EXPECT_EQ(0u, numbers.size());
  EXPECT_EQ(-1, numbers.Find(&objects[2]));
  numbers.Reserve(10);
  numbers.Set(&objects[2], 5);
  EXPECT_EQ(5, numbers.Find(&objects[2]));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
