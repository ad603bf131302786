// The lean tree of a document is walked side by side with Xerces' own tree of the same text (its
// blank text left out): both must answer every reading method alike, refuse the same documents
// with the same message, and give the translator the same model.
#include "LeanDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/TransService.hpp>

#include "DocumentArena.h"
#include "LeanParser.h"
#include "ScoreDictionary.h"
#include "ScoreVersionInfo.h"
#include "scoring/scoring_testutil.h"

namespace carmaseq_score {
namespace {

using xercesc::DOMException;
using xercesc::DOMNode;
namespace lattice = QxQuorvis_940::testutil;

std::string Text(const XMLCh* text) {
  if (text == nullptr) return "<null>";
  return reinterpret_cast<const char*>(xercesc::TranscodeToStr(text, "UTF-8").str());
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool IsBlank(const DOMNode* node) {
  if (node->getNodeType() != DOMNode::TEXT_NODE) return false;
  for (const XMLCh* c = node->getNodeValue(); *c != 0; ++c) {
    if (*c != ' ' && *c != '\n' && *c != '\t' && *c != '\r') return false;
  }
  return true;
}

// The children of a node of Xerces' tree that the lean tree keeps.
std::vector<const DOMNode*> Kept(const DOMNode* parent) {
  std::vector<const DOMNode*> kept;
  for (const DOMNode* c = parent->getFirstChild(); c != nullptr; c = c->getNextSibling()) {
    const auto type = c->getNodeType();
    if (!IsBlank(c) && type != DOMNode::DOCUMENT_TYPE_NODE &&
        type != DOMNode::PROCESSING_INSTRUCTION_NODE) {
      kept.push_back(c);
    }
  }
  return kept;
}

// The nodes below node in document order, as the lean tree keeps them.
void Preorder(const DOMNode* node, bool reference, std::vector<const DOMNode*>* out) {
  out->push_back(node);
  if (reference) {
    for (const DOMNode* child : Kept(node)) Preorder(child, true, out);
  } else {
    for (const DOMNode* c = node->getFirstChild(); c != nullptr; c = c->getNextSibling()) {
      Preorder(c, false, out);
    }
  }
}

std::string KeptText(const DOMNode* node) {
  if (node->getNodeType() == DOMNode::TEXT_NODE) return Text(node->getNodeValue());
  std::string text;
  for (const DOMNode* child : Kept(node)) text += KeptText(child);
  return text;
}

// Keeps the first error a parser reports.
class FirstError : public xercesc::ErrorHandler {
 public:
  void warning(const xercesc::SAXParseException&) override {}
  void error(const xercesc::SAXParseException& e) override { Keep(e); }
  void fatalError(const xercesc::SAXParseException& e) override { Keep(e); }
  void resetErrors() override { message.clear(); }
  std::string message;

 private:
  void Keep(const xercesc::SAXParseException& e) {
    if (message.empty()) {
      message = std::to_string(e.getLineNumber()) + ":" + std::to_string(e.getColumnNumber()) +
                " " + Text(e.getMessage());
    }
  }
};

class LeanDocumentTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
  static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

  // Both parsers as the host program sets them up.
  template <class Parser>
  void Configure(Parser& parser) {
    security_.setEntityExpansionLimit(100);
    parser.setValidationScheme(Parser::Val_Never);
    parser.setDoNamespaces(false);
    parser.setLoadExternalDTD(false);
    parser.setDisableDefaultEntityResolution(true);
    parser.setSecurityManager(&security_);
    parser.setErrorHandler(&errors_);
  }

  // The lean tree of text, built in an arena; null (with errors_ set) when refused.
  LeanDocumentPtr Lean(const std::string& text) {
    LeanParser parser;
    Configure(parser);
    parser.SetDocumentMemory(std::make_unique<DocumentArena>(false));
    const xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()),
                                            text.size(), "doc.xml");
    errors_.message.clear();
    parser.parse(source);
    if (parser.getErrorCount() != 0) return nullptr;
    return parser.TakeDocument();
  }

