// The different item ids of an array.
#ifndef CARMASEQ_INPUT_DISTINCTIDS_H_
#define CARMASEQ_INPUT_DISTINCTIDS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {

// The different values of items[0, n), ascending: marked in a bit per value when they lie in a
// range not much wider than their number (the usual case, and linear), else sorted.
std::vector<std::int32_t> DistinctIds(const std::int32_t* items, std::size_t n);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_DISTINCTIDS_H_
