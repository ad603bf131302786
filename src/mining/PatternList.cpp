#include "mining/PatternList.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace SEQUENCE_NAMESPACE_800 {

namespace {

bool SameItemSets(const MinedSequence& a, const MinedSequence& b) {
  return a.numItems == b.numItems && a.numSets == b.numSets &&
         std::equal(a.items, a.items + a.numItems, b.items) &&
         std::equal(a.setEnds, a.setEnds + a.numSets, b.setEnds);
}

}  // namespace

void PatternList::Add(const std::int32_t* items, const std::int32_t* setEnds, std::int32_t numSets,
                      std::int64_t count) {
  const std::int32_t numItems = numSets > 0 ? setEnds[numSets - 1] : 0;
  items_.insert(items_.end(), items, items + numItems);
  setEnds_.insert(setEnds_.end(), setEnds, setEnds + numSets);
  itemBegin_.push_back(items_.size());
  setBegin_.push_back(setEnds_.size());
  counts_.push_back(count);
}

void PatternList::AddFrom(const PatternList& other, std::size_t i) {
  const MinedSequence sequence = other.Get(i);
  Add(sequence.items, sequence.setEnds, sequence.numSets, other.count(i));
}

void PatternList::Clear() {
  items_.clear();
  setEnds_.clear();
  itemBegin_.assign(1, 0);
  setBegin_.assign(1, 0);
  counts_.clear();
}

void PatternList::Reserve(std::size_t sequences, std::size_t items) {
  items_.reserve(items);
  setEnds_.reserve(items);
  itemBegin_.reserve(sequences + 1);
  setBegin_.reserve(sequences + 1);
  counts_.reserve(sequences);
}

MinedSequence PatternList::Get(std::size_t i) const {
  MinedSequence sequence;
  sequence.items = items_.data() + itemBegin_[i];
  sequence.setEnds = setEnds_.data() + setBegin_[i];
  sequence.numItems = static_cast<std::int32_t>(itemBegin_[i + 1] - itemBegin_[i]);
  sequence.numSets = static_cast<std::int32_t>(setBegin_[i + 1] - setBegin_[i]);
  sequence.count = static_cast<std::int32_t>(
      std::min<std::int64_t>(counts_[i], std::numeric_limits<std::int32_t>::max()));
  return sequence;
}

bool PatternList::CanonicalLess(std::size_t i, std::size_t j) const {
  return MiningOrder()(Get(i), Get(j));
}

bool PatternList::IsCanonical() const {
  for (std::size_t i = 1; i < size(); ++i) {
    if (!CanonicalLess(i - 1, i)) return false;
  }
  return true;
}

bool PatternList::SameSequence(std::size_t i, std::size_t j) const {
  return SameItemSets(Get(i), Get(j));
}

void PatternList::SortCanonical(bool mergeDuplicates) {
  std::vector<std::size_t> order(size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [this](std::size_t i, std::size_t j) { return CanonicalLess(i, j); });
  PatternList sorted;
  sorted.Reserve(size(), items_.size());
  for (const std::size_t i : order) {
    if (mergeDuplicates && !sorted.empty()) {
      if (SameItemSets(sorted.Get(sorted.size() - 1), Get(i))) {
        sorted.counts_.back() += counts_[i];
        continue;
      }
    }
    sorted.AddFrom(*this, i);
  }
  *this = std::move(sorted);
}

std::string PatternList::Text(std::size_t i) const {
  const MinedSequence sequence = Get(i);
  std::string text;
  std::int32_t item = 0;
  for (std::int32_t set = 0; set < sequence.numSets; ++set) {
    text += '(';
    for (; item < sequence.setEnds[set]; ++item) {
      if (text.back() != '(') text += ' ';
      text += std::to_string(sequence.items[item]);
    }
    text += ')';
  }
  return text.empty() ? "()" : text;
}

}  // namespace SEQUENCE_NAMESPACE_800
