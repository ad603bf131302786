#include "SequenceLabel.h"

#include "input/ItemNameMap.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

std::string ItemLabel(std::int32_t id, const seq::ItemNameMap* names) {
  return names != nullptr ? names->Label(id) : std::to_string(id);
}

std::string SequenceLabel(const seq::Sequence& sequence,
                          const std::function<std::string(std::int32_t)>& item) {
  if (sequence.Length() == 0) return "()";
  std::string text;
  for (int i = 0; i < sequence.Length(); ++i) {
    const seq::TimedItemSet& set = sequence[i];
    text += '(';
    for (auto it = set.Begin(); it != set.End(); ++it) {
      if (it != set.Begin()) text += ", ";
      text += item(*it);
    }
    text += ')';
  }
  return text;
}

std::string SequenceLabel(const seq::Sequence& sequence, const seq::ItemNameMap* names) {
  return SequenceLabel(sequence, [names](std::int32_t id) { return ItemLabel(id, names); });
}

}  // namespace carmaseq_cli
