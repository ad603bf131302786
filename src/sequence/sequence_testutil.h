// Small builders shared by the engine's tests: sequences written as nested initialiser lists.
#ifndef CARMASEQ_SEQUENCE_SEQUENCE_TESTUTIL_H_
#define CARMASEQ_SEQUENCE_SEQUENCE_TESTUTIL_H_

#include <initializer_list>
#include <string>

#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

inline TimedItemSet MakeSet(std::initializer_list<int> items, double time = 0.0) {
  TimedItemSet set(0, time);
  for (int item : items) set.AddItem(item);
  return set;
}

// MakeSequence({{1, 2}, {3}}) is <(1 2)(3)>; set k gets time k unless times are given.
inline Sequence MakeSequence(std::initializer_list<std::initializer_list<int>> sets) {
  Sequence sequence;
  double time = 0.0;
  for (const auto& items : sets) {
    TimedItemSet set = MakeSet(items, time);
    sequence.AddTimedItemSet(&set);
    time += 1.0;
  }
  return sequence;
}

// "(1 2)(3)": the items of every set, without times.
inline std::string ToText(const Sequence& sequence) {
  std::string text;
  for (int i = 0; i < sequence.Length(); ++i) {
    text += "(";
    const TimedItemSet& set = sequence[i];
    for (auto it = set.Begin(); it != set.End(); ++it) {
      if (it != set.Begin()) text += " ";
      text += std::to_string(*it);
    }
    text += ")";
  }
  return text;
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_SEQUENCE_TESTUTIL_H_
