// Dictionary building costs: counting (incrementCount), pruning (reduceAll), lattice construction
// on about one million held sequences next to the bare table look-ups it has to make, and the
// subsequence walk per customer history.
//
// The dictionary is counted from synthetic customers: every customer is a sequence of item sets
// over a skewed catalogue, with at most 9 distinct items, and every one of its subsequences is
// counted once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#include "BenchCustomers.h"
#include "dictionary/SequenceDictionary.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace {

namespace cs = SEQUENCE_NAMESPACE_800;
using carmaseq_bench::BenchCustomers;
using carmaseq_bench::DistinctItems;
using carmaseq_bench::SetList;

constexpr int kCatalogue = 3000;
constexpr int kHeldTarget = 1000000;

// Customers of about 3.5 item sets of about 2 items over a skewed catalogue, cut to at most 9
// distinct items.
cs::GeneratorOptions CustomerShape(std::uint32_t seed) {
  cs::GeneratorOptions options;
  options.customers = 1000;
  options.avgSetsPerCustomer = 3.5;
  options.avgItemsPerSet = 2;
  options.distinctItems = kCatalogue;
  options.avgPatternItems = 3;
  options.seed = seed;
  return options;
}

// All non-empty subsequences of the customers, as counted arrays ready for the dictionary.
class CountedBatch {
 public:
  void Add(const SetList& customer) {
    std::vector<std::pair<int, int>> flat;  // (set index, item)
    for (size_t s = 0; s < customer.size(); ++s) {
      for (int item : customer[s]) flat.emplace_back(static_cast<int>(s), item);
    }
    for (unsigned mask = 1; mask < (1u << flat.size()); ++mask) {
      Sequence sequence{sets_.size(), 0};
      int lastSet = -1;
      for (size_t i = 0; i < flat.size(); ++i) {
        if (!(mask & (1u << i))) continue;
        if (flat[i].first != lastSet) {
          sets_.push_back(ints_.size());
          ints_.push_back(0);
          ++sequence.n;
          lastSet = flat[i].first;
        }
        ++ints_[sets_.back()];
        ints_.push_back(flat[i].second);
      }
      sequences_.push_back(sequence);
    }
  }
  // Call once after the last Add.
  void Finish() {
    pointers_.clear();
    for (size_t offset : sets_) pointers_.push_back(&ints_[offset]);
  }
  size_t size() const { return sequences_.size(); }
  int** sets(size_t i) { return &pointers_[sequences_[i].first]; }
  int n(size_t i) const { return sequences_[i].n; }

 private:
  struct Sequence {
    size_t first;
    int n;
  };
  std::vector<int> ints_;
  std::vector<size_t> sets_;
  std::vector<int*> pointers_;
  std::vector<Sequence> sequences_;
};

void Count(cs::SequenceDictionary& dictionary, CountedBatch& batch) {
  cs::SequenceCounter one(0, 1, nullptr);
  for (size_t i = 0; i < batch.size(); ++i) {
    if (dictionary.incrementCount(batch.sets(i), batch.n(i)) == nullptr) {
      dictionary.addSequence(batch.sets(i), batch.n(i), &one);
    }
  }
}

// Counts customers until the dictionary holds about kHeldTarget sequences.
std::unique_ptr<cs::SequenceDictionary> CountCustomers(unsigned seed, int target) {
  auto dictionary = std::make_unique<cs::SequenceDictionary>(10);
  BenchCustomers customerStream(CustomerShape(seed));
  int customers = 0;
  while (dictionary->NumberOfSequences() < target) {
    CountedBatch batch;
    for (int i = 0; i < 200; ++i) batch.Add(DistinctItems(customerStream.Next(), 9));
    batch.Finish();
    Count(*dictionary, batch);
    customers += 200;
  }
  const cs::Sequence empty;
  dictionary->getDescriptor(&empty)->setCount(customers);
  return dictionary;
}

// The shared dictionary of about one million held sequences.
cs::SequenceDictionary& Held() {
  static std::unique_ptr<cs::SequenceDictionary> dictionary = CountCustomers(7, kHeldTarget);
  return *dictionary;
}

