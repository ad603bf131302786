#include "ScoreTranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <xercesc/dom/DOMAttr.hpp>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNodeList.hpp>
#include <xercesc/dom/DOMText.hpp>

#include "QuorvisTranscoder.h"
#include "host_testutil.h"

namespace QxQuorvis_940 {
namespace {

using xercesc::DOMDocument;
using xercesc::DOMElement;

TEST(VerifyIntTest, AcceptsOnlyWholeIntegersInRange) {
  struct Row {
    const char16_t* text;
    bool valid;
    int value;
  };
  // clang-format off
  const Row rows[] = {
      {u"0", true, 0}, {u"-7", true, -7}, {u"+7", true, 7}, {u" \t12\n", true, 12},
      {u"2147483647", true, 2147483647}, {u"-2147483648", true, -2147483647 - 1},
      {u"2147483648", false, 0}, {u"-2147483649", false, 0}, {u"99999999999999999999", false, 0},
      {u"", false, 0}, {u"   ", false, 0}, {u"-", false, 0}, {u"12abc", false, 0},
      {u"1 2", false, 0}, {u"1.5", false, 0}, {u"0x10", false, 0},
      {u"\u0661", false, 0},  // An Arabic-Indic digit is not a decimal digit here.
      {nullptr, false, 0}};
  // clang-format on
  for (const Row& row : rows) {
    int out = -99;
    EXPECT_EQ(row.valid, BaseTranslator::VerifyInt(row.text, &out)) << "row " << &row - rows;
    EXPECT_EQ(row.valid ? row.value : -99, out) << "row " << &row - rows;
    EXPECT_EQ(row.value, BaseTranslator::VerifyInt(row.text)) << "row " << &row - rows;
  }
}

class DomHelperTest : public XercesTest {};

// The tag of `element`, or "-" for none.
std::u16string Tag(const DOMElement* element) {
  return element == nullptr ? u"-" : std::u16string(element->getTagName());
}

TEST_F(DomHelperTest, NavigationSkipsTextAndComments) {
  DOMDocument* doc = Parse("<root>text<!-- c --><a id='1'/>\n  <?pi x?><b/>tail<c><d/></c></root>");
  ASSERT_NE(nullptr, doc);
  DOMElement* a = BaseTranslator::GetFirstChildElt(doc->getDocumentElement());
  EXPECT_EQ(u"a", Tag(a));
  DOMElement* b = BaseTranslator::GetNextSiblingElt(a);
  EXPECT_EQ(u"b", Tag(b));
  EXPECT_EQ(u"-", Tag(BaseTranslator::GetFirstChildElt(b)));
  DOMElement* c = BaseTranslator::GetNextSiblingElt(b);
  EXPECT_EQ(u"-", Tag(BaseTranslator::GetNextSiblingElt(c)));  // Trailing text is no element.
  EXPECT_EQ(u"d", Tag(BaseTranslator::GetFirstChildElt(c)));
  EXPECT_EQ(u"root", Tag(BaseTranslator::GetFirstChildElt(doc)));  // From the document, the root.
}

TEST_F(DomHelperTest, ElementsInDocumentOrderAndAttributes) {
  DOMDocument* doc =
      Parse("<r count='12' empty='' bad='1x'><Item n='1'/><x><Item n='2'/></x><Item n='3'/></r>");
  ASSERT_NE(nullptr, doc);
  xercesc::DOMNodeList* items = BaseTranslator::GetElementsByTagName(doc, "Item");
  ASSERT_TRUE(items != nullptr && items->getLength() == 3u);
  const auto* second = static_cast<DOMElement*>(items->item(1));
  EXPECT_EQ(2, BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(second, "n")));
  EXPECT_EQ(0u, BaseTranslator::GetElementsByTagName(doc, "item")->getLength());
  EXPECT_EQ(nullptr, BaseTranslator::GetElementsByTagName(nullptr, "Item"));

  const DOMElement* r = doc->getDocumentElement();
  EXPECT_EQ(12, BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, "count")));
  const XMLCh* empty = BaseTranslator::GetAttribute(r, "empty");
  EXPECT_TRUE(empty != nullptr && empty[0] == 0);  // Present but empty is not absent.
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(r, "missing"));
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(r, "Count"));
  int out = 5;
  EXPECT_FALSE(BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, "bad"), &out));
  EXPECT_EQ(5, out);
}

// Names of every length and alphabet, and values that are not a single text child.
TEST_F(DomHelperTest, AttributeNamesAndValuesOfEveryShape) {
  const std::string longName(80, 'n');
  DOMDocument* doc = Parse("<r " + longName + "='7' \xC3\xA4ge='8' a='x&amp;y' b='&#49;2'/>");
  ASSERT_NE(nullptr, doc);
  DOMElement* r = doc->getDocumentElement();
  EXPECT_EQ(7, BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, longName.c_str())));
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(r, longName.substr(1).c_str()));
  EXPECT_EQ(8, BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, "\xC3\xA4ge")));
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(r, "\xC3ge"));  // not UTF-8: matches nothing
  EXPECT_EQ(std::u16string(u"x&y"), BaseTranslator::GetAttribute(r, "a"));
  EXPECT_EQ(12, BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, "b")));

  // A value made of two text children reads as their concatenation; one with none as empty.
  xercesc::DOMAttr* split = r->getAttributeNode(u"b");
  split->appendChild(doc->createTextNode(u"3"));
  EXPECT_EQ(std::u16string(u"123"), BaseTranslator::GetAttribute(r, "b"));
  xercesc::DOMAttr* bare = doc->createAttribute(u"c");
  r->setAttributeNode(bare);
  const XMLCh* empty = BaseTranslator::GetAttribute(r, "c");
  EXPECT_TRUE(empty != nullptr && empty[0] == 0);
}

// Records what reaches the one overload that translators override.
class RecordingTranslator : public BaseTranslator {
 public:
  using BaseTranslator::ParseFromTree;
  ScoreModel* ParseFromTree(DOMDocument* document, std::string& encoding) override {
    seenDocument = document;
    seenEncoding = encoding;
    return nullptr;
  }
  DOMDocument* seenDocument = nullptr;
  std::string seenEncoding;
};

TEST_F(DomHelperTest, OverloadsReachTheDocumentOverload) {
  DOMDocument* doc = Parse("<r><child/></r>");
  ASSERT_NE(nullptr, doc);
  DOMElement* child = BaseTranslator::GetFirstChildElt(doc->getDocumentElement());
  RecordingTranslator translator;
  ScoreTranslator& host = translator;
  std::string latin = "ISO-8859-1";

  host.ParseFromTree(child, latin);
  EXPECT_TRUE(translator.seenDocument == doc && translator.seenEncoding == latin);
  host.ParseFromTree(static_cast<xercesc::DOMNode*>(doc), "UTF-16");
  EXPECT_EQ("UTF-16", translator.seenEncoding);
  host.ParseFromTree(doc, static_cast<const char*>(nullptr));
  EXPECT_EQ("UTF-8", translator.seenEncoding);

  BaseTranslator base;
  EXPECT_TRUE(base.ParseFromTree(doc, latin) == nullptr && base.GetTranscoder() == nullptr);
  base.CreateTranscoder(latin);
  ASSERT_NE(nullptr, base.GetTranscoder());
  EXPECT_EQ(latin, base.GetTranscoder()->GetEncoding());
}

}  // namespace
}  // namespace QxQuorvis_940
