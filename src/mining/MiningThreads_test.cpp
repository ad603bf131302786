// Mining with several threads: the same sequences, in the same order, the same documents, and
// the memory budget.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "gtest/gtest.h"
#include "input/SequenceDatabase.h"
#include "input/SequenceGenerator.h"
#include "mining/DictionaryBuilder.h"
#include "mining/SequenceMiner.h"
#include "mining/mining_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// A mined sequence that outlives the visitor call.
struct Held {
  std::vector<std::int32_t> items, setEnds;
  std::int32_t count;

  MinedSequence View() const {
    MinedSequence view;
    view.items = items.data();
    view.setEnds = setEnds.data();
    view.numItems = static_cast<std::int32_t>(items.size());
    view.numSets = static_cast<std::int32_t>(setEnds.size());
    view.count = count;
    return view;
  }
  bool operator==(const Held& other) const {
    return items == other.items && setEnds == other.setEnds && count == other.count;
  }
};

std::vector<Held> MineInOrder(const SequenceDatabase& db, const MiningOptions& options) {
  std::vector<Held> found;
  SequenceMiner(options).Mine(db, [&found](const MinedSequence& s) {
    found.push_back({std::vector<std::int32_t>(s.items, s.items + s.numItems),
                     std::vector<std::int32_t>(s.setEnds, s.setEnds + s.numSets), s.count});
  });
  return found;
}

// Every document and saved form of a built dictionary, concatenated.
std::string Documents(const SequenceDatabase& db, const MiningOptions& options) {
  BuildResult built = BuildDictionary(db, options);
  EXPECT_TRUE(built.status.IsOK());
  if (built.dictionary == nullptr) return "";
  SequenceDictionary& dictionary = *built.dictionary;
  std::ostringstream out;
  EXPECT_TRUE(dictionary.ExportRulesXML(out, 0, 1, 0, 1, 0, 1, 0, 0.0, 'C', false).IsOK());
  EXPECT_TRUE(dictionary.ExportLatticeXML(out, 0).IsOK());
  dictionary.writeObjectXML(out);
  const std::string path = testing::TempDir() + "threads_model.bin";
  {
    std::fstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    dictionary.writeObject(file);
  }
  std::ifstream saved(path, std::ios::binary);
  out << std::string(std::istreambuf_iterator<char>(saved), {});
  std::remove(path.c_str());
  return out.str();
}

SequenceDatabase Generated(std::int32_t customers) {
  GeneratorOptions generator;
  generator.customers = customers;
  generator.distinctItems = 60;
  generator.seed = 7;
  SequenceDatabase db;
  SequenceGenerator(generator).Generate(&db);
  return db;
}

TEST(MiningThreadsTest, AnyNumberOfThreadsMinesTheSameInMiningOrder) {
  const SequenceDatabase db = Generated(300);
  MiningOptions untimed;  // the bitmap search
  untimed.minSupport = 0.15;
  MiningOptions windowed;  // the position search, each root's part
  windowed.minSupport = 0.05;
  windowed.slidingWindow = 4;
  MiningOptions gapped = windowed;  // the position search, the whole database
  gapped.maxGap = 2;
  for (MiningOptions options : {untimed, windowed, gapped}) {
    options.threads = 1;
    const std::vector<Held> alone = MineInOrder(db, options);
    const std::string documents = Documents(db, options);
    ASSERT_GT(alone.size(), 300u);
    for (std::size_t i = 1; i < alone.size(); ++i) {
      ASSERT_TRUE(MiningOrder()(alone[i - 1].View(), alone[i].View()))
          << testutil::PatternText(alone[i - 1].View()) << " before "
          << testutil::PatternText(alone[i].View());
      ASSERT_FALSE(MiningOrder()(alone[i].View(), alone[i - 1].View()));
    }
    for (std::int32_t threads : {2, 7}) {
      options.threads = threads;
      EXPECT_TRUE(alone == MineInOrder(db, options)) << threads << " threads";
      EXPECT_TRUE(documents == Documents(db, options)) << threads << " threads";
    }
  }
}

TEST(MiningThreadsTest, MiningOrderWalksTheGrowthTree) {
  // (1) < (1 2) < (1 2)(1) < (1)(1) < (1)(2) < (2)
  const std::vector<Held> ordered = {{{1}, {1}, 0},          {{1, 2}, {2}, 0},
                                     {{1, 2, 1}, {2, 3}, 0}, {{1, 1}, {1, 2}, 0},
                                     {{1, 2}, {1, 2}, 0},    {{2}, {1}, 0}};
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    for (std::size_t j = 0; j < ordered.size(); ++j) {
      EXPECT_EQ(i < j, MiningOrder()(ordered[i].View(), ordered[j].View())) << i << " " << j;
    }
  }
}

TEST(MiningThreadsTest, MemoryBudgetStopsMiningAndTheBuildReportsIt) {
  const SequenceDatabase db = Generated(300);
  for (std::int32_t threads : {1, 2}) {
    MiningOptions options;
    options.minSupport = 0.1;  // over 4096 sequences: the budget is looked at
    options.threads = threads;
    options.maxMemory = 1;
    const BuildResult built = BuildDictionary(db, options);
    EXPECT_EQ(nullptr, built.dictionary);
    EXPECT_EQ(60000, built.status.GetErrorCode());
    EXPECT_TRUE(built.summary.memoryLimitReached && !built.summary.cancelled);
    EXPECT_LT(built.summary.firstItemsDone, built.summary.firstItems);
    options.maxMemory = 0;  // the default budget
    EXPECT_TRUE(BuildDictionary(db, options).status.IsOK()) << threads << " threads";
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
