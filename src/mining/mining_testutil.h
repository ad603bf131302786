// Helpers shared by the mining tests: mined sequences as text, every sequence a miner reports.
#ifndef CARMASEQ_MINING_MINING_TESTUTIL_H_
#define CARMASEQ_MINING_MINING_TESTUTIL_H_

#include <cstdint>
#include <map>
#include <string>

#include "input/SequenceDatabase.h"
#include "input/input_testutil.h"
#include "mining/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// "(1 2)(3)" for a mined sequence.
inline std::string PatternText(const MinedSequence& found) {
  std::string text;
  std::int32_t i = 0;
  for (std::int32_t k = 0; k < found.numSets; ++k) {
    text += "(";
    for (; i < found.setEnds[k]; ++i) {
      text += std::to_string(found.items[i]);
      if (i + 1 < found.setEnds[k]) text += " ";
    }
    text += ")";
  }
  return text;
}

// Every mined sequence's text with its count; a sequence reported twice maps to -1.
inline std::map<std::string, std::int32_t> MineAll(const SequenceDatabase& db,
                                                   const MiningOptions& options,
                                                   MiningSummary* summary = nullptr) {
  std::map<std::string, std::int32_t> found;
  const MiningSummary result =
      SequenceMiner(options).Mine(db, [&found](const MinedSequence& sequence) {
        const auto inserted = found.emplace(PatternText(sequence), sequence.count);
        if (!inserted.second) inserted.first->second = -1;
      });
  if (summary != nullptr) *summary = result;
  return found;
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_MINING_TESTUTIL_H_
