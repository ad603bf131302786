#include "dictionary/SequenceDictionary.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <ostream>

#include "foundation/Exceptions.h"
#include "foundation/MemoryGuard.h"
#include "foundation/QxPower.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TableWalk.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Total number of items of n counted sets. Wide, so that garbage counts cannot wrap.
std::int64_t CountedSize(int** sets, int n) {
  std::int64_t total = 0;
  for (int k = 0; k < n; ++k) total += sets[k][0];
  return total;
}

}  // namespace

SequenceDictionary::SequenceDictionary() = default;

SequenceDictionary::SequenceDictionary(int numberOfLevels) {
  SeqDictionarySettings settings;
  settings.numberOfLevels = numberOfLevels;
  createDictionary(settings);
}

SequenceDictionary::SequenceDictionary(const SeqDictionarySettings& settings) {
  createDictionary(settings);
}

SequenceDictionary::SequenceDictionary(HashtableSQPair** tables, int numberOfLevels) {
  settings_.numberOfLevels = numberOfLevels;
  try {
    scratch_ = new NTSequence();
    tableSizes_ = new std::int32_t[static_cast<size_t>(numberOfLevels) + 1];
  } catch (const std::bad_alloc&) {
    delete scratch_;
    // The tables were handed over; they are released with the failure.
    for (int level = 0; level < numberOfLevels; ++level) delete tables[level];
    delete[] tables;
    throw SeqExceptions::DictionaryFailure();
  }
  for (int level = 0; level <= numberOfLevels; ++level) {
    tableSizes_[level] = settings_.tableSizeOfLevel(level);
  }
  numberOfLevels_ = numberOfLevels;
  levels_ = tables;
  latticeBuilt_ = true;
}

SequenceDictionary::~SequenceDictionary() { destroyTables(); }

void SequenceDictionary::createDictionary(const SeqDictionarySettings& settings) {
  destroyTables();
  cancel_ = false;
  settings_ = settings;
  const int levels = settings.numberOfLevels;
  try {
    scratch_ = new NTSequence();
    tableSizes_ = new std::int32_t[static_cast<size_t>(levels) + 1];
    for (int level = 0; level <= levels; ++level) {
      tableSizes_[level] = settings.tableSizeOfLevel(level);
    }
    levels_ = new HashtableSQPair*[static_cast<size_t>(levels)]();
    numberOfLevels_ = levels;
    for (int level = 0; level < levels; ++level) {
      levels_[level] = new HashtableSQPair(tableSizes_[level]);
    }
    if (levels > 0) defineLevel0();
  } catch (const std::bad_alloc&) {
    destroyTables();
    throw SeqExceptions::DictionaryFailure();
  } catch (const SeqExceptions::DictionaryFailure&) {
    destroyTables();
    throw;
  }
}

void SequenceDictionary::destroyTables() {
  if (levels_ != nullptr) {
    for (int level = 0; level < numberOfLevels_; ++level) delete levels_[level];
    delete[] levels_;
    levels_ = nullptr;
  }
  numberOfLevels_ = 0;
  delete[] tableSizes_;
  tableSizes_ = nullptr;
  delete scratch_;
  scratch_ = nullptr;
}

void SequenceDictionary::defineLevel0() {
  GuardMemory([this] {
    const NTSequence key;
    SequenceCounter counter;
    levels_[0]->putOverwriteCopy(key, &counter);
  });
}

void SequenceDictionary::reset() {
  for (int level = 0; level < numberOfLevels_; ++level) levels_[level]->clear();
  if (numberOfLevels_ > 0) defineLevel0();
}

const HashtableSQPair* SequenceDictionary::getLevelTable(int level) const {
  if (level < 0 || level >= numberOfLevels_) return nullptr;
  return levels_[level];
}

std::int32_t SequenceDictionary::getTotalCount() const {
  if (numberOfLevels_ < 1) return 0;
  const auto it = levels_[0]->begin();
  if (it == levels_[0]->end() || it->value == nullptr) return 0;
  return it->value->getCount();
}

// ---- Look-ups ----

HashtableSQPair* SequenceDictionary::tableFor(const NTSequence* key) const {
  if (key == nullptr || key->size() >= numberOfLevels_) return nullptr;
  return levels_[key->size()];
}

