#include "NumericValue.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "StringValue.h"

namespace QxQuorvis_940 {
namespace {

TEST(NumericValueTest, ParsesTheLeadingNumber) {
  const std::tuple<const char*, bool, double> rows[] = {
      {"12.5", true, 12.5},  {"  7", true, 7.0},   {"+4", true, 4.0},     {"-0.25", true, -0.25},
      {".5", true, 0.5},     {"3.", true, 3.0},    {"1.2.3", true, 1.2},  {"2e3", true, 2000.0},
      {"2e", true, 2.0},     {"2E-1x", true, 0.2}, {"12abc", true, 12.0}, {"", false, 0.0},
      {".", false, 0.0},     {"-", false, 0.0},    {"abc", false, 0.0},   {"+-1", false, 0.0},
      {"1e999", false, 0.0}, {"inf", false, 0.0},
  };
  for (const auto& [text, found, expected] : rows) {
    double value = -1.0;
    EXPECT_EQ(found, NumericValue::ParseNumber(text, &value)) << text;
    EXPECT_EQ(found ? expected : -1.0, value) << text;
    EXPECT_EQ(!found, NumericValue(std::string(text)).IsSystemMissingValue()) << text;
  }
}

TEST(NumericValueTest, IgnoresTheProcessLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr ||
      std::localeconv()->decimal_point[0] != ',') {
    std::setlocale(LC_ALL, saved.c_str());
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  const double parsed = NumericValue(std::string("12.5")).GetDouble();
  const std::string written = NumericValue(0.125).GetString();
  const double fromField = StringValue("2.5").GetDouble();
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_TRUE(parsed == 12.5 && written == "0.125" && fromField == 2.5) << written;
}

TEST(NumericValueTest, IntTextMissingAndCopies) {
  EXPECT_EQ(-2, NumericValue(-2.9).GetInt());
  EXPECT_EQ(std::numeric_limits<int>::max(), NumericValue(1e12).GetInt());
  EXPECT_EQ(std::numeric_limits<int>::min(), NumericValue(-1e12).GetInt());
  EXPECT_EQ(0, NumericValue(std::numeric_limits<double>::quiet_NaN()).GetInt());
  EXPECT_EQ("", NumericValue().GetString());
  for (const double d : {0.1, 12.5, -3.0, 1e20, 123456789.123}) {
    double back = 0.0;
    EXPECT_TRUE(NumericValue::ParseNumber(NumericValue(d).GetString(), &back) && d == back) << d;
  }
  const NumericValue missing, otherMissing, one(1.0);
  EXPECT_TRUE(missing.Equal(otherMissing, false, true));
  EXPECT_FALSE(missing.Equal(otherMissing, false, false));
  EXPECT_FALSE(missing.Equal(one, false, true) || one.Equal(missing, false, true));
  EXPECT_TRUE(missing < one);
  EXPECT_TRUE(one == StringValue("1.0") && one > StringValue("0.5"));
  const DateTimeValue when(86400.0);
  std::unique_ptr<ScoreValue> clone(when.Clone());
  EXPECT_TRUE(clone->GetType() == ScoreValue::kDateTime && clone->GetDouble() == 86400.0);
  NumericValue target(5.0);
  target.SetValue(&when);
  EXPECT_TRUE(target.GetDouble() == 86400.0 && target.GetType() == ScoreValue::kNumeric);
  target.SetValue(nullptr);
  EXPECT_TRUE(target.IsSystemMissingValue());
}

TEST(StringValueTest, NumbersFromTextAndCaseInEquality) {
  // clang-format off
  const std::pair<const char*, int> rows[] = {
      {"42", 42}, {" -3", -3}, {"7abc", 7}, {"abc", 0}, {"", 0}, {"2.9", 2}, {"+5", 5},
      {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}};
  // clang-format on
  for (const auto& [text, asInt] : rows) EXPECT_EQ(asInt, StringValue(text).GetInt()) << text;
  EXPECT_EQ(2.5, StringValue("2.5kg").GetDouble());
  EXPECT_TRUE(NumericValue(StringValue("kg").GetDouble()).IsSystemMissingValue());
  EXPECT_FALSE(StringValue("").IsSystemMissingValue());
  const StringValue future("futureItems");
  EXPECT_TRUE(future == StringValue("futureItems"));
  EXPECT_FALSE(future == StringValue("FutureItems"));
  EXPECT_TRUE(future.Equal(StringValue("FUTUREITEMS"), true, false));
  EXPECT_FALSE(future.Equal(StringValue("futureItems "), true, false));
}

}  // namespace
}  // namespace QxQuorvis_940
