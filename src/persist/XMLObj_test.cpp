#include "persist/XMLObj.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <sstream>
#include <string>

#include "foundation/QxMV.h"

namespace QxXML_940 {
namespace {

using QxCommon_940::QxMV;

TEST(XMLObjTest, WritesOneValuePerLineOneTabDeeperAndReadsItBack) {
  const XMLObj obj("Thing", 4);
  std::ostringstream os;
  obj.StartObj(os);
  obj.WriteSubElement(os, -17);
  obj.WriteSubElement(os, XMLLong{2147483647});
  obj.WriteSubElement(os, 1.0 / 3.0);
  obj.WriteSubElement(os, 1e20);
  obj.WriteSubElement(os, QxMV::Missing());
  obj.WriteSubElement(os, true);
  obj.WriteSubElement(os, 4000000000u);
  obj.WriteSubElement(os, "a\"b  c");
  obj.WriteSubElement(os, std::string());
  obj.EndObj(os);
  const std::string v = "\n\t\t\t\t\t<";
  EXPECT_EQ("\n\t\t\t\t<Obj name=\"Thing\">" + v + "Int value=\"-17\"/>" + v +
                "Long value=\"2147483647\"/>" + v + "Double value=\"0.333333333333333\"/>" + v +
                "Double value=\"1e+20\"/>" + v + "Double value=\"Missing\"/>" + v +
                "Int value=\"1\"/>" + v + "Int value=\"4000000000\"/>" + v +
                "String value=\"a&quot;b &#32;c\"/>" + v + "String value=\"\"/>\n\t\t\t\t</Obj>",
            os.str());

  std::istringstream is(os.str());
  int i = 0;
  XMLLong l;
  double third = 0, huge = 0, missing = 0;
  bool b = false;
  unsigned int u = 0;
  std::string escaped, empty = "x";
  ASSERT_TRUE(ParseStartObj(is, "Thing") && ParseValue(is, i) && ParseValue(is, l) &&
              ParseValue(is, third) && ParseValue(is, huge) && ParseValue(is, missing) &&
              ParseValue(is, b) && ParseValue(is, u) && ParseValue(is, escaped) &&
              ParseValue(is, empty) && ParseEndObj(is));
  EXPECT_TRUE(i == -17 && l.value == 2147483647 && b && u == 4000000000u && empty.empty());
  EXPECT_TRUE(third == 0.333333333333333 && huge == 1e20 && QxMV::IsMissing(missing));
  EXPECT_EQ("a&quot;b &#32;c", escaped) << "read back raw";
  EXPECT_FALSE(ParseValue(is, i)) << "end of text";
}

TEST(XMLObjTest, RootFrameAndRejectedLines) {
  std::ostringstream os;
  os << "<?xml version=\"1.0\"?>\n<!DOCTYPE QxXMLRoot SYSTEM \"" << kObjectXMLSystemId << "\">\n";
  WriteHeader(os, "(c) carmaseq");
  EndHeader(os);
  EXPECT_EQ("<QxXMLRoot copyright=\"(c) carmaseq\">\n</QxXMLRoot>",
            os.str().substr(os.str().find("<QxXMLRoot")));
  std::istringstream good(os.str()), bad("<?xml ?>\n<QxXMLRoot>\n<QxXMLRoot>\n");
  EXPECT_TRUE(ParseStartXML(good) && !ParseStartXML(bad));

  int i = -1;
  bool b = false;
  std::istringstream values("<Long value=\"3\"/>\n<Int value=\"2\"/>\n<Int value=\"abc\"/>\n");
  EXPECT_FALSE(ParseValue(values, i)) << "another element";
  EXPECT_FALSE(ParseValue(values, b)) << "2 is not a bool";
  EXPECT_TRUE(ParseValue(values, i) && i == 0) << "non-numeric text reads as 0";
  const std::string line = "<Int value=\"7\"/>";
  std::istringstream longest(line + std::string(255 - line.size(), ' ') + "\n");
  std::istringstream tooLong(line + std::string(256 - line.size(), ' ') + "\n");
  EXPECT_TRUE(ParseValue(longest, i) && !ParseValue(tooLong, i));
  std::istringstream starts("\n<Obj name=\"A\">\n\n\n<Obj name=\"B\">\n");
  EXPECT_TRUE(ParseStartObj(starts, "A")) << "one empty line is skipped";
  EXPECT_FALSE(ParseStartObj(starts, "A")) << "two are not";
  EXPECT_FALSE(ParseStartObj(starts, "A")) << "another name";
}

TEST(XMLObjTest, NumbersIgnoreTheProcessLocale) {
  if (std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  const std::locale saved = std::locale::global(std::locale("de_DE.utf8"));
  std::ostringstream os;
  XMLObj("N", 0).WriteSubElement(os, 2.5);
  std::istringstream is(os.str().substr(1));  // Without the empty first line.
  double value = 0;
  const bool parsed = ParseValue(is, value);
  std::locale::global(saved);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ("\n\t<Double value=\"2.5\"/>", os.str());
  EXPECT_TRUE(parsed && value == 2.5);
}

}  // namespace
}  // namespace QxXML_940
