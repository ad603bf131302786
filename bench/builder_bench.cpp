// Mining the shared public data sets end to end: reading the input file, then either mining
// alone (every frequent sequence reported to a counting visitor) or building the whole
// dictionary with its lattice. Each data set is skipped with a message when its file is absent.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "input/CsvReader.h"
#include "mining/DictionaryBuilder.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "mining/SequenceMiner.h"
#include "input/SpmfFormat.h"
#include "dictionary/SequenceDictionary.h"

namespace {

namespace cs = SEQUENCE_NAMESPACE_800;

struct DataSet {
  const char* name;
  const char* path;  // under the shared data folder
  bool csv;          // the groceries log as published: member, dd-mm-yyyy date, item name
  double support;
  int maxItems;
};

const DataSet kDataSets[] = {
    {"groceries_spmf/0.5%", "groceries/groceries.spmf.txt", false, 0.005, 31},
    {"groceries_csv/0.5%", "groceries/Groceries_dataset.csv", true, 0.005, 31},
    {"bms1/0.1%", "bms1/bms1.spmf.txt", false, 0.001, 31},
    {"quest10k/2%_max9", "quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt", false, 0.02, 9},
};

std::string PathOf(const DataSet& data) {
  return std::string(CARMASEQ_SHARED_DIR) + "/data/" + data.path;
}

cs::SequenceDatabase Read(const DataSet& data) {
  cs::SequenceDatabase db;
  std::ifstream in(PathOf(data), std::ios::binary);
  if (data.csv) {
    cs::CsvOptions options;
    options.customerColumn = "Member_number";
    options.timeColumn = "Date";
    options.itemColumn = "itemDescription";
    options.timeFormat = "%d-%m-%Y";
    cs::ItemNameMap names;
    cs::ReadCsv(in, data.path, options, &names, &db);
  } else {
    cs::ReadSpmf(in, data.path, &db);
  }
  return db;
}

cs::MiningOptions OptionsOf(const DataSet& data) {
  cs::MiningOptions options;
  options.minSupport = data.support;
  options.maxItems = data.maxItems;
  return options;
}

void BM_ReadAndMine(benchmark::State& state, const DataSet& data) {
  std::int64_t sequences = 0;
  for (auto _ : state) {
    const cs::SequenceDatabase db = Read(data);
    sequences = 0;
    cs::SequenceMiner(OptionsOf(data)).Mine(db, [&sequences](const cs::MinedSequence&) {
      ++sequences;
    });
    benchmark::DoNotOptimize(sequences);
  }
  state.counters["sequences"] = static_cast<double>(sequences);
}

void BM_ReadMineAndBuildLattice(benchmark::State& state, const DataSet& data) {
  std::int64_t held = 0;
  for (auto _ : state) {
    const cs::SequenceDatabase db = Read(data);
    const cs::BuildResult result = cs::BuildDictionary(db, OptionsOf(data));
    if (result.dictionary == nullptr) {
      state.SkipWithError("dictionary building failed");
      return;
    }
    held = result.dictionary->NumberOfSequences();
  }
  state.counters["held_with_empty"] = static_cast<double>(held);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  int registered = 0;
  for (const DataSet& data : kDataSets) {
    if (!std::ifstream(PathOf(data))) {
      std::fprintf(stderr, "skipping %s: %s not found\n", data.name, PathOf(data).c_str());
      continue;
    }
    benchmark::RegisterBenchmark((std::string("mine/") + data.name).c_str(), BM_ReadAndMine, data)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("build/") + data.name).c_str(),
                                 BM_ReadMineAndBuildLattice, data)
        ->Unit(benchmark::kMillisecond);
    ++registered;
  }
  if (registered == 0) {
    std::fprintf(stderr, "no shared data set found; nothing to measure\n");
    return 0;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
