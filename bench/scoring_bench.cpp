// The scoring plug-in over a lattice of about 100,000 held sequences counted from synthetic
// customers: loading the lattice document (XML parse, then translation into a model) and
// scoring case records (records per second).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "ScoreResult.h"
#include "ScoreValue.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/SequentialTranslator.h"
#include "scoring/scoring_testutil.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace {

namespace cs = SEQUENCE_NAMESPACE_800;
namespace qx = QxQuorvis_940;
using SetList = std::vector<std::vector<int>>;

constexpr int kCustomers = 11000;
constexpr int kItems = 150;
constexpr int kMaxPatternItems = 4;  // counted subsequences hold at most this many items
constexpr double kMinCount = 4;
constexpr int kRecords = 1000;

// Customers of 3 to 6 baskets of 1 to 3 items; item popularity falls off like 1/rank.
class CustomerGenerator {
 public:
  explicit CustomerGenerator(unsigned seed) : random_(seed) {
    std::vector<double> weights;
    for (int i = 1; i <= kItems; ++i) weights.push_back(1.0 / i);
    items_ = std::discrete_distribution<int>(weights.begin(), weights.end());
  }

  SetList Next() {
    SetList customer(3 + random_() % 4);
    for (auto& basket : customer) {
      std::set<int> items;
      const size_t size = 1 + random_() % 3;
      while (items.size() < size) items.insert(1 + items_(random_));
      basket.assign(items.begin(), items.end());
    }
    return customer;
  }

 private:
  std::mt19937 random_;
  std::discrete_distribution<int> items_;
};

// Counts each distinct subsequence of a customer (at most kMaxPatternItems items) once.
class SubsequenceCounter {
 public:
  explicit SubsequenceCounter(cs::SequenceDictionary& dictionary) : dictionary_(dictionary) {}

  void Count(const SetList& customer) {
    seen_.clear();
    SetList prefix;
    Extend(customer, 0, 0, prefix);
  }

 private:
  // Extends prefix by a non-empty subset of each later basket in turn.
  void Extend(const SetList& customer, size_t from, int items, SetList& prefix) {
    if (!prefix.empty() && seen_.insert(prefix).second) Store(prefix);
    for (size_t b = from; b < customer.size(); ++b) {
      const std::vector<int>& basket = customer[b];
      for (unsigned mask = 1; mask < (1u << basket.size()); ++mask) {
        std::vector<int> subset;
        for (size_t i = 0; i < basket.size(); ++i) {
          if (mask & (1u << i)) subset.push_back(basket[i]);
        }
        const int size = items + static_cast<int>(subset.size());
        if (size > kMaxPatternItems) continue;
        prefix.push_back(subset);
        Extend(customer, b + 1, size, prefix);
        prefix.pop_back();
      }
    }
  }

  void Store(const SetList& sets) {
    std::vector<std::vector<int>> counted;
    std::vector<int*> pointers;
    for (const auto& set : sets) {
      counted.push_back({static_cast<int>(set.size())});
      counted.back().insert(counted.back().end(), set.begin(), set.end());
    }
    for (auto& set : counted) pointers.push_back(set.data());
    const int n = static_cast<int>(pointers.size());
    if (dictionary_.incrementCount(pointers.data(), n) == nullptr) {
      cs::SequenceCounter first(0, 1, nullptr);
      dictionary_.addSequence(pointers.data(), n, &first);
    }
  }

  cs::SequenceDictionary& dictionary_;
  std::set<SetList> seen_;
};

std::string Text(const SetList& sets) {
  std::string text;
  for (const auto& set : sets) {
    text += "(";
    for (size_t i = 0; i < set.size(); ++i) text += (i > 0 ? " " : "") + std::to_string(set[i]);
    text += ")";
  }
  return text;
}

// Built once: the lattice document of the counted, pruned and latticed dictionary, and case
// records of other customers' histories.
struct Fixture {
  Fixture() {
    xercesc::XMLPlatformUtils::Initialize();
    cs::SequenceDictionary dictionary(kMaxPatternItems + 1);
    CustomerGenerator customers(7);
    SubsequenceCounter counter(dictionary);
    for (int c = 0; c < kCustomers; ++c) counter.Count(customers.Next());
    const cs::Sequence empty;
    dictionary.getDescriptor(&empty)->setCount(kCustomers);
    dictionary.reduceAll(kMinCount);
    if (!dictionary.buildLattice().IsOK()) throw std::bad_alloc();
    held = dictionary.NumberOfSequences();
    std::ostringstream out;
    if (!dictionary.ExportLatticeXML(out, 0.0).IsOK()) throw std::bad_alloc();
    document = out.str();

    CustomerGenerator histories(11);
    for (int r = 0; r < kRecords; ++r) {
      records.emplace_back();
      records.back().SetField("sequence", Text(histories.Next()));
      records.back().SetField("maxReturn", "10");
    }
  }

