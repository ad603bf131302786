// Object-XML persistence of the keys, counters, statistics and tables. The key, counter and
// statistics readers build the object aside and install it only when all of it has been read, so
// that a failure leaves the target unchanged. The table reader stores each entry as soon as it
// has been read.
#include <algorithm>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "persist/ReadGuard.h"
#include "persist/XMLObj.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxXML_940::ParseEndObj;
using QxXML_940::ParseStartObj;
using QxXML_940::ParseValue;
using QxXML_940::XMLLong;
using QxXML_940::XMLObj;

constexpr char kTableError[] = "Error reading HashtableSQPair!\n";
constexpr char kKeyError[] = "Failure reading NTSequence!\n";
constexpr char kCounterError[] = "Error reading SequenceCounter!\n";
constexpr char kStatsError[] = "Error reading StatsBucket!\n";

}  // namespace

size_t StatsBucket::writeObjectXML(std::ostream& os) const {
  const XMLObj obj("StatsBucket", 5);
  obj.StartObj(os);
  for (double value : {occurrences_, total_, min_, max_}) obj.WriteSubElement(os, value);
  obj.EndObj(os);
  return 6;
}

size_t StatsBucket::readObjectXML(std::ifstream& is) {
  double values[4];
  if (!ParseStartObj(is, "StatsBucket")) persist::FailRead(kStatsError);
  for (double& value : values) {
    if (!ParseValue(is, value)) persist::FailRead(kStatsError);
  }
  if (!ParseEndObj(is)) persist::FailRead(kStatsError);
  setValues(values[0], values[1], values[2], values[3]);
  return 6;
}

size_t NTSequence::writeObjectXML(std::ostream& os) const {
  const XMLObj obj("NTSequence", 4);
  obj.StartObj(os);
  obj.WriteSubElement(os, XMLLong{pattern_});
  obj.WriteSubElement(os, static_cast<int>(size_));
  size_t written = 0;
  for (std::int32_t i = 0; i < size_ && os.good(); ++i, ++written) {
    obj.WriteSubElement(os, static_cast<int>(items_[i]));
  }
  obj.WriteSubElement(os, static_cast<int>(nSets_));
  obj.EndObj(os);
  return 5 + written;
}

size_t NTSequence::readObjectXML(std::ifstream& is) {
  XMLLong pattern;
  int size = 0;
  int nSets = 0;
  std::int32_t items[persist::kMaxKeyItems];
  if (!ParseStartObj(is, "NTSequence") || !ParseValue(is, pattern) || !ParseValue(is, size) ||
      size < 0 || size > persist::kMaxKeyItems) {
    persist::FailRead(kKeyError);
  }
  for (int i = 0; i < size; ++i) {
    int item = 0;
    if (!ParseValue(is, item)) persist::FailRead(kKeyError);
    items[i] = item;
  }
  if (!ParseValue(is, nSets) || !ParseEndObj(is) ||
      !persist::ValidKeyShape(pattern.value, size, nSets)) {
    persist::FailRead(kKeyError);
  }
  std::unique_ptr<std::int32_t[]> array(new std::int32_t[size]);
  std::copy(items, items + size, array.get());
  adoptItems(std::move(array), size);
  size_ = size;
  nSets_ = nSets;
  pattern_ = pattern.value;
  computeHashCode();
  return 5 + static_cast<size_t>(size);
}

size_t SequenceCounter::writeObjectXML(std::ostream& os) const {
  const XMLObj obj("SequenceCounter", 4);
  obj.StartObj(os);
  obj.WriteSubElement(os, static_cast<int>(count_));
  obj.WriteSubElement(os, static_cast<int>(ordinalOfEntry_));
  obj.WriteSubElement(os, static_cast<int>(maxMissed_));
  const int nAdjacent = getNAdjacent();
  obj.WriteSubElement(os, nAdjacent);
  for (const auto& pair : adjacent_) {
    obj.WriteSubElement(os, static_cast<int>(pair.first));
    obj.WriteSubElement(os, static_cast<int>(pair.second));
  }
  size_t count = 7 + 2 * static_cast<size_t>(nAdjacent);
  obj.WriteSubElement(os, statistics_ != nullptr ? 1 : 0);
  if (statistics_ != nullptr) count += statistics_->writeObjectXML(os);
  obj.EndObj(os);
  return count;
}

size_t SequenceCounter::readObjectXML(std::ifstream& is) {
  int count = 0;
  int ordinal = 0;
  int maxMissed = 0;
  int nAdjacent = 0;
  if (!ParseStartObj(is, "SequenceCounter") || !ParseValue(is, count) || !ParseValue(is, ordinal) ||
      !ParseValue(is, maxMissed) || !ParseValue(is, nAdjacent) || nAdjacent < 0) {
    persist::FailRead(kCounterError);
  }
  // Grows with the pairs actually read, so a count larger than the text costs nothing.
  std::vector<AdjacentItemSet::value_type> pairs;  // in any order: sorted once below
  for (int i = 0; i < nAdjacent; ++i) {
    int item = 0;
    int position = 0;
    if (!ParseValue(is, item) || !ParseValue(is, position)) persist::FailRead(kCounterError);
    pairs.emplace_back(item, position);
  }
  std::unique_ptr<AdjacentItemSet> adjacent;
  if (nAdjacent > 0) {
    adjacent.reset(new AdjacentItemSet());
    adjacent->assign(std::move(pairs));
  }
  int hasStatistics = 0;
  if (!ParseValue(is, hasStatistics) || hasStatistics < 0) persist::FailRead(kCounterError);
  std::unique_ptr<StatsBucket> statistics;
  if (hasStatistics > 0) {
    statistics.reset(new StatsBucket());
    statistics->readObjectXML(is);
  }
  if (!ParseEndObj(is)) persist::FailRead(kCounterError);
  count_ = count;
  ordinalOfEntry_ = ordinal;
  maxMissed_ = maxMissed;
  setAdjacentItems(adjacent.release());
  setStatsBucket(statistics.release());
  return 7 + 2 * static_cast<size_t>(nAdjacent);
}

size_t HashtableSQPair::writeObjectXML(std::ostream& os) const {
  const XMLObj obj("HashtableSQPair", 2);
  obj.StartObj(os);
  obj.WriteSubElement(os, static_cast<int>(size_));
  size_t count = 3;
  for (auto it = begin(); it != end(); ++it) {
    count += it->key->writeObjectXML(os);
    // An entry stored without a counter is saved with an all-zero one.
    count +=
        it->value != nullptr ? it->value->writeObjectXML(os) : SequenceCounter().writeObjectXML(os);
  }
  obj.EndObj(os);
  return count;
}

size_t HashtableSQPair::readObjectXML(std::ifstream& is) {
  int nEntries = 0;
  if (!ParseStartObj(is, "HashtableSQPair") || !ParseValue(is, nEntries)) {
    persist::FailRead(kTableError);
  }
  size_t count = 3;
  // As the binary reader: a count below 1 reads no entry; entries are stored in the order read.
  for (int i = 0; i < nEntries; ++i) {
    // Read into a key and counter of the reader's own, then copied into the table's entry
    // storage (the counter's bucket and links move over).
    NTSequence key;
    count += key.readObjectXML(is);
    SequenceCounter counter;
    count += counter.readObjectXML(is);
    putOverwriteCopy(key, &counter);
    keepLinksRead(key);
  }
  if (!ParseEndObj(is)) persist::FailRead(kTableError);
  return count;
}

}  // namespace SEQUENCE_NAMESPACE_800
