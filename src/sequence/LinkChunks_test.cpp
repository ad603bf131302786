#include "sequence/LinkChunks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using Pair = LinkChunks::Pair;

std::vector<Pair> Pairs(std::size_t n, int seed) {
  std::vector<Pair> pairs;
  for (std::size_t i = 0; i < n; ++i) pairs.emplace_back(seed, static_cast<int>(i));
  return pairs;
}

// Every copy keeps its pairs where it was put while later sets of all sizes follow it: small
// ones sharing a chunk, one that fills a chunk exactly, ones larger than a chunk.
TEST(LinkChunksTest, CopiesStayInPlaceUntilRelease) {
  const std::size_t sizes[] = {1, 3, 8192, 2, 8193, 5000, 5000, 20000, 7, 1};
  LinkChunks chunks;
  std::vector<std::vector<Pair>> originals;
  std::vector<const Pair*> copies;
  for (int round = 0; round < 3; ++round) {
    for (const std::size_t n : sizes) {
      originals.push_back(Pairs(n, static_cast<int>(originals.size())));
      copies.push_back(chunks.Append(originals.back().data(), n));
      ASSERT_NE(nullptr, copies.back());
    }
  }
  for (std::size_t i = 0; i < copies.size(); ++i) {
    const std::vector<Pair> copy(copies[i], copies[i] + originals[i].size());
    EXPECT_EQ(originals[i], copy) << "set " << i;
  }
  chunks.Release();
  EXPECT_NE(nullptr, chunks.Append(originals[0].data(), originals[0].size())) << "usable again";
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
