// A set of item ids observed together at one point in time: the caller-facing item set.
#ifndef CARMASEQ_SEQUENCE_TIMEDITEMSET_H_
#define CARMASEQ_SEQUENCE_TIMEDITEMSET_H_

#include <cstdint>
#include <memory>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// Items are kept ascending and free of duplicates; every insertion is a sorted insert. The object
// is one pointer wide: its state lives in a separately allocated record that it owns.
// Copyable; assignment is a union into the receiver (see operator=), not a copy.
class CARMASEQ_EXPORT TimedItemSet {
 public:
  using const_iterator = const std::int32_t*;

  TimedItemSet();
  // An empty set with the given time; the integer argument has no effect.
  TimedItemSet(int unused, double time);
  TimedItemSet(const TimedItemSet& other);
  ~TimedItemSet();

  // Inserts each of other's items into this set. Keeps this set's items and time.
  TimedItemSet& operator=(const TimedItemSet& other);

  // Sorted insert; an item already present is ignored.
  void AddItem(int item);
  // Empties the set, inserts items[0..count) one by one, then sets the time.
  void AddAllItems(const int* items, int count, double time);
  // Removes all items and sets the time to 0.
  void Clear();

  void SetTime(double time);
  double GetTime() const;
  const_iterator Begin() const;
  const_iterator End() const;
  std::int32_t Size() const;

  // Lexicographic on the item arrays, a proper prefix first; times are not compared.
  bool operator<(const TimedItemSet& other) const;
  // Same items and times closer than 2 to the power -52.
  bool operator==(const TimedItemSet& other) const;

  // Prints "(" items ")" to standard output, with "[" time "]" before ")" when withTime is set
  // (which leaves std::cout in fixed notation with precision 0).
  void Display(bool withTime) const;

 private:
  struct Rep;
  std::unique_ptr<Rep> rep_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_TIMEDITEMSET_H_
