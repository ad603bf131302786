// A customer's history: an ordered list of timed item sets, the caller-facing sequence.
#ifndef CARMASEQ_SEQUENCE_SEQUENCE_H_
#define CARMASEQ_SEQUENCE_SEQUENCE_H_

#include <cstdint>
#include <memory>

#include "foundation/Visibility.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

// Item sets are kept in the order the caller added them (times are neither sorted nor checked).
// The sequence owns deep copies of every item set given to it. One pointer wide.
// Copyable; assignment appends (see operator=), it does not replace.
class CARMASEQ_EXPORT Sequence {
 public:
  // Empty, with room for 2 item sets.
  Sequence();
  // Empty, with room for n item sets. Throws std::length_error when n is negative or too large.
  explicit Sequence(int n);
  Sequence(const Sequence& other);
  ~Sequence();

  // Appends deep copies of other's item sets, exactly as JoinTemporal. Self-assignment does
  // nothing.
  Sequence& operator=(const Sequence& other);

  // Appends a deep copy of *set.
  void AddTimedItemSet(const TimedItemSet* set);
  // Appends deep copies of all of other's item sets.
  void JoinTemporal(const Sequence* other);
  // Merges other's first set into this sequence's last set (keeping this set's time), then
  // appends copies of other's remaining sets. REQUIRES: both hold at least one item set.
  void JoinCurrent(const Sequence* other);

  // The item set at position i. Throws QxStatus 60001 (index, Length) when i >= Length().
  const TimedItemSet& operator[](int i) const;
  // The time of the item set at position i. Throws QxStatus 60001 (index, 0) when i >= Length().
  double GetTimeOfTimedItemSet(int i) const;

  // Number of item sets.
  std::int32_t Length() const;
  // Total number of items over all item sets.
  std::int32_t Size() const;
  // Deletes all item sets.
  void Clear();

  // Set by set by TimedItemSet::operator<, a proper prefix first; times play no part.
  bool operator<(const Sequence& other) const;
  // Same number of sets, equal set by set (times within 2 to the power -52).
  bool operator==(const Sequence& other) const;

  // Prints "<", each set as TimedItemSet::Display prints it, then ">\n" to standard output.
  void Display(bool withTime) const;

 private:
  struct Rep;
  std::unique_ptr<Rep> rep_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_SEQUENCE_H_