const ISQCPair* SequenceDictionary::findEntry(const NTSequence* key) const {
  const HashtableSQPair* table = tableFor(key);
  return table == nullptr ? nullptr : table->get(key);
}

SequenceCounter* SequenceDictionary::lookup(const NTSequence* key) const {
  const ISQCPair* entry = findEntry(key);
  return entry == nullptr ? nullptr : entry->value;
}

const NTSequence* SequenceDictionary::scratchKey(int** sets, int n) {
  // The length test comes first: a key too long to be held is never built, so its hash (which
  // is only defined for short keys) is never computed.
  if (scratch_ == nullptr || CountedSize(sets, n) >= numberOfLevels_) return nullptr;
  GuardMemory([&] { scratch_->reuseAs(sets, n); });
  return scratch_;
}

const NTSequence* SequenceDictionary::scratchKey(const Sequence* sequence) {
  if (scratch_ == nullptr || sequence == nullptr || sequence->Size() >= numberOfLevels_) {
    return nullptr;
  }
  GuardMemory([&] { scratch_->reuseAs(sequence); });
  return scratch_;
}

// ---- Entries ----

void SequenceDictionary::addSequence(int** sets, int n, SequenceCounter* counter) {
  if (numberOfLevels_ < 1 || CountedSize(sets, n) >= numberOfLevels_) return;
  // The key is built in the scratch key and copied, with the counter's numbers, into the level
  // table's own entry storage.
  const NTSequence* key = scratchKey(sets, n);
  if (key != nullptr) store(*key, counter);
}

void SequenceDictionary::addSequences(int** const* sets, const int* n,
                                      SequenceCounter* const* counters, int count) {
  // Each batch: keys built, then their chain heads asked for, then the nodes those point to,
  // then stored in order; the misses of a batch overlap instead of coming one after another.
  constexpr int kBatch = 16;
  if (numberOfLevels_ < 1) return;
  GuardMemory([this] { batchKeys_.resize(kBatch); });
  for (int first = 0; first < count; first += kBatch) {
    const int m = std::min(kBatch, count - first);
    bool built[kBatch];
    for (int i = 0; i < m; ++i) {
      built[i] = CountedSize(sets[first + i], n[first + i]) < numberOfLevels_;
      if (!built[i]) continue;
      NTSequence& key = batchKeys_[i];
      GuardMemory([&] { key.reuseAs(sets[first + i], n[first + i]); });
      levels_[key.size()]->prefetchBucket(key);
    }
    for (int i = 0; i < m; ++i) {
      if (built[i]) levels_[batchKeys_[i].size()]->prefetchChain(batchKeys_[i]);
    }
    for (int i = 0; i < m; ++i) {
      if (built[i]) store(batchKeys_[i], counters[first + i]);
    }
  }
}

void SequenceDictionary::store(const NTSequence& key, SequenceCounter* counter) {
  GuardMemory([&] {
    if (counter == nullptr) {
      levels_[key.size()]->putOverwriteCopy(key, nullptr);
      return;
    }
    SequenceCounter copy(counter->getOrdinalOfEntry(), counter->getCount(), nullptr);
    copy.setMaxMissed(counter->getMaxMissed());
    levels_[key.size()]->putOverwriteCopy(key, &copy);
  });
}

SequenceCounter* SequenceDictionary::incrementCount(int** sets, int n) {
  SequenceCounter* counter = getDescriptor(sets, n);
  if (counter != nullptr) counter->incrementCount();
  return counter;
}

SequenceCounter* SequenceDictionary::getDescriptor(const NTSequence* key) { return lookup(key); }

SequenceCounter* SequenceDictionary::getDescriptor(const Sequence* sequence) {
  return lookup(scratchKey(sequence));
}

SequenceCounter* SequenceDictionary::getDescriptor(int** sets, int n) {
  return lookup(scratchKey(sets, n));
}

NTSequence* SequenceDictionary::getSequence(int** sets, int n) {
  const ISQCPair* entry = findEntry(scratchKey(sets, n));
  return entry == nullptr ? nullptr : entry->key;
}

