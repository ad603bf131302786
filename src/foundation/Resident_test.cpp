#include "foundation/Resident.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// The hints back memory or change how it is backed, never what it holds: arrays of several
// sizes, at offsets that are not page aligned, keep every byte written before the hint.
TEST(ResidentTest, HintsKeepWhatTheMemoryHolds) {
  struct Case {
    std::size_t bytes;
    std::size_t offset;
  };
  const Case cases[] = {{100, 0}, {64 << 10, 3}, {(5 << 20) + 123, 4093}, {9 << 20, 0}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> memory(c.bytes + c.offset);
    for (std::size_t i = 0; i < memory.size(); ++i) {
      memory[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    const std::vector<std::uint8_t> before = memory;
    MakeResident(memory.data() + c.offset, c.bytes);
    AdviseHugePages(memory.data() + c.offset, c.bytes);
    EXPECT_TRUE(memory == before) << c.bytes << " bytes at offset " << c.offset;
  }
}

// A backed block holds what it was asked for, from 1 MiB up on a 2 MiB boundary.
TEST(ResidentTest, BackedBlocksHoldTheirSizeAligned) {
  for (const std::size_t bytes :
       {std::size_t{0}, std::size_t{4096}, std::size_t{3} << 19, (std::size_t{5} << 20) + 7}) {
    auto* block = static_cast<std::uint8_t*>(AllocateBacked(bytes));
    ASSERT_NE(nullptr, block) << bytes;
    for (std::size_t i = 0; i < bytes; ++i) block[i] = static_cast<std::uint8_t>(i);
    if (bytes >= (std::size_t{1} << 20)) {
      EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(block) % (std::uintptr_t{2} << 20)) << bytes;
    }
    std::free(block);
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
