#include "sequence/TimedItemSet.h"

#include <iostream>
#include <vector>

#include "foundation/QxPower.h"

namespace SEQUENCE_NAMESPACE_800 {

struct TimedItemSet::Rep {
  std::vector<std::int32_t> items;
  double time = 0.0;
};

TimedItemSet::TimedItemSet() : rep_(new Rep) {}

TimedItemSet::TimedItemSet(int /*unused*/, double time) : rep_(new Rep) { rep_->time = time; }

TimedItemSet::TimedItemSet(const TimedItemSet& other) : rep_(new Rep(*other.rep_)) {}

TimedItemSet::~TimedItemSet() = default;

TimedItemSet& TimedItemSet::operator=(const TimedItemSet& other) {
  if (this == &other) return *this;
  for (std::int32_t item : other.rep_->items) AddItem(item);
  return *this;
}

void TimedItemSet::AddItem(int item) {
  std::vector<std::int32_t>& items = rep_->items;
  auto it = items.begin();
  while (it != items.end() && *it < item) ++it;
  if (it != items.end() && *it == item) return;
  items.insert(it, item);
}

void TimedItemSet::AddAllItems(const int* items, int count, double time) {
  rep_->items.clear();
  for (int i = 0; i < count; ++i) AddItem(items[i]);
  rep_->time = time;
}

void TimedItemSet::Clear() {
  rep_->items.clear();
  rep_->time = 0.0;
}

void TimedItemSet::SetTime(double time) { rep_->time = time; }
double TimedItemSet::GetTime() const { return rep_->time; }
TimedItemSet::const_iterator TimedItemSet::Begin() const { return rep_->items.data(); }
TimedItemSet::const_iterator TimedItemSet::End() const {
  return rep_->items.data() + rep_->items.size();
}
std::int32_t TimedItemSet::Size() const { return static_cast<std::int32_t>(rep_->items.size()); }

bool TimedItemSet::operator<(const TimedItemSet& other) const {
  const std::vector<std::int32_t>& a = rep_->items;
  const std::vector<std::int32_t>& b = other.rep_->items;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return a.size() < b.size();
}

bool TimedItemSet::operator==(const TimedItemSet& other) const {
  const double dt = rep_->time - other.rep_->time;
  return (dt < 0 ? -dt : dt) < QxMath_940::gMachineEpsilon && rep_->items == other.rep_->items;
}

void TimedItemSet::Display(bool withTime) const {
  std::cout << "(";
  const std::vector<std::int32_t>& items = rep_->items;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) std::cout << " ";
    std::cout << items[i];
  }
  if (withTime) {
    std::cout.setf(std::ios::fixed, std::ios::floatfield);
    std::cout.precision(0);
    std::cout << "[" << rep_->time << "]";
  }
  std::cout << ")";
}

}  // namespace SEQUENCE_NAMESPACE_800
