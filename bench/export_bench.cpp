// Export costs on a dictionary of about one million held sequences: the lattice document and the
// PMML rules document, in time and bytes per second, next to the rule query the PMML export
// starts with.
//
// The dictionary is counted from synthetic customers (item sets over a skewed catalogue, at most
// 9 distinct items each; every subsequence counted once per customer), so that every
// rule's antecedent and consequent are held, and its lattice is built. Documents go to a stream
// that counts and discards the bytes, so the figures are the cost of building and writing the
// document, not of a disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <memory>
#include <new>
#include <ostream>
#include <streambuf>
#include <vector>

#include "BenchCustomers.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace {

namespace cs = SEQUENCE_NAMESPACE_800;

constexpr int kCatalogue = 3000;
constexpr int kHeldTarget = 1000000;

// Counts the bytes written to it and drops them.
class CountingBuffer : public std::streambuf {
 public:
  std::int64_t bytes() const { return bytes_; }

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes_ += n;
    return n;
  }
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++bytes_;
    return traits_type::not_eof(c);
  }

 private:
  std::int64_t bytes_ = 0;
};

// Customers of about 3.5 item sets of about 2 items over a skewed catalogue, cut to at most 9
// distinct items, so that every subset of a customer's items is a distinct subsequence. Each
// entry is (set index, item), sets in order and items ascending within a set.
std::vector<std::pair<int, int>> NextCustomer(carmaseq_bench::BenchCustomers& customers) {
  const carmaseq_bench::SetList sets = carmaseq_bench::DistinctItems(customers.Next(), 9);
  std::vector<std::pair<int, int>> flat;
  for (size_t s = 0; s < sets.size(); ++s) {
    for (int item : sets[s]) flat.emplace_back(static_cast<int>(s), item);
  }
  return flat;
}

// Counts every subsequence of the customer once.
void CountCustomer(cs::SequenceDictionary& dictionary, const std::vector<std::pair<int, int>>& flat,
                   std::vector<std::vector<int>>& arrays, std::vector<int*>& pointers) {
  cs::SequenceCounter one(0, 1, nullptr);
  for (unsigned mask = 1; mask < (1u << flat.size()); ++mask) {
    arrays.clear();
    int lastSet = -1;
    for (size_t i = 0; i < flat.size(); ++i) {
      if (!(mask & (1u << i))) continue;
      if (flat[i].first != lastSet) {
        arrays.push_back({0});
        lastSet = flat[i].first;
      }
      ++arrays.back()[0];
      arrays.back().push_back(flat[i].second);
    }
    pointers.clear();
    for (auto& array : arrays) pointers.push_back(array.data());
    const int n = static_cast<int>(pointers.size());
    if (dictionary.incrementCount(pointers.data(), n) == nullptr) {
      dictionary.addSequence(pointers.data(), n, &one);
    }
  }
}

std::unique_ptr<cs::SequenceDictionary> MakeDictionary() {
  auto dictionary = std::make_unique<cs::SequenceDictionary>(10);
  cs::GeneratorOptions shape;
  shape.customers = 1000;
  shape.avgSetsPerCustomer = 3.5;
  shape.avgItemsPerSet = 2;
  shape.distinctItems = kCatalogue;
  shape.avgPatternItems = 3;
  shape.seed = 29;
  carmaseq_bench::BenchCustomers customerStream(shape);
  std::vector<std::vector<int>> arrays;
  std::vector<int*> pointers;
  int customers = 0;
  while (dictionary->NumberOfSequences() < kHeldTarget) {
    CountCustomer(*dictionary, NextCustomer(customerStream), arrays, pointers);
    ++customers;
  }
  const cs::Sequence empty;
  dictionary->getDescriptor(&empty)->setCount(customers);
  if (!dictionary->buildLattice().IsOK()) throw std::bad_alloc();
  return dictionary;
}

cs::SequenceDictionary& Held() {
  static std::unique_ptr<cs::SequenceDictionary> dictionary = MakeDictionary();
  return *dictionary;
}

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Runs export once per iteration, timed in thread CPU time (the machine may be shared), and
// reports the document size and throughput.
template <typename Export>
void RunExport(benchmark::State& state, Export exportTo) {
  std::int64_t bytes = 0;
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    const double start = ThreadSeconds();
    if (!exportTo(out).IsOK()) state.SkipWithError("export failed");
    state.SetIterationTime(ThreadSeconds() - start);
    bytes = buffer.bytes();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["held"] = Held().NumberOfSequences();
  state.counters["document_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ExportLattice(benchmark::State& state) {
  cs::SequenceDictionary& dictionary = Held();
  RunExport(state, [&](std::ostream& out) { return dictionary.ExportLatticeXML(out, 0.0); });
}
BENCHMARK(BM_ExportLattice)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Every held sequence of two or more sets makes a rule.
constexpr double kMinSupportCount = 1.0;

void BM_GetRules(benchmark::State& state) {
  cs::SequenceDictionary& dictionary = Held();
  const double minSupport = kMinSupportCount / dictionary.getTotalCount();
  std::size_t rules = 0;
  for (auto _ : state) {
    std::vector<cs::SeqAssociationRule> found;
    const double start = ThreadSeconds();
    if (!dictionary.GetRules(found, minSupport, 1.0, 0.0, 1.0, 0.0, 1.0, 'C', false).IsOK()) {
      state.SkipWithError("rule generation failed");
      break;
    }
    state.SetIterationTime(ThreadSeconds() - start);
    rules = found.size();
  }
  state.counters["rules"] = static_cast<double>(rules);
}
BENCHMARK(BM_GetRules)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportRules(benchmark::State& state) {
  cs::SequenceDictionary& dictionary = Held();
  const double minSupport = kMinSupportCount / dictionary.getTotalCount();
  RunExport(state, [&](std::ostream& out) {
    return dictionary.ExportRulesXML(out, minSupport, 1.0, 0.0, 1.0, 0.0, 1.0, 9, 4.0, 'C', false);
  });
}
BENCHMARK(BM_ExportRules)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
