#include "xml/XMLUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace QxXML_940 {
namespace {

// Attribute escaping as the chain of whole-string replacements that defines it.
std::string EscapeByReplacements(std::string s) {
  const char* const kRules[][2] = {{"&", "&amp;"},   {"<", "&lt;"},   {">", "&gt;"},
                                   {"\"", "&quot;"}, {"\t", "&#9;"},  {"\n", "&#10;"},
                                   {"\r", "&#13;"},  {"  ", " &#32;"}};
  for (const auto& rule : kRules) XMLUtil::ReplaceAll(s, rule[0], rule[1]);
  if (!s.empty() && s.front() == ' ') s.replace(0, 1, "&#32;");
  if (!s.empty() && s.back() == ' ') s.replace(s.size() - 1, 1, "&#32;");
  return s;
}

TEST(XMLUtilTest, EscapeKnownValues) {
  const char* const kCases[][2] = {
      {" ", "&#32;"},
      {"  ", "&#32;&#32;"},
      {"   ", "&#32;&#32;&#32;"},
      {"    ", "&#32;&#32; &#32;"},
      {"a  b", "a &#32;b"},
      {" a ", "&#32;a&#32;"},
      {"&amp;", "&amp;amp;"},
      {"<\">", "&lt;&quot;&gt;"},
      {"\xE9\xC3\xA9", "\xE9\xC3\xA9"},
  };
  for (const auto& c : kCases) EXPECT_EQ(c[1], XMLUtil::Escape(c[0])) << "input \"" << c[0] << '"';
}

TEST(XMLUtilTest, EscapeEqualsTheReplacementChain) {
  const char kAlphabet[] = "a &<>\"\t\n\r;#\x80";
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string s(random() % 12, ' ');
    for (char& c : s) c = kAlphabet[random() % (sizeof(kAlphabet) - 1)];
    std::string appended = "  ";
    XMLUtil::AppendEscaped(&appended, s.data(), s.size());
    ASSERT_EQ("  " + EscapeByReplacements(s), appended) << "input \"" << s << '"';
  }
}

TEST(XMLUtilTest, ReplaceAllNeverRescansInsertedText) {
  std::string s = "aXa";
  EXPECT_EQ(2, XMLUtil::ReplaceAll(s, "a", "aa"));
  EXPECT_EQ("aaXaa", s);
  s = "aaaaa";
  XMLUtil::ReplaceAll(s, "aa", "b");
  EXPECT_EQ("bba", s);
  s = "x--y--z";
  EXPECT_EQ(1, XMLUtil::ReplaceString(s, "--", "+"));
  EXPECT_EQ(-1, XMLUtil::ReplaceString(s, "#", "+"));
  EXPECT_EQ("x+y--z", s);
}

}  // namespace
}  // namespace QxXML_940