  std::string document;
  int held = 0;
  std::vector<qx::MapCaseRecord> records;
};

Fixture& Shared() {
  static Fixture* fixture = new Fixture;  // lives for the whole run
  return *fixture;
}

void ReportLattice(benchmark::State& state) {
  state.counters["held"] = Shared().held;
  state.counters["MB"] = static_cast<double>(Shared().document.size()) / 1e6;
}

// Xerces builds the DOM of the document.
void BM_ParseDocument(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    qx::testutil::DocumentParser parser;
    benchmark::DoNotOptimize(parser.Parse(f.document));
  }
  ReportLattice(state);
}
BENCHMARK(BM_ParseDocument)->Unit(benchmark::kMillisecond);

// The translator rebuilds the model from a parsed DOM.
void BM_TranslateDocument(benchmark::State& state) {
  Fixture& f = Shared();
  qx::testutil::DocumentParser parser;
  xercesc::DOMDocument* document = parser.Parse(f.document);
  qx::SequentialTranslator translator;
  std::string encoding = "UTF-8";
  for (auto _ : state) {
    std::unique_ptr<qx::ScoreModel> model(translator.ParseFromTree(document, encoding));
    if (model == nullptr) state.SkipWithError("document rejected");
  }
  ReportLattice(state);
}
BENCHMARK(BM_TranslateDocument)->Unit(benchmark::kMillisecond);

// Arg: 1 for future items (with "fromCurrent"), 0 for current items.
void BM_ScoreRecords(benchmark::State& state) {
  Fixture& f = Shared();
  qx::testutil::ModelLoader loader;
  std::unique_ptr<qx::SequentialAssocModel> model = loader.Load(f.document);
  if (model == nullptr) {
    state.SkipWithError("document rejected");
    return;
  }
  std::vector<qx::MapCaseRecord> records = f.records;
  for (qx::MapCaseRecord& record : records) {
    record.SetField("returnType", state.range(0) != 0 ? "futureItems" : "currentItems");
    if (state.range(0) != 0) record.SetField("fromCurrent", "");
  }
  qx::ScoreResult* result = nullptr;
  size_t r = 0;
  long predicted = 0;
  for (auto _ : state) {
    if (!model->GetScore(&records[r], result, false).IsOK() || result == nullptr) {
      state.SkipWithError("scoring failed");
      break;
    }
    predicted += result->GetPrediction()->GetInt();
    r = (r + 1) % records.size();
  }
  delete result;
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["items/record"] = static_cast<double>(predicted) / state.iterations();
  ReportLattice(state);
}
BENCHMARK(BM_ScoreRecords)->ArgName("future")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same queries asked of the model's dictionary directly: what the engine costs without the
// record, the text parser and the result.
void BM_DictionaryQueries(benchmark::State& state) {
  Fixture& f = Shared();
  qx::testutil::ModelLoader loader;
  std::unique_ptr<qx::SequentialAssocModel> model = loader.Load(f.document);
  if (model == nullptr) {
    state.SkipWithError("document rejected");
    return;
  }
  cs::SequenceDictionary* dictionary = model->GetSequenceDictionary();
  std::vector<cs::Sequence> queries;
  for (const qx::MapCaseRecord& record : f.records) {
    queries.push_back(qx::SequentialAssocModelTestPeer::GetSequence(
        record.GetFieldValue("sequence")->GetString()));
  }
  std::vector<cs::SeqConsequentDescriptor> predictions;
  size_t q = 0;
  for (auto _ : state) {
    predictions.clear();
    const auto status = state.range(0) != 0
                            ? dictionary->GetFutureItems(predictions, &queries[q], 10, false)
                            : dictionary->GetCurrentItems(predictions, &queries[q], 10);
    if (!status.IsOK()) {
      state.SkipWithError("prediction failed");
      break;
    }
    q = (q + 1) % queries.size();
  }
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  ReportLattice(state);
}
BENCHMARK(BM_DictionaryQueries)->ArgName("future")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
