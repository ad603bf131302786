#include "foundation/Resident.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
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
    for (std::size_t i = 0; i < memory.size(); ++i)
      memory[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const std::vector<std::uint8_t> before = memory;
    MakeResident(memory.data() + c.offset, c.bytes);
    AdviseHugePages(memory.data() + c.offset, c.bytes);
    EXPECT_TRUE(memory == before) << c.bytes << " bytes at offset " << c.offset;
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
