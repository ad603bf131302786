// Binary persistence of the keys, counters, statistics and tables: an ASCII tag per object, then
// its numbers as little-endian int32 and doubles. The key, counter and statistics readers build
// the object aside and install it only when all of it has been read, so that a failure leaves the
// target unchanged. The table reader stores each entry as soon as it has been read.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "persist/LittleEndian.h"
#include "persist/ReadGuard.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

namespace le = little_endian;

// Tags with their stored lengths: "NT:" and the counter's "SD" include their zero byte.
constexpr char kKeyTag[] = "NT:";
constexpr std::size_t kKeyTagLength = 4;
constexpr char kCounterTag[] = "SD";
constexpr std::size_t kCounterTagLength = 3;
constexpr char kStatsTag[] = "SB";
constexpr char kTableTag[] = "HT";
constexpr std::size_t kShortTagLength = 2;

constexpr char kTableError[] = "Error reading HashtableSQPair!\n";
constexpr char kKeyError[] = "Failure reading NTSequence!\n";
constexpr char kCounterError[] = "Error reading SequenceCounter!\n";
constexpr char kLinksError[] = "Error reading Sequence!\n";
constexpr char kStatsError[] = "Error reading StatsBucket!\n";

}  // namespace

size_t StatsBucket::writeObject(std::fstream& fs) const {
  le::PutTag(fs, kStatsTag, kShortTagLength);
  for (double value : {occurrences_, total_, min_, max_}) le::PutDouble(fs, value);
  return 30;
}

size_t StatsBucket::readObject(std::fstream& fs) {
  if (!le::GetTag(fs, kStatsTag, kShortTagLength)) persist::FailRead(kStatsError);
  double values[4];
  for (double& value : values) {
    if (!le::GetDouble(fs, &value)) persist::FailRead(kStatsError);
  }
  setValues(values[0], values[1], values[2], values[3]);
  return 30;
}

size_t NTSequence::writeObject(std::fstream& fs) const {
  le::PutTag(fs, kKeyTag, kKeyTagLength);
  le::PutInt32(fs, pattern_);
  le::PutInt32(fs, size_);
  for (std::int32_t i = 0; i < size_ && fs.good(); ++i) le::PutInt32(fs, items_[i]);
  le::PutInt32(fs, nSets_);
  return 16 + 4 * static_cast<size_t>(size_);
}

size_t NTSequence::readObject(std::fstream& fs) {
  if (!le::GetTag(fs, kKeyTag, kKeyTagLength) || fs.bad()) persist::FailRead(kKeyError);
  std::int32_t pattern = 0;
  std::int32_t size = 0;
  std::int32_t nSets = 0;
  std::int32_t items[persist::kMaxKeyItems];
  if (!le::GetInt32(fs, &pattern) || !le::GetInt32(fs, &size) || size < 0 ||
      size > persist::kMaxKeyItems) {
    persist::FailRead(kKeyError);
  }
  for (std::int32_t i = 0; i < size; ++i) {
    if (!le::GetInt32(fs, &items[i])) persist::FailRead(kKeyError);
  }
  if (!le::GetInt32(fs, &nSets) || !persist::ValidKeyShape(pattern, size, nSets)) {
    persist::FailRead(kKeyError);
  }
  std::unique_ptr<std::int32_t[]> array(new std::int32_t[size]);
  std::copy(items, items + size, array.get());
  adoptItems(std::move(array), size);
  size_ = size;
  nSets_ = nSets;
  pattern_ = pattern;
  computeHashCode();
  return 16 + 4 * static_cast<size_t>(size);
}

size_t SequenceCounter::writeObject(std::fstream& fs) const {
  le::PutTag(fs, kCounterTag, kCounterTagLength);
  le::PutInt32(fs, count_);
  le::PutInt32(fs, ordinalOfEntry_);
  le::PutInt32(fs, maxMissed_);
  const std::int32_t nAdjacent = getNAdjacent();
  le::PutInt32(fs, nAdjacent);
  for (const auto& pair : adjacent_) {
    le::PutInt32(fs, pair.first);
    le::PutInt32(fs, pair.second);
  }
  size_t count = 23 + 8 * static_cast<size_t>(nAdjacent);
  le::PutInt32(fs, statistics_ != nullptr ? 1 : 0);
  if (statistics_ != nullptr) count += statistics_->writeObject(fs);
  return count;
}