bool SequenceDictionary::hasSequence(int** sets, int n) {
  return findEntry(scratchKey(sets, n)) != nullptr;
}

void SequenceDictionary::remove(NTSequence* key) {
  HashtableSQPair* table = tableFor(key);
  if (table != nullptr) table->remove(key);
}

void SequenceDictionary::remove(int** sets, int n) {
  remove(const_cast<NTSequence*>(scratchKey(sets, n)));
}

void SequenceDictionary::remove(const Sequence* sequence) {
  remove(const_cast<NTSequence*>(scratchKey(sequence)));
}

// ---- Pruning ----

std::int32_t SequenceDictionary::CountThreshold(double minCount) {
  // Out of the 32-bit range (or NaN) the truncation below would be undefined.
  constexpr double kTop = 2147483648.0;
  if (minCount != minCount) return 0;
  if (minCount >= kTop) return std::numeric_limits<std::int32_t>::max();
  if (minCount <= -kTop) return std::numeric_limits<std::int32_t>::min();
  const auto truncated = static_cast<std::int32_t>(minCount);
  if (QxMath_940::QxPower::AlmostEqual(minCount, truncated, 100)) {
    const double rounded = minCount + 0.5;
    return rounded >= kTop ? std::numeric_limits<std::int32_t>::max()
                           : static_cast<std::int32_t>(rounded);
  }
  return truncated == std::numeric_limits<std::int32_t>::max() ? truncated : truncated + 1;
}

template <typename Drop>
int SequenceDictionary::removeEntries(int level, Drop drop) {
  // Level 0 holds the denominator of every support and is never pruned.
  if (level < 1 || level >= numberOfLevels_) return 0;
  HashtableSQPair* table = levels_[level];
  int removed = 0;
  WalkEntries(*table, [&](const ISQCPair& entry) {
    if (entry.value != nullptr && drop(*entry.value)) {
      table->remove(entry.key);
      ++removed;
    }
  });
  return removed;
}

int SequenceDictionary::reduceDictionary(int level, double minCount) {
  const std::int64_t threshold = CountThreshold(minCount);
  return removeEntries(level, [threshold](const SequenceCounter& counter) {
    return std::int64_t{counter.getCount()} + counter.getMaxMissed() < threshold;
  });
}

int SequenceDictionary::reduceDictionaryWithCount(int level, double minCount) {
  const std::int32_t threshold = CountThreshold(minCount);
  return removeEntries(level, [threshold](const SequenceCounter& counter) {
    return counter.getCount() < threshold;
  });
}

int SequenceDictionary::reduceAll(double minCount) {
  int removed = 0;
  for (int level = 1; level < numberOfLevels_; ++level) {
    // Through the interface, so that a refined count decides where pruning stops.
    if (CountSequencesOfSize(level) <= 0) break;
    removed += reduceDictionary(level, minCount);
  }
  minimumSupport_ = minCount / getTotalCount();
  return removed;
}

int SequenceDictionary::reduceAllWithCount(double minCount) {
  int removed = 0;
  for (int level = 1; level < numberOfLevels_; ++level) {
    removed += reduceDictionaryWithCount(level, minCount);
  }
  return removed;
}

QxCommon_940::QxStatus SequenceDictionary::dropAfter(int ordinal) {
  for (int level = 1; level < numberOfLevels_; ++level) {
    removeEntries(level, [ordinal](SequenceCounter& counter) {
      if (counter.getOrdinalOfEntry() > ordinal) return true;
      // 32-bit wrap-around, done unsigned.
      counter.setCount(
          static_cast<std::int32_t>(static_cast<std::uint32_t>(counter.getCount()) +
                                    static_cast<std::uint32_t>(counter.getMaxMissed())));
      counter.setMaxMissed(0);
      return false;
    });
  }
  return QxStatus();
}

void SequenceDictionary::displaySize(int level, int lastIndex, std::ostream& os) {
  if (level < 0 || level >= numberOfLevels_) return;
  const HashtableSQPair* table = levels_[level];
  int index = 0;
  for (auto it = table->begin(); it != table->end() && (index == 0 || index <= lastIndex);
       ++it, ++index) {
    it->key->display(os);
    if (it->value != nullptr) it->value->display(os, false);
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