  // Xerces' tree of text, owned by the test; null (with errors_ set) when refused.
  xercesc::DOMDocument* Reference(const std::string& text) {
    reference_ = std::make_unique<xercesc::XercesDOMParser>();
    Configure(*reference_);
    reference_->setCreateCommentNodes(false);
    reference_->setCreateEntityReferenceNodes(false);
    const xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()),
                                            text.size(), "doc.xml");
    errors_.message.clear();
    reference_->parse(source);
    if (reference_->getErrorCount() != 0) return nullptr;
    return reference_->getDocument();
  }

  xercesc::SecurityManager security_;
  FirstError errors_;
  std::unique_ptr<xercesc::XercesDOMParser> reference_;
};

// Expects lean (of the lean tree) to answer as ref (of Xerces' tree), and so their subtrees.
void ExpectSame(const DOMNode* lean, const DOMNode* ref, const xercesc::DOMDocument* document,
                const std::string& path) {
  SCOPED_TRACE(path);
  ASSERT_EQ(ref->getNodeType(), lean->getNodeType());
  EXPECT_EQ(Text(ref->getNodeName()), Text(lean->getNodeName()));
  EXPECT_EQ(Text(ref->getNodeValue()), Text(lean->getNodeValue()));
  for (const DOMNode* node : {lean, ref}) {
    EXPECT_EQ(nullptr, node->getLocalName());
    EXPECT_EQ(nullptr, node->getNamespaceURI());
    EXPECT_EQ(nullptr, node->lookupNamespaceURI(nullptr));
    EXPECT_TRUE(node->isDefaultNamespace(nullptr));
  }
  if (lean->getNodeType() != DOMNode::DOCUMENT_NODE) {
    EXPECT_EQ(document, lean->getOwnerDocument());
    EXPECT_EQ(KeptText(ref), Text(lean->getTextContent()));
  }
  EXPECT_EQ(ref->hasAttributes(), lean->hasAttributes());
  if (lean->getNodeType() == DOMNode::ELEMENT_NODE) {
    const auto* e = static_cast<const xercesc::DOMElement*>(lean);
    const auto* r = static_cast<const xercesc::DOMElement*>(ref);
    const xercesc::DOMNamedNodeMap* attributes = e->getAttributes();
    ASSERT_EQ(r->getAttributes()->getLength(), attributes->getLength());
    EXPECT_EQ(attributes, e->getAttributes());
    for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
      const auto* attribute = static_cast<const xercesc::DOMAttr*>(attributes->item(i));
      const XMLCh* name = attribute->getName();
      SCOPED_TRACE(Text(name));
      EXPECT_TRUE(e->hasAttribute(name));
      EXPECT_EQ(Text(r->getAttribute(name)), Text(e->getAttribute(name)));
      EXPECT_EQ(Text(r->getAttribute(name)), Text(attribute->getValue()));
      EXPECT_EQ(attribute, e->getAttributeNode(name));
      EXPECT_EQ(attribute, attributes->getNamedItem(name));
      EXPECT_EQ(lean, attribute->getOwnerElement());
      EXPECT_EQ(document, attribute->getOwnerDocument());
      EXPECT_EQ(nullptr, attribute->getParentNode());
      EXPECT_TRUE(attribute->isEqualNode(r->getAttributeNode(name)));
      const DOMNode* text = attribute->getFirstChild();
      const DOMNode* refText = r->getAttributeNode(name)->getFirstChild();
      ASSERT_EQ(refText == nullptr, text == nullptr);
      if (text != nullptr) {
        EXPECT_EQ(Text(refText->getNodeValue()), Text(text->getNodeValue()));
      }
    }
    for (const char16_t* absent : {u"absent", u"", u"*"}) {
      EXPECT_FALSE(e->hasAttribute(absent));
      EXPECT_EQ(Text(r->getAttribute(absent)), Text(e->getAttribute(absent)));
      EXPECT_EQ(nullptr, e->getAttributeNode(absent));
    }
    EXPECT_EQ(r->getChildElementCount(), e->getChildElementCount());
    const auto name = [](const DOMNode* n) {
      return n == nullptr ? "<none>" : Text(n->getNodeName());
    };
    EXPECT_EQ(name(r->getFirstElementChild()), name(e->getFirstElementChild()));
    EXPECT_EQ(name(r->getLastElementChild()), name(e->getLastElementChild()));
    EXPECT_EQ(name(r->getNextElementSibling()), name(e->getNextElementSibling()));
    EXPECT_EQ(name(r->getPreviousElementSibling()), name(e->getPreviousElementSibling()));
  }
  const std::vector<const DOMNode*> kept = Kept(ref);
  const xercesc::DOMNodeList* children = lean->getChildNodes();
  ASSERT_EQ(kept.size(), children->getLength());
  EXPECT_EQ(children, lean->getChildNodes());
  EXPECT_EQ(!kept.empty(), lean->hasChildNodes());
  const DOMNode* previous = nullptr;
  const DOMNode* child = lean->getFirstChild();
  for (std::size_t i = 0; i < kept.size(); ++i, child = child->getNextSibling()) {
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(child, children->item(i));
    EXPECT_EQ(lean, child->getParentNode());
    EXPECT_EQ(previous, child->getPreviousSibling());
    ExpectSame(child, kept[i], document, path + "/" + std::to_string(i));
    previous = child;
  }
  EXPECT_EQ(nullptr, child);
  EXPECT_EQ(previous, lean->getLastChild());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The documents both trees are compared on.
