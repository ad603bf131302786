#include "sequence/SequenceCounter.h"

#include <iomanip>
#include <new>
#include <ostream>

#include "foundation/MemoryGuard.h"

namespace SEQUENCE_NAMESPACE_800 {

StatsBucket::~StatsBucket() = default;

void StatsBucket::setValues(double occurrences, double total, double min, double max) {
  occurrences_ = occurrences;
  total_ = total;
  min_ = min;
  max_ = max;
}

SequenceCounter::SequenceCounter() = default;

SequenceCounter::SequenceCounter(int ordinalOfEntry, int count, StatsBucket* statistics)
    : count_(count), ordinalOfEntry_(ordinalOfEntry), statistics_(statistics) {}

SequenceCounter::~SequenceCounter() { delete statistics_; }

void SequenceCounter::decrementMaxMissed() {
  if (maxMissed_ > 0) --maxMissed_;
}

void SequenceCounter::setStatsBucket(StatsBucket* statistics) {
  if (statistics == statistics_) return;
  delete statistics_;
  statistics_ = statistics;
}

void SequenceCounter::addAdjacentItem(int item, int position) {
  hasAdjacent_ = true;
  GuardMemory([&] { adjacent_.emplace(item, position); });
}

int SequenceCounter::getNAdjacent() const { return static_cast<int>(adjacent_.size()); }

void SequenceCounter::clearAdjacentItems() { adjacent_.clear(); }

void SequenceCounter::assignAdjacentItems(const AdjacentItemSet::value_type* pairs, std::size_t n) {
  hasAdjacent_ = true;
  GuardMemory([&] { adjacent_.assignSorted(pairs, n); });
}

void SequenceCounter::viewAdjacentItems(const AdjacentItemSet::value_type* pairs, std::size_t n) {
  hasAdjacent_ = true;
  adjacent_.view(pairs, n);
}

void SequenceCounter::setAdjacentItems(AdjacentItemSet* items) {
  if (items == &adjacent_) return;
  if (items == nullptr) {
    AdjacentItemSet().swap(adjacent_);
    hasAdjacent_ = false;
    return;
  }
  adjacent_.swap(*items);
  hasAdjacent_ = true;
  delete items;
}

void SequenceCounter::display(std::ostream& os, bool withAdjacent) const {
  os << " count " << count_ << " ordinalOfEntry " << ordinalOfEntry_ << " max missed " << maxMissed_
     << "\n";
  if (statistics_ != nullptr) {
    // Left in fixed notation with precision 2: whatever the caller prints next uses it.
    os << std::fixed << std::setprecision(2);
    os << " Occurrences " << statistics_->getOccurrences() << "\n";
    if (statistics_->getTotal() > 0) {
      os << " mean " << statistics_->getMean() << "\n min " << statistics_->getMin() << "\n max "
         << statistics_->getMax() << "\n";
    }
  }
  if (hasAdjacent_ && withAdjacent) {
    os << "Adjacent list "
       << "{";
    os << std::fixed << std::setprecision(2);
    for (const auto& pair : adjacent_) {
      os << "(item " << pair.first << " position " << pair.second << ")\n";
    }
    os << "}End Adjacent list \n";
  }
  os.flush();
}

CarmaSequenceDescriptor::CarmaSequenceDescriptor(int ordinalOfEntry, int maxMissed, int count)
    : SequenceCounter(ordinalOfEntry, count, nullptr) {
  setMaxMissed(maxMissed);
}

}  // namespace SEQUENCE_NAMESPACE_800
