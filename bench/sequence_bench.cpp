// Key and table costs on the engine's hot path: building keys, hashing them, and put/get on a
// HashtableSQPair of one million keys of 1 to 9 items. The baseline in the same run is an
// std::unordered_map keyed by copies of the same keys, bucketed by the same hash code and
// compared with the same equality. Look-ups probe with equal key objects (not the stored ones)
// in shuffled order, so that every hit compares items.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace {

namespace cs = SEQUENCE_NAMESPACE_800;

constexpr int kCatalogue = 5000;

// One key as counted sets: element 0 of each set is its item count.
struct KeyParts {
  std::vector<std::vector<int>> sets;
  std::vector<int*> pointers;
};

struct KeyHash {
  size_t operator()(const cs::NTSequence& key) const noexcept {
    return static_cast<std::uint32_t>(key.HashCode());
  }
};

// The checks of NTSequence::operator==, inline so that the baseline pays no call per node.
struct KeyEqual {
  bool operator()(const cs::NTSequence& a, const cs::NTSequence& b) const noexcept {
    return a.HashCode() == b.HashCode() && a.getPattern() == b.getPattern() &&
           a.size() == b.size() &&
           std::memcmp(a.items(), b.items(), sizeof(std::int32_t) * a.size()) == 0;
  }
};

using Baseline = std::unordered_map<cs::NTSequence, cs::SequenceCounter*, KeyHash, KeyEqual>;

// `count` distinct keys of 1 to 9 items in 1 to (items) sets, ascending within each set.
const std::vector<KeyParts>& KeyPartsOf(int count) {
  static std::vector<KeyParts> allParts;
  if (static_cast<int>(allParts.size()) >= count) return allParts;
  std::mt19937 random(42);
  std::unordered_set<cs::NTSequence, KeyHash, KeyEqual> seen;
  while (static_cast<int>(allParts.size()) < count) {
    const int items = std::uniform_int_distribution<int>(1, 9)(random);
    KeyParts parts;
    int left = items;
    while (left > 0) {
      const int n = std::uniform_int_distribution<int>(1, std::min(left, 3))(random);
      std::vector<int> set;
      while (static_cast<int>(set.size()) < n) {
        const int item = std::uniform_int_distribution<int>(0, kCatalogue - 1)(random);
        if (std::find(set.begin(), set.end(), item) == set.end()) set.push_back(item);
      }
      std::sort(set.begin(), set.end());
      set.insert(set.begin(), n);
      parts.sets.push_back(std::move(set));
      left -= n;
    }
    for (auto& set : parts.sets) parts.pointers.push_back(set.data());
    cs::NTSequence key(parts.pointers.data(), static_cast<int>(parts.pointers.size()));
    if (seen.insert(key).second) allParts.push_back(std::move(parts));
  }
  return allParts;
}

std::vector<std::unique_ptr<cs::NTSequence>> MakeKeys(int count) {
  const std::vector<KeyParts>& allParts = KeyPartsOf(count);
  std::vector<std::unique_ptr<cs::NTSequence>> keys;
  keys.reserve(count);
  for (int i = 0; i < count; ++i) {
    const KeyParts& parts = allParts[i];
    keys.push_back(std::make_unique<cs::NTSequence>(const_cast<int**>(parts.pointers.data()),
                                                    static_cast<int>(parts.pointers.size())));
  }
  return keys;
}

// Probes: fresh copies of the first `count` keys, shuffled.
std::vector<std::unique_ptr<cs::NTSequence>> MakeProbes(int count) {
  std::vector<std::unique_ptr<cs::NTSequence>> probes = MakeKeys(count);
  std::shuffle(probes.begin(), probes.end(), std::mt19937(7));
  return probes;
}

void SetPerOp(benchmark::State& state, int ops) {
  // Seconds per operation, printed with an SI prefix (n for nanoseconds).
  state.counters["time/op"] =
      benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_BuildKeyFromCountedSets(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<KeyParts>& allParts = KeyPartsOf(count);
  cs::NTSequence scratch;
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      scratch.reuseAs(const_cast<int**>(allParts[i].pointers.data()),
                      static_cast<int>(allParts[i].pointers.size()));
      benchmark::DoNotOptimize(scratch.HashCode());
    }
  }
  SetPerOp(state, count);
}

