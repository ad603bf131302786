// Synthetic customers for the benchmarks, drawn by SequenceGenerator (skewed item popularity,
// planted patterns) and handed out one at a time as lists of item sets.
#ifndef CARMASEQ_BENCH_BENCHCUSTOMERS_H_
#define CARMASEQ_BENCH_BENCHCUSTOMERS_H_

#include <algorithm>
#include <cstdint>
#include <vector>

#include "input/SequenceDatabase.h"
#include "input/SequenceGenerator.h"

namespace carmaseq_bench {

namespace cs = SEQUENCE_NAMESPACE_800;
using SetList = std::vector<std::vector<int>>;

// An endless stream of customers; options.customers is the size of each batch drawn.
class BenchCustomers {
 public:
  explicit BenchCustomers(const cs::GeneratorOptions& options) : generator_(options) {}

  // The next customer's item sets, in time order, items ascending.
  SetList Next() {
    if (next_ == database_.NumCustomers()) {
      database_.Clear();
      generator_.Generate(&database_);
      next_ = 0;
    }
    SetList sets;
    for (std::uint32_t s = database_.customerBegin(next_); s < database_.customerBegin(next_ + 1);
         ++s) {
      sets.emplace_back(database_.items() + database_.setBegin(s),
                        database_.items() + database_.setBegin(s + 1));
    }
    ++next_;
    return sets;
  }

 private:
  cs::SequenceGenerator generator_;
  cs::SequenceDatabase database_;
  std::int32_t next_ = 0;
};

// customer with each item kept at its first occurrence only and at most maxItems items, empty
// sets dropped: every subset of its items is then a distinct subsequence.
inline SetList DistinctItems(const SetList& customer, int maxItems) {
  SetList sets;
  std::vector<int> used;
  for (const std::vector<int>& set : customer) {
    std::vector<int> kept;
    for (int item : set) {
      if (static_cast<int>(used.size()) == maxItems) break;
      if (std::find(used.begin(), used.end(), item) != used.end()) continue;
      used.push_back(item);
      kept.push_back(item);
    }
    if (!kept.empty()) sets.push_back(kept);
  }
  return sets;
}

}  // namespace carmaseq_bench

#endif  // CARMASEQ_BENCH_BENCHCUSTOMERS_H_
