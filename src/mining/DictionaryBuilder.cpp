#include "mining/DictionaryBuilder.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <stdexcept>

#include "dictionary/SequenceDictionary.h"
#include "input/SequenceDatabase.h"
#include "mining/PatternList.h"
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

// Stores sequences in a dictionary in the order they come, a batch at a time (see
// SequenceDictionary::addSequences): each is held back until kBatch are waiting or Flush.
class BatchedStore {
 public:
  explicit BatchedStore(SequenceDictionary& dictionary) : dictionary_(dictionary) {
    for (int i = 0; i < kBatch; ++i) counters_[i] = &descriptors_[i];
  }
  BatchedStore(const BatchedStore&) = delete;
  BatchedStore& operator=(const BatchedStore&) = delete;

  void Add(const MinedSequence& found) {
    sets_[size_] = counted_[size_].Fill(found);
    numSets_[size_] = found.numSets;
    descriptors_[size_].setCount(found.count);
    if (++size_ == kBatch) Flush();
  }
  void Flush() {
    const int n = size_;
    size_ = 0;  // a failure drops the batch
    dictionary_.addSequences(sets_, numSets_, counters_, n);
  }

 private:
  static constexpr int kBatch = 64;

  SequenceDictionary& dictionary_;
  int size_ = 0;
  CountedSets counted_[kBatch];
  int** sets_[kBatch] = {};
  int numSets_[kBatch] = {};
  CarmaSequenceDescriptor descriptors_[kBatch];  // ordinalOfEntry and maxMissed stay 0
  SequenceCounter* counters_[kBatch];            // &descriptors_[i]
};

// Hands the memory the search and the transactions held, now free, back to the system, so that
// the lattice built next for `mined` does not sit on top of it. Only for a large lattice (a
// million links or more, 8 bytes each and more while they are sorted): a small one is built in
// the freed memory as it is, and the trim would cost milliseconds for nothing. Only where the C
// library offers it.
void ReturnFreedMemory(const MiningSummary& mined) {
#if defined(__GLIBC__)
  constexpr std::int64_t kLargeLattice = 1 << 20;
  std::int64_t links = 0;  // at most one per item of every held sequence
  for (std::size_t k = 1; k < mined.perLevel.size(); ++k) {
    links += mined.perLevel[k] * static_cast<std::int64_t>(k);
  }
  if (links >= kLargeLattice) malloc_trim(0);
#else
  static_cast<void>(mined);
#endif
}

void CheckLevels(const SeqDictionarySettings& settings) {
  if (settings.numberOfLevels < 1 || settings.numberOfLevels > kMaxKeyItems + 1) {
    throw std::invalid_argument("number of levels must lie in 1..32");
  }
}

// Records the time constraints and minimum support of options on a filled dictionary and builds
// its lattice; result takes the dictionary when that succeeds.
void Finish(std::unique_ptr<SequenceDictionary> dictionary, const MiningOptions& options,
            std::int32_t customers, BuildResult* result) {
  dictionary->setSlidingWindow(std::max(0.0, options.slidingWindow));
  dictionary->setMinGap(std::max(0.0, options.minGap));
  dictionary->setMaxGap(std::max(0.0, options.maxGap));
  dictionary->reduceAll(options.minSupport * customers);
  result->status = dictionary->buildLattice();
  if (result->status.IsOK()) result->dictionary = std::move(dictionary);
}

// options.maxItems + 1 levels. Throws std::invalid_argument for options the miner rejects, before
// they size anything.
SeqDictionarySettings DefaultSettings(const MiningOptions& options) {
  static_cast<void>(SequenceMiner(options));
  SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  return settings;
}

// BuildDictionary; empties *release (when not null, the database db refers to) once mined.
BuildResult Build(const SequenceDatabase& db, const MiningOptions& options,
                  const SeqDictionarySettings& settings, SequenceDatabase* release) {
  static_cast<void>(SequenceMiner(options));  // rejects bad options before anything is clamped
  CheckLevels(settings);
  MiningOptions mining = options;
  mining.maxItems = std::min(options.maxItems, settings.numberOfLevels - 1);
  const SequenceMiner miner(mining);

  BuildResult result;
  auto dictionary = std::make_unique<SequenceDictionary>(settings);
  dictionary->getDescriptor(nullptr, 0)->setCount(db.NumCustomers());
  BatchedStore store(*dictionary);
  result.summary = miner.Mine(db, [&store](const MinedSequence& found) { store.Add(found); });
  store.Flush();
  const std::int32_t customers = db.NumCustomers();
  if (release != nullptr) *release = SequenceDatabase();
  ReturnFreedMemory(result.summary);
  if (result.summary.memoryLimitReached) {
    result.status = QxCommon_940::QxStatus(QxCommon_940::QxStatus::kOutOfMemory, false);
    return result;
  }
  if (result.summary.cancelled) {
    result.status = QxCommon_940::QxStatus(QxCommon_940::QxStatus::kCancelled, false);
    return result;
  }
  Finish(std::move(dictionary), options, customers, &result);
  return result;
}

}  // namespace

BuildResult::BuildResult() = default;
BuildResult::BuildResult(BuildResult&&) noexcept = default;
BuildResult& BuildResult::operator=(BuildResult&&) noexcept = default;
BuildResult::~BuildResult() = default;

BuildResult BuildDictionary(const SequenceDatabase& db, const MiningOptions& options,
                            const SeqDictionarySettings& settings) {
  return Build(db, options, settings, nullptr);
}

BuildResult BuildDictionaryFromPatterns(const PatternList& patterns, std::int32_t customers,
                                        const MiningOptions& options,
                                        const SeqDictionarySettings& settings) {
  static_cast<void>(SequenceMiner(options));
  CheckLevels(settings);
  BuildResult result;
  result.summary.customers = customers;
  result.summary.countThreshold = SequenceMiner::CountThreshold(options.minSupport, customers);
  result.summary.perLevel.assign(settings.numberOfLevels, 0);
  auto dictionary = std::make_unique<SequenceDictionary>(settings);
  dictionary->getDescriptor(nullptr, 0)->setCount(customers);
  BatchedStore store(*dictionary);
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const MinedSequence sequence = patterns.Get(i);
    if (sequence.numItems < 1 || sequence.numItems >= settings.numberOfLevels) continue;
    store.Add(sequence);
    ++result.summary.sequences;
    ++result.summary.perLevel[sequence.numItems];
  }
  store.Flush();
  Finish(std::move(dictionary), options, customers, &result);
  return result;
}

BuildResult BuildDictionary(const SequenceDatabase& db, const MiningOptions& options) {
  return BuildDictionary(db, options, DefaultSettings(options));
}

BuildResult BuildDictionary(SequenceDatabase&& db, const MiningOptions& options) {
  try {
    return Build(db, options, DefaultSettings(options), &db);
  } catch (...) {
    db = SequenceDatabase();
    throw;
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
