#include "xml/XMLWriter.h"

#include <gtest/gtest.h>
#include <langinfo.h>

#include <cstring>
#include <memory>
#include <sstream>

#include "xml/XMLNodes.h"
#include "xml/xml_testutil.h"

namespace QxXML_940 {
namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

std::string From(const char* codeset, const std::string& text) {
  std::ostringstream os;
  WriteUTFFrom(os, text.data(), text.size(), codeset);
  return os.str();
}

class WriteTreeTest : public testing::Test {
 protected:
  WriteTreeTest() : root_(XMLElement::Create("P")), doc_(XMLDocType::Create("P", "m.dtd", 0)) {
    XMLElement* header = XMLElement::Create("H");
    header->AddAttribute("c", "caf\xE9");
    XMLElement* a = XMLElement::Create("A");
    a->AddElement(XMLString::Create("x<y"));
    header->AddElement(a);
    root_->AddElement(header);
    root_->AddElement(XMLElement::Create("D"));
  }

  std::string Tree(bool format, const XMLDocType* doc, bool utf8 = false) {
    std::ostringstream os;
    EXPECT_EQ(0, utf8 ? WriteTreeUTF8(os, doc, root_.get(), format)
                      : WriteTree(os, doc, root_.get(), format));
    return os.str();
  }

  std::unique_ptr<XMLElement> root_;
  std::unique_ptr<XMLDocType> doc_;
};

TEST_F(WriteTreeTest, LayoutWithAndWithoutFormat) {
  EXPECT_EQ(std::string(kDeclaration) +
                "<!DOCTYPE P SYSTEM \"m.dtd\">\n\n<P>\n<H c=\"caf\xE9\">\n<A>x&lt;y</A>\n</H>"
                "\n<D/>\n</P>",
            Tree(true, doc_.get()));
  EXPECT_EQ(std::string(kDeclaration) + "<P><H c=\"caf\xE9\"><A>x&lt;y</A></H><D/></P>",
            Tree(false, nullptr));
}

TEST_F(WriteTreeTest, Utf8OutputPassesBytesUnderAsciiAndUtf8Locales) {
  ScopedLocale scoped;
  ASSERT_STREQ("ANSI_X3.4-1968", nl_langinfo(CODESET));
  EXPECT_EQ(Tree(true, doc_.get()), Tree(true, doc_.get(), true));
  if (!scoped.Switch("C.UTF-8")) GTEST_SKIP() << "locale C.UTF-8 is not installed";
  EXPECT_EQ(Tree(false, nullptr), Tree(false, nullptr, true));
}

TEST_F(WriteTreeTest, Utf8OutputIsTranscodedUnderALatin1Locale) {
  ScopedLocale scoped;
  bool found = false;
  for (const char* name : {"de_DE.ISO-8859-1", "en_US.ISO-8859-1", "de_DE", "en_US"}) {
    found = scoped.Switch(name) && std::strcmp(nl_langinfo(CODESET), "ISO-8859-1") == 0;
    if (found) break;
  }
  if (!found) GTEST_SKIP() << "no ISO-8859-1 locale is installed";
  EXPECT_EQ(std::string(kDeclaration) + "<P><H c=\"caf\xC3\xA9\"><A>x&lt;y</A></H><D/></P>",
            Tree(false, nullptr, true));
}

TEST(WriteUTFTest, NamedCodePagesReplaceInvalidBytes) {
  // 0x80 is the euro sign in windows-1252; 0x81 is unassigned.
  EXPECT_EQ("\xE2\x82\xAC|\xEF\xBF\xBD|", From("CP1252", "\x80|\x81|"));
  // A Shift_JIS lead byte cut off by the end of the text.
  EXPECT_EQ(
      "\xE3\x81\x82"
      "a\xEF\xBF\xBD",
      From("SHIFT_JIS",
           "\x82\xA0"
           "a\x82"));
  std::string expected;  // Output larger than one conversion buffer.
  for (int i = 0; i < 5001; ++i) expected += "\xC3\xA9";
  EXPECT_EQ(expected, From("ISO-8859-1", std::string(5001, '\xE9')));
  EXPECT_EQ("\xE9\x01", From("NO-SUCH-CODE-PAGE", "\xE9\x01"));
  EXPECT_EQ("\xFF\xC3(", From("UTF-8", "\xFF\xC3("));
}

}  // namespace
}  // namespace QxXML_940
