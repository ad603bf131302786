#include "input/TimeParser.h"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

TEST(TimeParserTest, DefaultReadsNumbersAndIsoDates) {
  const TimeParser parser;
  // clang-format off
  const std::pair<const char*, double> kRows[] = {
      {"42", 42}, {" -1.5e3 ", -1500}, {"1970-01-01", 0}, {"1969-12-31", -1},
      {"2000-03-01", 11017},  // past a leap day of a century divisible by 400
      {"2015-07-21", 16637}, {"2015-07-21T06:00", 16637.25}, {"2015-07-21 18:00:00", 16637.75},
      {"2015-07-21T12:00:00.5Z", 16637.5 + 0.5 / 86400}, {"2015-07-21T02:00+02:00", 16637},
      {"2015-07-20T22:30-01:30", 16637}};
  // clang-format on
  for (const auto& [text, expected] : kRows) {
    double days = -7;
    EXPECT_TRUE(parser.Parse(text, &days) && std::fabs(expected - days) < 1e-9) << text << days;
  }
  // clang-format off
  const char* const kBad[] = {"", "abc", "nan", "inf", "2015-02-29", "2016-13-01",
                              "2015-07-21T24:00", "2015-7-21", "2015-07-21T", "2015-07-21T06:00+2"};
  // clang-format on
  for (const char* text : kBad) {
    double days = -7;
    EXPECT_FALSE(parser.Parse(text, &days)) << text;
    EXPECT_EQ(-7, days) << text;
  }
}

TEST(TimeParserTest, FormatsMatchExactly) {
  double days = 0;
  EXPECT_TRUE(TimeParser("%d-%m-%Y").Parse("21-07-2015", &days) && days == 16637) << days;
  EXPECT_TRUE(TimeParser("%d/%b/%y %H:%M:%S").Parse("1/JUL/15 12:00:00", &days) && days == 16617.5)
      << days;
  EXPECT_TRUE(TimeParser("%Y%%").Parse("1970%", &days) && days == 0) << days;
  for (const char* text : {"2015-07-21", "31-06-2015", "21-07-2015x"}) {
    EXPECT_FALSE(TimeParser("%d-%m-%Y").Parse(text, &days)) << text;
  }
  EXPECT_THROW(TimeParser("%d-%q"), std::invalid_argument);
  EXPECT_THROW(TimeParser("%Y%"), std::invalid_argument);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
