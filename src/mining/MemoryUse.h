// How much memory this process uses, and how much mining may use by default.
#ifndef CARMASEQ_MINING_MEMORYUSE_H_
#define CARMASEQ_MINING_MEMORYUSE_H_

#include <cstdint>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// The resident memory of this process in bytes, or -1 when the system does not say.
CARMASEQ_MINING_EXPORT std::int64_t ResidentBytes();

// Three quarters of the physical memory, or of the container's (cgroup's) memory limit when that
// is lower. Thread-safe.
CARMASEQ_MINING_EXPORT std::int64_t DefaultMemoryBudget();

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_MEMORYUSE_H_
