#include "xml/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "foundation/QxMV.h"
#include "xml/xml_testutil.h"

namespace QxXML_940 {
namespace {

std::string Printf(const char* format, double value) {
  char buffer[512];
  std::snprintf(buffer, sizeof(buffer), format, value);
  return buffer;
}

// Raw bit patterns (NaNs, subnormals, huge values) and short decimals (rounding at digit 15).
std::vector<double> SampleValues() {
  std::mt19937_64 random(20240611);
  std::vector<double> values = {
      0.5,  1e15, 1e16, 999999999999999.0, -999999999999999.0, 999999999999999.5, 1e-5, 1e-4,
      -0.0, 0.0,  -7.0};
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof(value));
    values.push_back(value);
    values.push_back(static_cast<double>(bits % 2000001) / std::pow(10.0, bits % 23) - 1000.0);
  }
  return values;
}

TEST(NumberFormatTest, ClassicFormsMatchPrintfInTheCLocale) {
  ASSERT_STREQ("C", std::setlocale(LC_NUMERIC, nullptr));
  EXPECT_EQ("1e+20", ReplaceSep(1e20, nullptr));
  EXPECT_EQ("-1.79769313486232e+308", ReplaceSep(QxCommon_940::QxMV::Missing(), nullptr));
  EXPECT_EQ("0.25", ReplaceSep(0.25, "anything"));
  EXPECT_EQ("0.2500000000000000", ReplaceSep(0.25));
  EXPECT_EQ("nan", ReplaceSep(std::nan(""), nullptr));
  for (double value : SampleValues()) {
    ASSERT_EQ(Printf("%.15g", value), Format(value, false, "%.3f")) << value;
    ASSERT_EQ(Printf("%.16f", value), ReplaceSep(value)) << value;
  }
}

TEST(NumberFormatTest, PlainFormsUseTheGivenFormat) {
  EXPECT_EQ(".", GetDecimalCharacter());
  EXPECT_EQ("-2147483648", Format(std::numeric_limits<std::int32_t>::min()));
  EXPECT_EQ("2.50", Format(2.5, true, "%.2f"));
  // "%f" of 1e200 is 208 characters; the text is cut to 111.
  EXPECT_EQ(Printf("%f", 1e200).substr(0, 111), Format(1e200, true, "%f"));
}

TEST(NumberFormatTest, OnlyPlainFormsFollowACommaLocale) {
  const std::vector<double> values = SampleValues();
  std::vector<std::string> classic;
  for (double value : values) classic.push_back(ReplaceSep(value, nullptr) + ReplaceSep(value));

  ScopedLocale scoped;
  if (!scoped.Switch("de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  EXPECT_EQ(",", GetDecimalCharacter());
  EXPECT_EQ("2,5", Format(2.5, true, nullptr));
  EXPECT_EQ("42", Format(std::int32_t{42}));
  EXPECT_EQ("2.5", Format(2.5, false, nullptr));
  EXPECT_EQ(";", GetListSeparator());
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_EQ(classic[i], ReplaceSep(values[i], nullptr) + ReplaceSep(values[i])) << values[i];
  }
}

}  // namespace
}  // namespace QxXML_940