std::vector<std::pair<std::string, std::string>> Documents() {
  return {
      {"testdata lattice", ReadFile(CARMASEQ_SOURCE_DIR "/tools/score/testdata/lattice.xml")},
      {"example lattice", lattice::ExampleLatticeDocument()},
      {"mapped items",
       lattice::LatticeDocument({{{}, 5, {{7, 1}}}, {{{7}, {9, 11}}, 2, {}}}, 5,
                                {{7, "caf\xc3\xa9 &amp; &lt;cr\xc3\xa8me&gt;"}, {9, ""}})},
      {"mixed content",
       "<?xml version='1.0' encoding='ISO-8859-1' standalone='yes'?>\n"
       "<!DOCTYPE r [<!ENTITY e 'ent'>]>\n"
       "<r a='' b='x&amp;y&#x41;' c='&e;'>\n  <!-- gone -->\n  <s>t1 <u>in</u> t2 &e; &lt;"
       "<!-- gone --> t3</s>\n<?pi data?>\n  <s/>\t<t a='1'>  </t> tail\n</r>"},
      {"no declaration", "<only/>"},
  };
}

TEST_F(LeanDocumentTest, AnswersAsXercesTreeOfTheSameText) {
  for (const auto& [name, text] : Documents()) {
    SCOPED_TRACE(name);
    const LeanDocumentPtr lean = Lean(text);
    ASSERT_NE(nullptr, lean) << errors_.message;
    const xercesc::DOMDocument* ref = Reference(text);
    ASSERT_NE(nullptr, ref) << errors_.message;
    ExpectSame(lean.get(), ref, lean.get(), "");
    EXPECT_EQ(lean->getFirstChild(), lean->getDocumentElement());
    EXPECT_EQ(nullptr, lean->getDoctype());
    EXPECT_EQ(Text(ref->getXmlVersion()), Text(lean->getXmlVersion()));
    EXPECT_EQ(Text(ref->getXmlEncoding()), Text(lean->getXmlEncoding()));
    EXPECT_EQ(Text(ref->getInputEncoding()), Text(lean->getInputEncoding()));
    EXPECT_EQ(ref->getXmlStandalone(), lean->getXmlStandalone());
    EXPECT_EQ(Text(ref->getDocumentURI()), Text(lean->getDocumentURI()));

    // Elements by name, from the document and from an element, in document order.
    std::vector<const DOMNode*> leanNodes, refNodes;
    Preorder(lean.get(), false, &leanNodes);
    Preorder(ref, true, &refNodes);
    ASSERT_EQ(refNodes.size(), leanNodes.size());
    const auto indexOf = [](const std::vector<const DOMNode*>& nodes, const DOMNode* node) {
      return std::find(nodes.begin(), nodes.end(), node) - nodes.begin();
    };
    for (std::size_t i = 0; i < leanNodes.size(); ++i) {
      const int type = leanNodes[i]->getNodeType();
      if (type != DOMNode::ELEMENT_NODE && type != DOMNode::DOCUMENT_NODE) continue;
      for (const std::u16string& tag :
           {std::u16string(u"*"), std::u16string(leanNodes.back()->getNodeName()), Wide("Sequence"),
            Wide("nothing")}) {
        const auto* l = leanNodes[i]->getNodeType() == DOMNode::DOCUMENT_NODE
                            ? lean->getElementsByTagName(tag.c_str())
                            : static_cast<const xercesc::DOMElement*>(leanNodes[i])
                                  ->getElementsByTagName(tag.c_str());
        const auto* r = refNodes[i]->getNodeType() == DOMNode::DOCUMENT_NODE
                            ? ref->getElementsByTagName(tag.c_str())
                            : static_cast<const xercesc::DOMElement*>(refNodes[i])
                                  ->getElementsByTagName(tag.c_str());
        ASSERT_EQ(r->getLength(), l->getLength()) << i << " " << Text(tag.c_str());
        // Backwards first: the list must not rely on being read in order.
        for (XMLSize_t k = l->getLength(); k-- > 0;) {
          EXPECT_EQ(indexOf(refNodes, r->item(k)), indexOf(leanNodes, l->item(k)));
        }
        EXPECT_EQ(nullptr, l->item(l->getLength()));
      }
    }
    // Relative positions of every pair of nodes, and equality of each with itself only.
    for (std::size_t i = 0; i < leanNodes.size(); i += 3) {
      for (std::size_t j = 0; j < leanNodes.size(); j += 2) {
        EXPECT_EQ(refNodes[i]->compareDocumentPosition(refNodes[j]),
                  leanNodes[i]->compareDocumentPosition(leanNodes[j]))
            << i << " " << j;
        EXPECT_EQ(i == j, leanNodes[i]->isSameNode(leanNodes[j]));
      }
    }
  }
}

