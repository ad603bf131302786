#include "input/DistinctIds.h"

#include <algorithm>

namespace SEQUENCE_NAMESPACE_800 {

std::vector<std::int32_t> DistinctIds(const std::int32_t* items, std::size_t n) {
  if (n == 0) return {};
  const auto [low, high] = std::minmax_element(items, items + n);
  const std::int64_t first = *low;
  const std::uint64_t range = static_cast<std::uint64_t>(std::int64_t{*high} - first) + 1;
  if (range > std::max<std::uint64_t>(8 * std::uint64_t{n}, 1 << 20)) {
    std::vector<std::int32_t> ids(items, items + n);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
  }
  std::vector<std::uint64_t> seen((range + 63) / 64, 0);
  for (std::size_t p = 0; p < n; ++p) {
    const auto bit = static_cast<std::uint64_t>(std::int64_t{items[p]} - first);
    seen[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
  std::vector<std::int32_t> ids;
  for (std::size_t w = 0; w < seen.size(); ++w) {
    for (std::uint64_t bits = seen[w]; bits != 0; bits &= bits - 1) {
      const auto bit = static_cast<std::int64_t>(w * 64 + __builtin_ctzll(bits));
      ids.push_back(static_cast<std::int32_t>(first + bit));
    }
  }
  return ids;
}

}  // namespace SEQUENCE_NAMESPACE_800
