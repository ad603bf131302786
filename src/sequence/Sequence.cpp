#include "sequence/Sequence.h"

#include <iostream>
#include <stdexcept>
#include <vector>

#include "foundation/QxStatus.h"

namespace SEQUENCE_NAMESPACE_800 {

struct Sequence::Rep {
  std::vector<std::unique_ptr<TimedItemSet>> sets;
};

Sequence::Sequence() : rep_(new Rep) { rep_->sets.reserve(2); }

Sequence::Sequence(int n) : rep_(new Rep) {
  if (n < 0) throw std::length_error("Sequence: negative capacity");
  rep_->sets.reserve(static_cast<size_t>(n));
}

Sequence::Sequence(const Sequence& other) : rep_(new Rep) {
  rep_->sets.reserve(other.rep_->sets.size());
  JoinTemporal(&other);
}

Sequence::~Sequence() = default;

Sequence& Sequence::operator=(const Sequence& other) {
  if (this != &other) JoinTemporal(&other);
  return *this;
}

void Sequence::AddTimedItemSet(const TimedItemSet* set) {
  rep_->sets.push_back(std::make_unique<TimedItemSet>(*set));
}

void Sequence::JoinTemporal(const Sequence* other) {
  // Copy first, so that joining a sequence to itself reads a stable list.
  const size_t count = other->rep_->sets.size();
  for (size_t i = 0; i < count; ++i) AddTimedItemSet(other->rep_->sets[i].get());
}

void Sequence::JoinCurrent(const Sequence* other) {
  const size_t count = other->rep_->sets.size();
  *rep_->sets.back() = *other->rep_->sets[0];  // union, keeping this set's time
  for (size_t i = 1; i < count; ++i) AddTimedItemSet(other->rep_->sets[i].get());
}

const TimedItemSet& Sequence::operator[](int i) const {
  if (i >= Length()) throw QxCommon_940::QxStatus::IndexError(i, Length());
  return *rep_->sets[static_cast<size_t>(i)];
}

double Sequence::GetTimeOfTimedItemSet(int i) const {
  if (i >= Length()) throw QxCommon_940::QxStatus::IndexError(i, 0);
  return rep_->sets[static_cast<size_t>(i)]->GetTime();
}

std::int32_t Sequence::Length() const { return static_cast<std::int32_t>(rep_->sets.size()); }

std::int32_t Sequence::Size() const {
  std::int32_t total = 0;
  for (const auto& set : rep_->sets) total += set->Size();
  return total;
}

void Sequence::Clear() { rep_->sets.clear(); }

bool Sequence::operator<(const Sequence& other) const {
  const auto& a = rep_->sets;
  const auto& b = other.rep_->sets;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (*a[i] < *b[i]) return true;
    if (*b[i] < *a[i]) return false;
  }
  return a.size() < b.size();
}

bool Sequence::operator==(const Sequence& other) const {
  const auto& a = rep_->sets;
  const auto& b = other.rep_->sets;
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!(*a[i] == *b[i])) return false;
  }
  return true;
}

void Sequence::Display(bool withTime) const {
  std::cout << "<";
  for (const auto& set : rep_->sets) set->Display(withTime);
  std::cout << ">\n";
}

}  // namespace SEQUENCE_NAMESPACE_800