void BM_BuildKeyFromSequence(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<KeyParts>& allParts = KeyPartsOf(count);
  std::vector<cs::Sequence> sequences(count);
  for (int i = 0; i < count; ++i) {
    for (const auto& counted : allParts[i].sets) {
      cs::TimedItemSet set(0, 1.0);
      set.AddAllItems(counted.data() + 1, counted[0], 1.0);
      sequences[i].AddTimedItemSet(&set);
    }
  }
  cs::NTSequence scratch;
  for (auto _ : state) {
    for (const cs::Sequence& sequence : sequences) {
      scratch.reuseAs(&sequence);
      benchmark::DoNotOptimize(scratch.HashCode());
    }
  }
  SetPerOp(state, count);
}

void BM_HashCode(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto keys = MakeKeys(count);
  for (auto _ : state) {
    for (const auto& key : keys) {
      benchmark::DoNotOptimize(
          cs::NTSequence::ComputeHashCode(key->items(), key->size(), key->getPattern()));
    }
  }
  SetPerOp(state, count);
}

void BM_TablePut(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto keys = MakeKeys(count);
    std::vector<cs::SequenceCounter*> counters(count);
    for (auto& counter : counters) counter = new cs::SequenceCounter;
    auto table = std::make_unique<cs::HashtableSQPair>();
    state.ResumeTiming();
    for (int i = 0; i < count; ++i) table->put(keys[i].release(), counters[i]);
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  SetPerOp(state, count);
}

void BM_BaselinePut(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto keys = MakeKeys(count);
    auto map = std::make_unique<Baseline>();
    state.ResumeTiming();
    // The map copies each key: one more allocation per insertion than the table's put.
    for (int i = 0; i < count; ++i) map->try_emplace(*keys[i], nullptr);
    state.PauseTiming();
    map.reset();
    state.ResumeTiming();
  }
  SetPerOp(state, count);
}

// Builds each key just before its put, as the dictionary does when it counts a new sequence;
// the baseline map likewise allocates each key's copy as it inserts it.
void FillTable(cs::HashtableSQPair* table, int count) {
  const std::vector<KeyParts>& allParts = KeyPartsOf(count);
  for (int i = 0; i < count; ++i) {
    const KeyParts& parts = allParts[i];
    table->put(new cs::NTSequence(const_cast<int**>(parts.pointers.data()),
                                  static_cast<int>(parts.pointers.size())),
               new cs::SequenceCounter);
  }
}

void BM_TableGetHeld(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  cs::HashtableSQPair table;
  FillTable(&table, count);
  const auto probes = MakeProbes(count);
  for (auto _ : state) {
    for (const auto& probe : probes) benchmark::DoNotOptimize(table.get(probe.get()));
  }
  SetPerOp(state, count);
}

void BM_BaselineGetHeld(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto keys = MakeKeys(count);
  Baseline map;
  for (const auto& key : keys) map.try_emplace(*key, nullptr);
  const auto probes = MakeProbes(count);
  for (auto _ : state) {
    for (const auto& probe : probes) benchmark::DoNotOptimize(map.find(*probe));
  }
  SetPerOp(state, count);
}

// Misses: keys of the same shape that are not held.
std::vector<std::unique_ptr<cs::NTSequence>> MakeMisses(int count) {
  std::vector<std::unique_ptr<cs::NTSequence>> misses = MakeKeys(count);
  for (auto& key : misses) key->addItemAfterLast(kCatalogue + 1);
  return misses;
}

void BM_TableGetMissing(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  cs::HashtableSQPair table;
  FillTable(&table, count);
  const auto misses = MakeMisses(count);
  for (auto _ : state) {
    for (const auto& probe : misses) benchmark::DoNotOptimize(table.get(probe.get()));
  }
  SetPerOp(state, count);
}

void BM_BaselineGetMissing(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto keys = MakeKeys(count);
  Baseline map;
  for (const auto& key : keys) map.try_emplace(*key, nullptr);
  const auto misses = MakeMisses(count);
  for (auto _ : state) {
    for (const auto& probe : misses) benchmark::DoNotOptimize(map.find(*probe));
  }
  SetPerOp(state, count);
}

constexpr int kMillion = 1000000;
constexpr int kSmall = 10000;  // fits in cache: the cost of the code rather than of memory

BENCHMARK(BM_BuildKeyFromCountedSets)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildKeyFromSequence)->Arg(kSmall * 10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashCode)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TablePut)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BaselinePut)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TableGetHeld)->Arg(kMillion)->Arg(kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineGetHeld)->Arg(kMillion)->Arg(kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableGetMissing)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineGetMissing)->Arg(kMillion)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
