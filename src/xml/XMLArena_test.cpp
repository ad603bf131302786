#include "xml/XMLArena.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "xml/XMLNodes.h"

namespace QxXML_940 {
namespace {

TEST(XMLArenaTest, FindsItsArenaFromEverySmallBlockAndGrowsOnlyTheLatest) {
  XMLArena arena;
  std::vector<void*> blocks;
  for (int i = 0; i < 5000; ++i) blocks.push_back(arena.Allocate(40));  // several chunks
  for (void* block : blocks) ASSERT_EQ(&arena, XMLArena::Of(block));
  EXPECT_GT(arena.MemoryUsage(), XMLArena::kChunkSize);
  void* latest = arena.Allocate(16);
  EXPECT_FALSE(arena.TryExtend(blocks.back(), 40, 80));
  EXPECT_TRUE(arena.TryExtend(latest, 16, 64));
  EXPECT_EQ(static_cast<char*>(latest) + 64, arena.Allocate(8));
  EXPECT_FALSE(arena.TryExtend(latest, 64, XMLArena::kChunkSize));
  void* large = arena.Allocate(XMLArena::kLargeBlock + 8);
  EXPECT_FALSE(arena.TryExtend(large, XMLArena::kLargeBlock + 8, XMLArena::kLargeBlock + 16));
}

// Past its first chunks an arena takes chunks from large slabs; blocks there are found as well.
TEST(XMLArenaTest, GrowsIntoSlabsAndFindsItsBlocksThere) {
  XMLArena arena;
  std::vector<void*> blocks;
  const std::size_t perChunk = XMLArena::kChunkSize / 1024;
  for (std::size_t i = 0; i < 3 * XMLArena::kSlabChunks * perChunk; ++i) {
    blocks.push_back(arena.Allocate(1000));
    static_cast<char*>(blocks.back())[999] = 1;  // the whole block is usable
  }
  for (void* block : blocks) ASSERT_EQ(&arena, XMLArena::Of(block));
  EXPECT_GE(arena.MemoryUsage(), XMLArena::kSlabSize);
}

std::string Text(const XMLElement& element) {
  std::string text;
  ExportFormat fmt;
  element.ToString(text, fmt);
  return text;
}

// Attributes added after children no longer fit where the element was placed; they move and
// keep their order, whatever their kinds.
TEST(XMLArenaTest, AttributesKeepTheirOrderWhenTheyMustMove) {
  std::unique_ptr<XMLElement> root(XMLElement::Create("r"));
  XMLElement* first = root->AddChild(XMLName("a"));
  root->AddChild(XMLName("b"));
  const XMLName k("k"), value("v&1");
  first->AddAttribute(k, 7.0);
  first->AddAttribute(k, value);
  first->AddAttribute("t", " x ");
  first->AddAttribute(k, 0.5);
  first->AddAttribute(k, -0.0);
  first->AddAttribute(k, 3e9);
  first->AddAttribute(k, 0.25, true);
  for (int i = 0; i < 300; ++i) first->AddAttribute(XMLName("n"), i);
  std::string many;
  for (int i = 0; i < 300; ++i) many += " n=\"" + std::to_string(i) + "\"";
  EXPECT_EQ(
      "\n<r>\n<a k=\"7\" k=\"v&amp;1\" t=\"&#32;x&#32;\" k=\"0.5\" k=\"-0\" k=\"3000000000\" "
      "k=\"0.2500000000000000\"" +
          many + "/>\n<b/>\n</r>",
      Text(*root));
  ASSERT_EQ(307u, first->GetAttributeCount());
  EXPECT_EQ(" x ", first->GetAttribute(2).GetValue());
  EXPECT_EQ("v&1", first->GetAttribute(1).GetValue());
  EXPECT_EQ("299", first->GetAttribute(306).GetValue());
}

// A tree larger than a chunk, with nodes handed over from elsewhere, is written in order and its
// clone is independent of it.
TEST(XMLArenaTest, LargeTreesWithHandedOverNodesCloneAndWrite) {
  std::unique_ptr<XMLElement> root(XMLElement::Create("r"));
  const XMLName item("i"), id("id");
  std::string expected = "\n<r>";
  for (int i = 0; i < 5000; ++i) {
    root->AddChild(item)->AddAttribute(id, i);
    expected += "\n<i id=\"" + std::to_string(i) + "\"/>";
    if (i % 1000 == 0) {
      XMLElement* other = XMLElement::Create("o");
      other->AddElement(XMLString::Create("t<"));
      const int before = static_cast<int>(root->GetChildCount());
      EXPECT_EQ(before + 1, root->AddElement(other));
      expected += "\n<o>t&lt;</o>";
    }
  }
  expected += "\n</r>";
  std::unique_ptr<XMLElement> copy(root->Clone());
  root.reset();
  EXPECT_EQ(expected, Text(*copy));
}

}  // namespace
}  // namespace QxXML_940
