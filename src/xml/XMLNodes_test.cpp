#include "xml/XMLNodes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

namespace QxXML_940 {
namespace {

// Returns the ToString text of node after checking that ToStream writes the same bytes in both
// modes and that both leave the format in the same state.
std::string Text(const XMLInterface& node, ExportFormat fmt = ExportFormat()) {
  std::string text;
  ExportFormat afterString = fmt, afterStream = fmt, afterUtf8 = fmt;
  node.ToString(text, afterString);
  std::ostringstream plain, utf8;
  node.ToStream(plain, afterStream, false);
  node.ToStream(utf8, afterUtf8, true);
  EXPECT_EQ(text, plain.str());
  EXPECT_EQ(text, utf8.str());
  EXPECT_EQ(afterString.newParagraph, afterStream.newParagraph);
  EXPECT_EQ(fmt.tabLevel, afterStream.tabLevel);
  return text;
}

TEST(XMLNodesTest, ChildlessElementClosesRightAfterEscapedAttributes) {
  std::unique_ptr<XMLElement> e(XMLElement::Create("Item"));
  e->AddAttribute("v", "a\tb\nc\rd");
  e->AddAttribute("id", 17.0);
  EXPECT_EQ("\n<Item v=\"a&#9;b&#10;c&#13;d\" id=\"17\"/>", Text(*e));
  ExportFormat unformatted;
  unformatted.SetFormat(false);
  EXPECT_EQ("<Item v=\"a&#9;b&#10;c&#13;d\" id=\"17\"/>", Text(*e, unformatted));
}

TEST(XMLNodesTest, TextNodeKeepsFollowingTagsOnItsLine) {
  std::unique_ptr<XMLElement> root(XMLElement::Create("r"));
  XMLElement* a = XMLElement::Create("a");
  EXPECT_EQ(1, a->AddElement(XMLString::Create("a&b<c>d")));
  EXPECT_EQ(1, root->AddElement(a));
  EXPECT_EQ(2, root->AddElement(XMLString::Create("t")));
  EXPECT_EQ(3, root->AddElement(XMLElement::Create("b")));
  EXPECT_EQ(4, root->AddElement(XMLString::Create(" \"q\"\n")));
  EXPECT_EQ("\n<r>\n<a>a&amp;b&lt;c>d</a>t<b/> \"q\"\n</r>", Text(*root));
}

TEST(XMLNodesTest, IndentationPutsTabsBeforeTagsAndAttributes) {
  std::unique_ptr<XMLElement> root(XMLElement::Create("r"));
  root->AddAttribute("k", "v");
  XMLElement* child = XMLElement::Create("c");
  child->AddAttribute("x", 1.5);
  child->AddAttribute("y", 2.0);
  XMLElement* leaf = XMLElement::Create("l");
  leaf->AddElement(XMLString::Create("t"));
  child->AddElement(leaf);
  root->AddElement(child);
  ExportFormat fmt;
  fmt.SetIndentation(true);
  EXPECT_EQ("\n<r \tk=\"v\">\n\t<c \t\tx=\"1.5\" \t\ty=\"2\">\n\t\t<l>t\t\t</l>\n\t</c>\n</r>",
            Text(*root, fmt));
}

TEST(XMLNodesTest, NumericAttributesDropNonFiniteValues) {
  std::unique_ptr<XMLElement> e(XMLElement::Create("e"));
  e->AddAttribute("nan", std::nan(""));
  e->AddAttribute("inf", INFINITY, true);
  e->AddAttribute("ninf", -INFINITY, false);
  EXPECT_EQ(0u, e->GetAttributeCount());
  e->AddAttribute("min", -std::numeric_limits<double>::max());
  e->AddAttribute("q", 0.25, true);
  e->AddAttribute("g", 0.25, false);
  EXPECT_EQ("\n<e min=\"-1.79769313486232e+308\" q=\"0.2500000000000000\" g=\"0.25\"/>", Text(*e));
}

TEST(XMLNodesTest, DocTypeWritesExtensionsInBrackets) {
  std::unique_ptr<XMLDocType> d(XMLDocType::Create("PMML", "m.dtd", 7));
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE PMML SYSTEM \"m.dtd\"";
  EXPECT_EQ(head + ">\n", Text(*d));
  EXPECT_EQ(10, d->AddExtension("<!ENTITY>"));
  EXPECT_EQ(17, d->AddExtension("<!X a>"));
  EXPECT_EQ(head + "\n[\n<!ENTITY>\n<!X a>\n]>\n", Text(*d));
}

TEST(XMLNodesTest, CloneIsDeep) {
  std::unique_ptr<XMLElement> original(XMLElement::Create("r"));
  original->Reserve(4, 1);
  original->AddAttribute("a", "1");
  original->AddAttribute(XMLAttribute::Create("b", 2.0));
  original->AddAttribute(static_cast<XMLAttribute*>(nullptr));
  original->AddAttribute("c", "x<");
  XMLElement* child = XMLElement::Create("c");
  child->AddElement(XMLString::Create("text"));
  original->AddElement(child);
  const std::string before = Text(*original);
  std::unique_ptr<XMLElement> copy(original->Clone());
  child->AddElement(XMLElement::Create("late"));
  original.reset();  // The copy must share no node with the deleted original.
  EXPECT_EQ(before, Text(*copy));
  EXPECT_EQ("\n<r a=\"1\" b=\"2\" c=\"x&lt;\">\n<c>text</c>\n</r>", before);
  ASSERT_EQ(3u, copy->GetAttributeCount());
  EXPECT_EQ("c", copy->GetAttribute(2).GetName());
}

}  // namespace
}  // namespace QxXML_940