// Nesting as deep as a document may go: built, walked and freed without recursion and without
// copying the open elements for every level.
TEST_F(LeanDocumentTest, HoldsDeeplyNestedDocuments) {
  constexpr int kDepth = 100000;
  std::string text = "<r>";
  for (int i = 0; i < kDepth; ++i) text += "<a>";
  text += "x";
  for (int i = 0; i < kDepth; ++i) text += "</a>";
  text += "</r>";
  const LeanDocumentPtr lean = Lean(text);
  ASSERT_NE(nullptr, lean) << errors_.message;
  int depth = 0;
  const DOMNode* node = lean->getDocumentElement()->getFirstChild();
  for (; node != nullptr && node->getNodeType() == DOMNode::ELEMENT_NODE;
       node = node->getFirstChild()) {
    ++depth;
  }
  EXPECT_EQ(kDepth, depth);
  ASSERT_NE(nullptr, node);
  EXPECT_EQ("x", Text(node->getNodeValue()));
  EXPECT_EQ("x", Text(lean->getDocumentElement()->getTextContent()));
  EXPECT_EQ(std::size_t{kDepth}, lean->getElementsByTagName(u"a")->getLength());
}

TEST_F(LeanDocumentTest, RefusesWhatXercesRefusesWithTheSameMessage) {
  const std::string lattice = lattice::ExampleLatticeDocument();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"truncated", lattice.substr(0, lattice.size() / 2)},
      {"mismatched tag", "<a><b></a></b>"},
      {"two roots", "<a/><b/>"},
      {"text before the root", "x<a/>"},
      {"undefined entity", "<a>&nothing;</a>"},
      {"external entity", "<!DOCTYPE a [<!ENTITY x SYSTEM '/etc/hostname'>]><a>&x;</a>"},
      {"too many expansions",
       "<!DOCTYPE a [<!ENTITY l0 'lol'><!ENTITY l1 '&l0;&l0;&l0;&l0;&l0;&l0;&l0;&l0;&l0;&l0;'>"
       "<!ENTITY l2 '&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;'>]><a>&l2;</a>"},
      {"empty", ""},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(nullptr, Reference(text));
    const std::string expected = errors_.message;
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(nullptr, Lean(text));
    EXPECT_EQ(expected, errors_.message);
  }
}

