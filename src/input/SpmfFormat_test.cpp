#include "input/SpmfFormat.h"

#include <sstream>
#include <string>
#include <utility>

#include "input/InputError.h"
#include "input/SequenceDatabase.h"
#include "input/input_testutil.h"
#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

std::string RoundTrip(const std::string& text, bool withTimes) {
  std::istringstream in(text);
  SequenceDatabase db;
  ReadSpmf(in, "test", &db);
  std::ostringstream out;
  WriteSpmf(db, out, withTimes);
  return out.str();
}

TEST(SpmfFormatTest, ReadsAndNormalises) {
  const std::string text =
      "# comment\n"
      "@CONVERTED_FROM_TEXT\n"
      "3 1 3 -1 2 -1 -2\r\n"  // unsorted, repeated item; CRLF
      "\n"
      "-2\n"            // a customer without items
      "4 -1 -1 5 -2\n"  // empty set dropped; -2 closes the open set
      "<10> 7 -1 <12.5> 8 -1 -2\n"
      "6 -1 9";  // no -2 and no final line end
  EXPECT_EQ(
      "1 3 -1 2 -1 -2\n"
      "-2\n"
      "4 -1 5 -1 -2\n"
      "7 -1 8 -1 -2\n"
      "6 -1 9 -1 -2\n",
      RoundTrip(text, false));
  EXPECT_EQ("<0> 4 -1 <2> 5 -1 -2\n<10> 7 -1 <12.5> 8 -1 -2\n",
            RoundTrip("4 -1 -1 5 -2\n<10> 7 -1 <12.5> 8 -1 -2\n", true));
}

TEST(SpmfFormatTest, MalformedLinesNameTheLineAndReason) {
  const std::pair<const char*, const char*> kRows[] = {
      {"1 -1 -2\n1 x -1 -2\n", "in.txt:2: not an item id: 'x'"},
      {"1 -1 -2 5\n", "in.txt:1: text after -2: '5'"},
      {"1 -3 -2\n", "in.txt:1: item id out of range: '-3'"},
      {"2147483648 -2\n", "in.txt:1: item id out of range: '2147483648'"},
      {"1 2.5 -2\n", "in.txt:1: not an item id: '2.5'"},
      {"1 <3> -1 -2\n", "in.txt:1: time inside an item set: '<3>'"},
      {"<3> 1 -1 <2> 2 -1 -2\n", "in.txt:1: time goes backwards: '<2>'"},
      {"<5> 1 -1 2 -1 -2\n", "in.txt:1: item set 2 is earlier than the one before"},
      {"<nan> 1 -1 -2\n", "in.txt:1: bad time '<nan>'"},
      {"<> 1 -2\n", "in.txt:1: bad time '<>'"},
  };
  for (const auto& [text, error] : kRows) {
    EXPECT_EQ(error, testutil::InputErrorOf([&] {
                std::istringstream in(text);
                SequenceDatabase db;
                ReadSpmf(in, "in.txt", &db);
              }))
        << text;
  }
}

TEST(SpmfFormatTest, OverlongLineIsAnErrorNotAnAllocation) {
  std::istringstream in("1 -1 -2\n" + std::string(20 << 20, '7'));
  SequenceDatabase db;
  EXPECT_EQ("big:2: ", testutil::InputErrorOf([&] { ReadSpmf(in, "big", &db); }).substr(0, 7));
  EXPECT_EQ(1, db.NumCustomers());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
