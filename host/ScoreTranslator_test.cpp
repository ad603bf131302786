#include "ScoreTranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNodeList.hpp>

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
  const Row rows[] = {
      {u"0", true, 0},
      {u"42", true, 42},
      {u"-7", true, -7},
      {u"+7", true, 7},
      {u" \t12\n", true, 12},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, -2147483647 - 1},
      {u"2147483648", false, 0},
      {u"-2147483649", false, 0},
      {u"99999999999999999999", false, 0},
      {u"", false, 0},
      {u"   ", false, 0},
      {u"-", false, 0},
      {u"12abc", false, 0},
      {u"1 2", false, 0},
      {u"1.5", false, 0},
      {u"0x10", false, 0},
      {u"\u0661", false, 0},  // An Arabic-Indic digit is not a decimal digit here.
  };
  for (const Row& row : rows) {
    const std::u16string text(row.text);
    int out = -99;
    EXPECT_EQ(row.valid, BaseTranslator::VerifyInt(text.c_str(), &out)) << "row " << text.size();
    EXPECT_EQ(row.valid ? row.value : -99, out) << "length " << text.size();
    EXPECT_EQ(row.value, BaseTranslator::VerifyInt(text.c_str())) << "length " << text.size();
  }
  int out = -99;
  EXPECT_FALSE(BaseTranslator::VerifyInt(nullptr, &out));
  EXPECT_EQ(-99, out);
  EXPECT_EQ(0, BaseTranslator::VerifyInt(nullptr));
}

class DomHelperTest : public XercesTest {};

TEST_F(DomHelperTest, NavigationSkipsTextAndComments) {
  DOMDocument* doc = Parse("<root>text<!-- c --><a id='1'/>\n  <?pi x?><b/>tail<c><d/></c></root>");
  ASSERT_NE(nullptr, doc);
  DOMElement* root = doc->getDocumentElement();
  DOMElement* a = BaseTranslator::GetFirstChildElt(root);
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(std::u16string(u"a"), a->getTagName());
  DOMElement* b = BaseTranslator::GetNextSiblingElt(a);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(std::u16string(u"b"), b->getTagName());
  EXPECT_EQ(nullptr, BaseTranslator::GetFirstChildElt(b));
  DOMElement* c = BaseTranslator::GetNextSiblingElt(b);
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(nullptr, BaseTranslator::GetNextSiblingElt(c));
  EXPECT_EQ(std::u16string(u"d"), BaseTranslator::GetFirstChildElt(c)->getTagName());
  // From the document node, the first child element is the root.
  EXPECT_EQ(root, BaseTranslator::GetFirstChildElt(doc));
  EXPECT_EQ(nullptr, BaseTranslator::GetFirstChildElt(nullptr));
  EXPECT_EQ(nullptr, BaseTranslator::GetNextSiblingElt(nullptr));
}

TEST_F(DomHelperTest, ElementsByTagNameInDocumentOrder) {
  DOMDocument* doc = Parse("<r><Item n='1'/><x><Item n='2'/></x><Item n='3'/></r>");
  ASSERT_NE(nullptr, doc);
  xercesc::DOMNodeList* items = BaseTranslator::GetElementsByTagName(doc, "Item");
  ASSERT_NE(nullptr, items);
  ASSERT_EQ(3u, items->getLength());
  const auto* second = static_cast<DOMElement*>(items->item(1));
  EXPECT_EQ(2, BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(second, "n")));
  xercesc::DOMNodeList* none = BaseTranslator::GetElementsByTagName(doc, "item");
  ASSERT_NE(nullptr, none);
  EXPECT_EQ(0u, none->getLength());
  EXPECT_EQ(nullptr, BaseTranslator::GetElementsByTagName(nullptr, "Item"));
}

TEST_F(DomHelperTest, AttributeAbsentIsNullButEmptyIsEmpty) {
  DOMDocument* doc = Parse("<r count='12' empty='' bad='1x'/>");
  ASSERT_NE(nullptr, doc);
  const DOMElement* r = doc->getDocumentElement();
  const XMLCh* count = BaseTranslator::GetAttribute(r, "count");
  ASSERT_NE(nullptr, count);
  EXPECT_EQ(12, BaseTranslator::VerifyInt(count));
  const XMLCh* empty = BaseTranslator::GetAttribute(r, "empty");
  ASSERT_NE(nullptr, empty);
  EXPECT_EQ(0, empty[0]);
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(r, "missing"));
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(r, "Count"));
  EXPECT_EQ(nullptr, BaseTranslator::GetAttribute(nullptr, "count"));
  int out = 5;
  EXPECT_FALSE(BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, "bad"), &out));
  EXPECT_FALSE(BaseTranslator::VerifyInt(BaseTranslator::GetAttribute(r, "missing"), &out));
  EXPECT_EQ(5, out);
}

// Records what reaches the one overload that translators override.
class RecordingTranslator : public BaseTranslator {
 public:
  using BaseTranslator::ParseFromTree;
  ScoreModel* ParseFromTree(DOMDocument* document, std::string& encoding) override {
    ++calls;
    seenDocument = document;
    seenEncoding = encoding;
    return nullptr;
  }
  int calls = 0;
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

  host.ParseFromTree(doc);
  EXPECT_EQ(doc, translator.seenDocument);
  EXPECT_EQ("UTF-8", translator.seenEncoding);
  host.ParseFromTree(child, latin);
  EXPECT_EQ(doc, translator.seenDocument);
  EXPECT_EQ(latin, translator.seenEncoding);
  host.ParseFromTree(static_cast<xercesc::DOMNode*>(doc), "UTF-16");
  EXPECT_EQ(doc, translator.seenDocument);
  EXPECT_EQ("UTF-16", translator.seenEncoding);
  host.ParseFromTree(doc, static_cast<const char*>(nullptr));
  EXPECT_EQ("UTF-8", translator.seenEncoding);
  host.ParseFromTree(static_cast<xercesc::DOMNode*>(child));
  EXPECT_EQ(doc, translator.seenDocument);
  EXPECT_EQ(5, translator.calls);

  BaseTranslator base;
  EXPECT_EQ(nullptr, base.ParseFromTree(doc, latin));
  EXPECT_EQ(nullptr, base.GetTranscoder());
  base.CreateTranscoder(latin);
  ASSERT_NE(nullptr, base.GetTranscoder());
  EXPECT_EQ(latin, base.GetTranscoder()->GetEncoding());
}

}  // namespace
}  // namespace QxQuorvis_940
