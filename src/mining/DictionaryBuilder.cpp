#include "mining/DictionaryBuilder.h"

#include <algorithm>
#include <stdexcept>

#include "input/SequenceDatabase.h"
#include "dictionary/SequenceDictionary.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr int kMaxKeyItems = 31;

// Turns a mined sequence into the dictionary's counted arrays: sets[k] = {size, items...}.
class CountedSets {
 public:
  int** Fill(const MinedSequence& found) {
    int* out = storage_;
    int begin = 0;
    for (int k = 0; k < found.numSets; ++k) {
      sets_[k] = out;
      *out++ = found.setEnds[k] - begin;
      for (; begin < found.setEnds[k]; ++begin) *out++ = found.items[begin];
    }
    return sets_;
  }

 private:
  int storage_[2 * kMaxKeyItems] = {};  // at most 31 items and 31 counts
  int* sets_[kMaxKeyItems] = {};
};

}  // namespace

BuildResult::BuildResult() = default;
BuildResult::BuildResult(BuildResult&&) noexcept = default;
BuildResult& BuildResult::operator=(BuildResult&&) noexcept = default;
BuildResult::~BuildResult() = default;

BuildResult BuildDictionary(const SequenceDatabase& db, const MiningOptions& options,
                            const SeqDictionarySettings& settings) {
  static_cast<void>(SequenceMiner(options));  // rejects bad options before anything is clamped
  if (settings.numberOfLevels < 1 || settings.numberOfLevels > kMaxKeyItems + 1) {
    throw std::invalid_argument("number of levels must lie in 1..32");
  }
  MiningOptions mining = options;
  mining.maxItems = std::min(options.maxItems, settings.numberOfLevels - 1);
  const SequenceMiner miner(mining);

  BuildResult result;
  auto dictionary = std::make_unique<SequenceDictionary>(settings);
  dictionary->getDescriptor(nullptr, 0)->setCount(db.NumCustomers());
  CountedSets sets;
  result.summary = miner.Mine(db, [&](const MinedSequence& found) {
    CarmaSequenceDescriptor counter(/*ordinalOfEntry=*/0, /*maxMissed=*/0, found.count);
    dictionary->addSequence(sets.Fill(found), found.numSets, &counter);
  });
  if (result.summary.memoryLimitReached) {
    result.status = QxCommon_940::QxStatus(QxCommon_940::QxStatus::kOutOfMemory, false);
    return result;
  }
  if (result.summary.cancelled) {
    result.status = QxCommon_940::QxStatus(QxCommon_940::QxStatus::kCancelled, false);
    return result;
  }
  dictionary->setSlidingWindow(std::max(0.0, options.slidingWindow));
  dictionary->setMinGap(std::max(0.0, options.minGap));
  dictionary->setMaxGap(std::max(0.0, options.maxGap));
  dictionary->reduceAll(options.minSupport * db.NumCustomers());
  result.status = dictionary->buildLattice();
  if (result.status.IsOK()) result.dictionary = std::move(dictionary);
  return result;
}

BuildResult BuildDictionary(const SequenceDatabase& db, const MiningOptions& options) {
  static_cast<void>(SequenceMiner(options));  // rejects bad options before they size the dictionary
  SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  return BuildDictionary(db, options, settings);
}

}  // namespace SEQUENCE_NAMESPACE_800