TEST_F(LeanDocumentTest, TranslatorBuildsTheSameModelFromBothTrees) {
  std::vector<lattice::LatticeEntry> entries = {{{}, 40, {{1, 1}, {2, 1}, {3, 1}}}};
  for (int a = 1; a <= 6; ++a) {
    entries.push_back({{{a}}, 40 - a, {{a % 6 + 1, 3}, {a % 6 + 1, 0}}});
    for (int b = a + 1; b <= 6; ++b) entries.push_back({{{a}, {b}}, 20 - a, {{a, 2}}});
  }
  const std::vector<std::string> texts = {
      ReadFile(CARMASEQ_SOURCE_DIR "/tools/score/testdata/lattice.xml"),
      lattice::ExampleLatticeDocument(), lattice::LatticeDocument(entries, 40, {{3, "three"}})};
  for (const std::string& text : texts) {
    const LeanDocumentPtr lean = Lean(text);
    ASSERT_NE(nullptr, lean);
    // 48 bytes an element and 16 an attribute, plus values and names.
    std::vector<const DOMNode*> nodes;
    Preorder(lean.get(), false, &nodes);
    EXPECT_LT(lean->used(), 100 * nodes.size() + 1024);

    std::string encoding = "UTF-8";
    QxQuorvis_940::SequentialTranslator fromLean;
    std::unique_ptr<QxQuorvis_940::ScoreModel> leanModel(
        fromLean.ParseFromTree(lean.get(), encoding));
    QxQuorvis_940::SequentialTranslator fromXerces;
    std::unique_ptr<QxQuorvis_940::ScoreModel> refModel(
        fromXerces.ParseFromTree(Reference(text), encoding));
    ASSERT_NE(nullptr, leanModel);
    ASSERT_NE(nullptr, refModel);
    const auto listing = [](const QxQuorvis_940::ScoreModel& model) {
      return lattice::Listing(static_cast<const QxQuorvis_940::SequentialAssocModel&>(model));
    };
    EXPECT_EQ(listing(*refModel), listing(*leanModel));
    EXPECT_GT(listing(*leanModel).size(), 100u);
    const auto variables = [](const QxQuorvis_940::ScoreModel& model) {
      return model.GetDictionary() == nullptr ? -1 : model.GetDictionary()->GetNumberOfVariables();
    };
    EXPECT_EQ(variables(*refModel), variables(*leanModel));
    EXPECT_EQ(refModel->GetVersionInfo()->GetVersionText(),
              leanModel->GetVersionInfo()->GetVersionText());
  }
}

TEST_F(LeanDocumentTest, IsReadOnly) {
  const LeanDocumentPtr lean = Lean("<r a='1'><s>text</s></r>");
  ASSERT_NE(nullptr, lean);
  xercesc::DOMDocument* d = lean.get();
  xercesc::DOMElement* r = d->getDocumentElement();
  xercesc::DOMNode* s = r->getFirstChild();
  auto* text = static_cast<xercesc::DOMText*>(s->getFirstChild());
  xercesc::DOMAttr* a = r->getAttributeNode(u"a");
  const XMLCh* x = u"x";
  const std::vector<std::pair<short, std::function<void()>>> calls = {
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { r->setAttribute(x, x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { r->removeAttribute(u"a"); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { r->appendChild(s); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { r->removeChild(s); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { s->setTextContent(x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { text->setData(x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { text->splitText(1); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { a->setValue(x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { a->setNodeValue(x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { d->createElement(x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { d->importNode(s, true); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { d->renameNode(s, nullptr, x); }},
      {DOMException::NO_MODIFICATION_ALLOWED_ERR, [&] { d->setXmlVersion(u"1.1"); }},
      {DOMException::NOT_SUPPORTED_ERR, [&] { r->cloneNode(true); }},
      {DOMException::NOT_SUPPORTED_ERR, [&] { d->createRange(); }},
      {DOMException::NOT_SUPPORTED_ERR, [&] { d->createTreeWalker(r, 0, nullptr, false); }},
      {DOMException::NOT_SUPPORTED_ERR, [&] { d->createExpression(x, nullptr); }},
      {DOMException::INVALID_ACCESS_ERR, [&] { s->release(); }},
      {DOMException::INDEX_SIZE_ERR, [&] { text->substringData(5, 1); }},
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    try {
      calls[i].second();
      ADD_FAILURE() << "call " << i << " did not throw";
    } catch (const DOMException& e) {
      EXPECT_EQ(calls[i].first, e.code) << "call " << i;
    }
  }
  // Nothing changed; reading still works.
  EXPECT_EQ("1", Text(r->getAttribute(u"a")));
  EXPECT_EQ("text", Text(r->getTextContent()));
  EXPECT_EQ("ex", Text(text->substringData(1, 2)));
}

}  // namespace
}  // namespace carmaseq_score
