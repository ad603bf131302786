// Item prediction per customer history and rule generation over a dictionary of about one
// million held sequences, counted from synthetic customers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "BenchCustomers.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace {

namespace cs = SEQUENCE_NAMESPACE_800;
using carmaseq_bench::SetList;

constexpr int kCustomers = 40000;
constexpr int kItems = 120;
constexpr int kMaxPatternItems = 4;  // counted subsequences hold at most this many items
constexpr double kMinCount = 3;
constexpr int kQueries = 1000;

// Customers of about 5 baskets of about 2 items; item popularity falls off like 1/rank.
carmaseq_bench::BenchCustomers CustomerGenerator(std::uint32_t seed) {
  cs::GeneratorOptions shape;
  shape.customers = 1000;
  shape.avgSetsPerCustomer = 5;
  shape.avgItemsPerSet = 2;
  shape.distinctItems = kItems;
  shape.patterns = 20;
  shape.avgPatternItems = 3;
  shape.seed = seed;
  return carmaseq_bench::BenchCustomers(shape);
}

// Adds 1 to the count of every distinct subsequence of customer with at most
// kMaxPatternItems items, storing the ones not yet held.
class SubsequenceCounter {
 public:
  explicit SubsequenceCounter(cs::SequenceDictionary& dictionary) : dictionary_(dictionary) {}

  void Count(const SetList& customer) {
    positions_.clear();
    for (size_t s = 0; s < customer.size(); ++s) {
      for (int item : customer[s]) positions_.push_back({static_cast<int>(s), item});
    }
    seen_.clear();
    chosen_.clear();
    Choose(0);
  }

 private:
  struct Position {
    int set;
    int item;
  };

  void Choose(size_t from) {
    if (!chosen_.empty()) CountChosen();
    if (chosen_.size() == kMaxPatternItems) return;
    for (size_t p = from; p < positions_.size(); ++p) {
      chosen_.push_back(positions_[p]);
      Choose(p + 1);
      chosen_.pop_back();
    }
  }

  // Lays the chosen positions out as counted sets and counts them once per customer.
  void CountChosen() {
    buffer_.clear();
    starts_.clear();
    int lastSet = -1;
    for (const Position& p : chosen_) {
      if (p.set != lastSet) {
        starts_.push_back(buffer_.size());
        buffer_.push_back(0);
        lastSet = p.set;
      }
      buffer_.push_back(p.item);
      ++buffer_[starts_.back()];
    }
    std::string text;
    for (int value : buffer_) text += std::to_string(value) + ",";
    if (!seen_.insert(text).second) return;
    sets_.clear();
    for (size_t start : starts_) sets_.push_back(&buffer_[start]);
    const int n = static_cast<int>(sets_.size());
    if (dictionary_.incrementCount(sets_.data(), n) == nullptr) {
      cs::SequenceCounter first(0, 1, nullptr);
      dictionary_.addSequence(sets_.data(), n, &first);
    }
  }

  cs::SequenceDictionary& dictionary_;
  std::vector<Position> positions_;
  std::vector<Position> chosen_;
  std::unordered_set<std::string> seen_;
  std::vector<int> buffer_;
  std::vector<size_t> starts_;
  std::vector<int*> sets_;
};

cs::Sequence ToSequence(const SetList& sets) {
  cs::Sequence sequence;
  double time = 0;
  for (const auto& items : sets) {
    cs::TimedItemSet set(0, time++);
    for (int item : items) set.AddItem(item);
    sequence.AddTimedItemSet(&set);
  }
  return sequence;
}

// Built once: the counted, pruned dictionary with its lattice, and a pool of query histories.
struct Fixture {
  Fixture() : dictionary(10) {
    carmaseq_bench::BenchCustomers customers = CustomerGenerator(7);
    SubsequenceCounter counter(dictionary);
    for (int c = 0; c < kCustomers; ++c) counter.Count(customers.Next());
    const cs::Sequence empty;
    dictionary.getDescriptor(&empty)->setCount(kCustomers);
    dictionary.reduceAll(kMinCount);
    if (!dictionary.buildLattice().IsOK()) throw std::bad_alloc();
    carmaseq_bench::BenchCustomers histories = CustomerGenerator(11);
    for (int q = 0; q < kQueries; ++q) queries.push_back(ToSequence(histories.Next()));
  }

  cs::SequenceDictionary dictionary;
  std::vector<cs::Sequence> queries;
};

Fixture& Shared() {
  static Fixture* fixture = new Fixture;  // lives for the whole run
  return *fixture;
}

void ReportDictionary(benchmark::State& state) {
  state.counters["held"] = Shared().dictionary.NumberOfSequences();
}

void BM_GetFutureItems(benchmark::State& state) {
  Fixture& f = Shared();
  const bool wholeSequenceOnly = state.range(0) != 0;
  std::vector<cs::SeqConsequentDescriptor> predictions;
  size_t q = 0, found = 0;
  for (auto _ : state) {
    predictions.clear();
    if (!f.dictionary.GetFutureItems(predictions, &f.queries[q], 10, wholeSequenceOnly).IsOK()) {
      state.SkipWithError("prediction failed");
      break;
    }
    found += predictions.size();
    q = (q + 1) % f.queries.size();
  }
  state.counters["items/query"] = static_cast<double>(found) / state.iterations();
  ReportDictionary(state);
}
BENCHMARK(BM_GetFutureItems)
    ->ArgName("wholeSequenceOnly")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

void BM_GetCurrentItems(benchmark::State& state) {
  Fixture& f = Shared();
  std::vector<cs::SeqConsequentDescriptor> predictions;
  size_t q = 0, found = 0;
  for (auto _ : state) {
    predictions.clear();
    if (!f.dictionary.GetCurrentItems(predictions, &f.queries[q], 10).IsOK()) {
      state.SkipWithError("prediction failed");
      break;
    }
    found += predictions.size();
    q = (q + 1) % f.queries.size();
  }
  state.counters["items/query"] = static_cast<double>(found) / state.iterations();
  ReportDictionary(state);
}
BENCHMARK(BM_GetCurrentItems)->Unit(benchmark::kMicrosecond);

// Arg: the minimum support in thousandths (0 = every held sequence of two or more sets).
void BM_GetRules(benchmark::State& state) {
  Fixture& f = Shared();
  const double minSupport = state.range(0) / 1000.0;
  std::vector<cs::SeqAssociationRule> rules;
  for (auto _ : state) {
    rules.clear();
    if (!f.dictionary.GetRules(rules, minSupport, 1, 0, 1, 0, 1, 'C', false).IsOK()) {
      state.SkipWithError("rule generation failed");
      break;
    }
  }
  state.counters["rules"] = static_cast<double>(rules.size());
  ReportDictionary(state);
}
BENCHMARK(BM_GetRules)
    ->ArgName("minSupport_permille")
    ->Arg(0)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
