#include "mining/MinedStream.h"

namespace SEQUENCE_NAMESPACE_800 {

void MinedStream::Record(const MinedSequence& found) {
  Step step;
  step.item = found.items[found.numItems - 1];
  step.count = found.count;
  step.numItems = static_cast<std::uint8_t>(found.numItems);
  // The last item starts a set iff the set before the last ends just before it.
  step.newSet = found.numSets == 1 ? found.numItems == 1
                                   : found.setEnds[found.numSets - 2] == found.numItems - 1;
  steps_.push_back(step);
}

}  // namespace SEQUENCE_NAMESPACE_800
