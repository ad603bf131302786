#include "mining/MiningRun.h"

namespace SEQUENCE_NAMESPACE_800 {

MiningRun::MiningRun(const MiningOptions& options, const CompactDatabase& db,
                     std::int32_t threshold, const SequenceMiner::Visitor& visitor,
                     const std::atomic<bool>* halt)
    : options_(options), db_(db), threshold_(threshold), visitor_(visitor), halt_(halt) {}

void MiningRun::StartRoot(std::int32_t x) {
  items_.assign(1, db_.OriginalId(x));
  setEnds_.assign(1, 1);
}

void MiningRun::Report(std::int32_t count) {
  MinedSequence found;
  found.items = items_.data();
  found.setEnds = setEnds_.data();
  found.numItems = static_cast<std::int32_t>(items_.size());
  found.numSets = static_cast<std::int32_t>(setEnds_.size());
  found.count = count;
  visitor_(found);
}

void MiningRun::Push(std::int32_t x, bool newSet) {
  items_.push_back(db_.OriginalId(x));
  if (newSet) {
    setEnds_.push_back(static_cast<std::int32_t>(items_.size()));
  } else {
    ++setEnds_.back();
  }
}

void MiningRun::Pop(bool newSet) {
  items_.pop_back();
  if (newSet) {
    setEnds_.pop_back();
  } else {
    --setEnds_.back();
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
