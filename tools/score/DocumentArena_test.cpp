#include "DocumentArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

namespace carmaseq_score {
namespace {

bool Aligned(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t) == 0;
}

TEST(DocumentArenaTest, BlocksAreAlignedDisjointAndWritable) {
  for (const bool prepare : {true, false}) {
    DocumentArena arena(prepare);
    // Small blocks across several chunks, and blocks too large for a chunk.
    const std::size_t sizes[] = {
        1, 0, 24, 4096, DocumentArena::kChunkBytes / 4 + 1, DocumentArena::kChunkBytes + 17};
    std::size_t requested = 0;
    char* previous = nullptr;
    std::size_t previousSize = 0;
    for (int round = 0; round < 40; ++round) {
      for (const std::size_t size : sizes) {
        auto* block = static_cast<char*>(arena.allocate(size));
        ASSERT_TRUE(Aligned(block)) << size;
        std::memset(block, 0x5a, size);
        if (previous != nullptr && previousSize > 0) {
          EXPECT_EQ(0x5a, previous[previousSize - 1]) << "a block overlapped the one before";
        }
        previous = block;
        previousSize = size;
        requested += size;
        arena.deallocate(block);  // nothing is given back before the arena goes
      }
    }
    EXPECT_GE(arena.used(), requested);
    EXPECT_GE(arena.reserved(), arena.used());
    // Once the helper stops, chunks are still handed out.
    arena.StopPreparing();
    const std::size_t reserved = arena.reserved();
    for (int i = 0; i < 9; ++i) std::memset(arena.allocate(DocumentArena::kChunkBytes / 8), 1, 8);
    EXPECT_GT(arena.reserved(), reserved);
  }
}

// The parser and its document live in the arena and go before it.
TEST(DocumentArenaTest, ParserBuildsItsDocumentInTheArena) {
  xercesc::XMLPlatformUtils::Initialize();
  {
    DocumentArena arena;
    const char xml[] = "<r a=\"1\"><s b=\"2\"/><s b=\"3\"/></r>";
    {
      xercesc::XercesDOMParser parser(nullptr, &arena);
      const xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml), sizeof xml - 1,
                                              "test", false);
      parser.parse(source);
      ASSERT_NE(nullptr, parser.getDocument());
      EXPECT_EQ(0u, parser.getErrorCount());
      EXPECT_EQ(2u, parser.getDocument()->getDocumentElement()->getChildElementCount());
      EXPECT_GT(arena.used(), 0u);
    }
  }
  xercesc::XMLPlatformUtils::Terminate();
}

}  // namespace
}  // namespace carmaseq_score