size_t SequenceCounter::readObject(std::fstream& fs) {
  if (!le::GetTag(fs, kCounterTag, kCounterTagLength)) persist::FailRead(kCounterError);
  std::int32_t count = 0;
  std::int32_t ordinal = 0;
  std::int32_t maxMissed = 0;
  std::int32_t nAdjacent = 0;
  if (!le::GetInt32(fs, &count) || !le::GetInt32(fs, &ordinal) || !le::GetInt32(fs, &maxMissed) ||
      !le::GetInt32(fs, &nAdjacent)) {
    persist::FailRead(kCounterError);
  }
  if (nAdjacent < 0) persist::FailRead(kLinksError);
  // Grows with the pairs actually read, so a count larger than the stream costs nothing.
  std::vector<AdjacentItemSet::value_type> pairs;  // in any order: sorted once below
  for (std::int32_t i = 0; i < nAdjacent; ++i) {
    std::int32_t item = 0;
    std::int32_t position = 0;
    if (!le::GetInt32(fs, &item) || !le::GetInt32(fs, &position)) {
      persist::FailRead(kCounterError);
    }
    pairs.emplace_back(item, position);
  }
  std::unique_ptr<AdjacentItemSet> adjacent;
  if (nAdjacent > 0) {
    adjacent.reset(new AdjacentItemSet());
    adjacent->assign(std::move(pairs));
  }
  std::int32_t hasStatistics = 0;
  if (!le::GetInt32(fs, &hasStatistics)) persist::FailRead(kCounterError);
  if (hasStatistics < 0) persist::FailRead(kStatsError);
  std::unique_ptr<StatsBucket> statistics;
  size_t read = 23 + 8 * static_cast<size_t>(nAdjacent);
  if (hasStatistics > 0) {
    statistics.reset(new StatsBucket());
    read += statistics->readObject(fs);
  }
  count_ = count;
  ordinalOfEntry_ = ordinal;
  maxMissed_ = maxMissed;
  setAdjacentItems(adjacent.release());
  setStatsBucket(statistics.release());
  return read;
}

size_t HashtableSQPair::writeObject(std::fstream& fs) const {
  le::PutTag(fs, kTableTag, kShortTagLength);
  le::PutInt32(fs, size_);
  size_t count = 6;
  for (auto it = begin(); it != end(); ++it) {
    count += it->key->writeObject(fs);
    // An entry stored without a counter is saved with an all-zero one.
    count += it->value != nullptr ? it->value->writeObject(fs) : SequenceCounter().writeObject(fs);
  }
  return count;
}

size_t HashtableSQPair::readObject(std::fstream& fs) {
  if (!le::GetTag(fs, kTableTag, kShortTagLength)) persist::FailRead(kTableError);
  std::int32_t nEntries = 0;
  if (!le::GetInt32(fs, &nEntries)) persist::FailRead(kTableError);
  size_t count = 6;
  // A count below 1 reads nothing more. Entries are stored in the order read, each replacing an
  // equal key, into the table as it stands: its capacity, its growth and the head-of-bucket
  // insertion decide the order in which it walks them, which need not be the saved order.
  for (std::int32_t i = 0; i < nEntries; ++i) {
    // Read into a key and counter of the reader's own, then copied into the table's entry
    // storage (the counter's bucket and links move over).
    NTSequence key;
    count += key.readObject(fs);
    SequenceCounter counter;
    count += counter.readObject(fs);
    putOverwriteCopy(key, &counter);
    keepLinksRead(key);
  }
  return count;
}

}  // namespace SEQUENCE_NAMESPACE_800