void BM_IncrementCount(benchmark::State& state) {
  BenchCustomers customerStream(CustomerShape(11));
  CountedBatch batch;
  for (int i = 0; i < 400; ++i) batch.Add(DistinctItems(customerStream.Next(), 9));
  batch.Finish();
  cs::SequenceDictionary dictionary(10);
  Count(dictionary, batch);  // every sequence held from now on
  for (auto _ : state) {
    for (size_t i = 0; i < batch.size(); ++i) {
      benchmark::DoNotOptimize(dictionary.incrementCount(batch.sets(i), batch.n(i)));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(batch.size()));
  state.counters["held"] = dictionary.NumberOfSequences();
}
BENCHMARK(BM_IncrementCount)->Unit(benchmark::kMillisecond);

void BM_ReduceAll(benchmark::State& state) {
  int64_t before = 0, removed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto dictionary = CountCustomers(13, kHeldTarget);
    before += dictionary->NumberOfSequences();
    state.ResumeTiming();
    removed += dictionary->reduceAll(2.0);
    state.PauseTiming();
    dictionary.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(before);
  state.counters["held"] = static_cast<double>(before) / state.iterations();
  state.counters["removed"] = static_cast<double>(removed) / state.iterations();
}
BENCHMARK(BM_ReduceAll)->Unit(benchmark::kMillisecond)->Iterations(2);

// The parent keys buildLattice looks up, in the order it looks them up: every held sequence of
// levels 1 to LargestSequence() without each of its items in turn.
const std::vector<std::pair<int, cs::NTSequence>>& ParentKeys() {
  static const std::vector<std::pair<int, cs::NTSequence>> keys = [] {
    cs::SequenceDictionary& dictionary = Held();
    std::vector<std::pair<int, cs::NTSequence>> all;
    size_t total = 0;
    for (int level = 1; level <= dictionary.LargestSequence(); ++level) {
      total += static_cast<size_t>(level * dictionary.CountSequencesOfSize(level));
    }
    all.reserve(total);
    for (int level = 1; level <= dictionary.LargestSequence(); ++level) {
      const cs::HashtableSQPair* table = dictionary.getLevelTable(level);
      for (auto it = table->begin(); it != table->end(); ++it) {
        for (int p = 0; p < it->key->size(); ++p) {
          cs::NTSequence parent;
          parent.removeItem(p, it->key);
          all.emplace_back(level - 1, parent);
        }
      }
    }
    return all;
  }();
  return keys;
}

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// One get per parent key: the bare look-ups that buildLattice has to make.
double BareLookupSeconds(const cs::SequenceDictionary& dictionary) {
  const double start = ThreadSeconds();
  int64_t hits = 0;
  for (const auto& [level, key] : ParentKeys()) {
    hits += dictionary.getLevelTable(level)->get(&key) != nullptr;
  }
  benchmark::DoNotOptimize(hits);
  return ThreadSeconds() - start;
}

// Each iteration times the bare look-ups and then buildLattice, one after the other, in thread
// CPU time (the machine may be shared). The first build creates every link set; later builds
// empty and refill them.
void BM_BuildLattice(benchmark::State& state) {
  cs::SequenceDictionary& dictionary = Held();
  const int64_t lookups = static_cast<int64_t>(ParentKeys().size());
  double bare = 0, build = 0, firstBare = 0, firstBuild = 0;
  for (auto _ : state) {
    const double bareSeconds = BareLookupSeconds(dictionary);
    const double start = ThreadSeconds();
    if (!dictionary.buildLattice().IsOK()) state.SkipWithError("buildLattice failed");
    const double buildSeconds = ThreadSeconds() - start;
    state.SetIterationTime(buildSeconds);
    if (firstBuild == 0) {
      firstBare = bareSeconds;
      firstBuild = buildSeconds;
    } else {
      bare += bareSeconds;
      build += buildSeconds;
    }
  }
  const double rebuilds = static_cast<double>(state.iterations() - 1);
  state.SetItemsProcessed(state.iterations() * lookups);
  state.counters["held"] = dictionary.NumberOfSequences();
  state.counters["lookups"] = static_cast<double>(lookups);
  state.counters["first_build_ms"] = 1e3 * firstBuild;
  state.counters["first_bare_ms"] = 1e3 * firstBare;
  state.counters["first_ratio"] = firstBuild / firstBare;
  state.counters["rebuild_ms"] = 1e3 * build / rebuilds;
  state.counters["rebuild_bare_ms"] = 1e3 * bare / rebuilds;
  state.counters["rebuild_ratio"] = build / bare;
}
BENCHMARK(BM_BuildLattice)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Histories of state.range(0) item sets from customers of the same shape, laid end to end.
void BM_GetSubsequences(benchmark::State& state) {
  cs::SequenceDictionary& dictionary = Held();
  if (!dictionary.isLatticeBuilt() && !dictionary.buildLattice().IsOK()) {
    state.SkipWithError("lattice construction failed");
    return;
  }
  BenchCustomers customerStream(CustomerShape(17));
  std::vector<cs::Sequence> histories(256);
  SetList sets;
  for (auto& history : histories) {
    for (int s = 0; s < state.range(0); ++s) {
      if (sets.empty()) {
        sets = customerStream.Next();
        std::reverse(sets.begin(), sets.end());  // taken from the back
      }
      cs::TimedItemSet set(0, s);
      for (int item : sets.back()) set.AddItem(item);
      sets.pop_back();
      history.AddTimedItemSet(&set);
    }
  }
  size_t query = 0;
  int64_t found = 0;
  std::vector<cs::NTSequence*> result;
  for (auto _ : state) {
    if (!dictionary.getSubsequencesInSequence(result, &histories[query++ % histories.size()], 0)
             .IsOK()) {
      state.SkipWithError("walk failed");
      break;
    }
    found += static_cast<int64_t>(result.size());
    for (cs::NTSequence* key : result) delete key;
    result.clear();
  }
  state.counters["found/query"] = static_cast<double>(found) / state.iterations();
}
BENCHMARK(BM_GetSubsequences)->Arg(5)->Arg(10)->Arg(20)->Arg(30)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
