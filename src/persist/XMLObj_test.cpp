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

TEST(XMLObjTest, WritesEachValueOnItsOwnLineOneTabDeeperThanTheObject) {
  const XMLObj obj("Thing", 4);
  std::ostringstream os;
  obj.StartObj(os);
  obj.WriteSubElement(os, 17);
  obj.WriteSubElement(os, XMLLong{-3});
  obj.WriteSubElement(os, 0.1);
  obj.WriteSubElement(os, 1e20);
  obj.WriteSubElement(os, QxMV::Missing());
  obj.WriteSubElement(os, true);
  obj.WriteSubElement(os, 4000000000u);
  obj.WriteSubElement(os, "a\"b  c");
  obj.EndObj(os);
  const std::string v = "\n\t\t\t\t\t<";
  EXPECT_EQ("\n\t\t\t\t<Obj name=\"Thing\">" + v + "Int value=\"17\"/>" + v +
                "Long value=\"-3\"/>" + v + "Double value=\"0.1\"/>" + v +
                "Double value=\"1e+20\"/>" + v + "Double value=\"Missing\"/>" + v +
                "Int value=\"1\"/>" + v + "Int value=\"4000000000\"/>" + v +
                "String value=\"a&quot;b &#32;c\"/>\n\t\t\t\t</Obj>",
            os.str());
}

TEST(XMLObjTest, RootFrameIsCheckedByFirstTokens) {
  std::ostringstream os;
  os << "<?xml version=\"1.0\"?>\n<!DOCTYPE QxXMLRoot SYSTEM \"" << kObjectXMLSystemId << "\">\n";
  WriteHeader(os, "(c) carmaseq");
  XMLObj("Empty", 1).StartObj(os);
  XMLObj("Empty", 1).EndObj(os);
  EndHeader(os);
  EXPECT_NE(std::string::npos, os.str().find("<QxXMLRoot copyright=\"(c) carmaseq\">\n\t<Obj"));
  EXPECT_EQ("\t</Obj>\n</QxXMLRoot>", os.str().substr(os.str().size() - 20));
  std::istringstream good(os.str());
  EXPECT_TRUE(ParseStartXML(good));
  EXPECT_TRUE(ParseStartObj(good, "Empty"));
  EXPECT_TRUE(ParseEndObj(good));
  std::istringstream bad("<?xml ?>\n<QxXMLRoot>\n<QxXMLRoot>\n");
  EXPECT_FALSE(ParseStartXML(bad));
}

TEST(XMLObjTest, ParsesWhatTheWriterWrites) {
  const XMLObj obj("Values", 1);
  std::ostringstream os;
  obj.WriteSubElement(os, -5);
  obj.WriteSubElement(os, XMLLong{2147483647});
  obj.WriteSubElement(os, 1.0 / 3.0);
  obj.WriteSubElement(os, QxMV::Missing());
  obj.WriteSubElement(os, false);
  obj.WriteSubElement(os, 7u);
  obj.WriteSubElement(os, std::string());
  obj.WriteSubElement(os, "plain text");
  std::istringstream is(os.str().substr(1));  // Drop the leading line feed.
  int i = 0;
  XMLLong l;
  double d = 0;
  double missing = 0;
  bool b = true;
  unsigned int u = 0;
  std::string empty = "x";
  std::string text;
  ASSERT_TRUE(ParseValue(is, i) && ParseValue(is, l) && ParseValue(is, d) &&
              ParseValue(is, missing) && ParseValue(is, b) && ParseValue(is, u) &&
              ParseValue(is, empty) && ParseValue(is, text));
  EXPECT_EQ(-5, i);
  EXPECT_EQ(2147483647, l.value);
  EXPECT_EQ(0.333333333333333, d);
  EXPECT_TRUE(QxMV::IsMissing(missing));
  EXPECT_FALSE(b);
  EXPECT_EQ(7u, u);
  EXPECT_EQ("", empty);
  EXPECT_EQ("plain text", text);
  EXPECT_FALSE(ParseValue(is, i)) << "end of text";
}

TEST(XMLObjTest, RejectsWrongElementsBoolsAndOverlongLines) {
  int i = -1;
  bool b = false;
  std::istringstream wrongElement(
      "<Long value=\"3\"/>\n<Int value=\"2\"/>\n<Int value=\"abc\"/>\n");
  EXPECT_FALSE(ParseValue(wrongElement, i));
  EXPECT_FALSE(ParseValue(wrongElement, b)) << "2 is not a bool";
  EXPECT_TRUE(ParseValue(wrongElement, i));
  EXPECT_EQ(0, i) << "non-numeric text reads as 0";

  const std::string line = "<Int value=\"7\"/>";
  std::istringstream longest(line + std::string(255 - line.size(), ' ') + "\n");
  EXPECT_TRUE(ParseValue(longest, i));
  std::istringstream tooLong(line + std::string(256 - line.size(), ' ') + "\n");
  EXPECT_FALSE(ParseValue(tooLong, i));

  std::istringstream starts("\n<Obj name=\"A\">\n\n\n<Obj name=\"A\">\n<Obj name=\"B\">\n");
  EXPECT_TRUE(ParseStartObj(starts, "A")) << "one empty line is skipped";
  EXPECT_FALSE(ParseStartObj(starts, "A")) << "two are not";
  std::istringstream other("<Obj name=\"B\">\n</Obj>\n");
  EXPECT_FALSE(ParseStartObj(other, "A"));
  EXPECT_TRUE(ParseEndObj(other));
}

TEST(XMLObjTest, NumbersIgnoreTheProcessLocale) {
  const std::locale saved = std::locale::global(std::locale());
  if (std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  std::locale::global(std::locale("de_DE.utf8"));
  std::ostringstream os;
  XMLObj("N", 0).WriteSubElement(os, 2.5);
  std::istringstream is(os.str().substr(1));
  double value = 0;
  const bool parsed = ParseValue(is, value);
  std::locale::global(saved);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ("\n\t<Double value=\"2.5\"/>", os.str());
  EXPECT_TRUE(parsed);
  EXPECT_EQ(2.5, value);
}

}  // namespace
}  // namespace QxXML_940
