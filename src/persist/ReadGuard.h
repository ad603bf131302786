// What the persistence readers share for refusing input: the report-and-throw step and the
// checks that keep restored keys and settings within what the engine can index. Header-only.
#ifndef CARMASEQ_PERSIST_READGUARD_H_
#define CARMASEQ_PERSIST_READGUARD_H_

#include <cstdint>
#include <iostream>

#include "dictionary/SeqDictionarySettings.h"
#include "foundation/Exceptions.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace persist {

// The most items a stored key holds: its pattern keeps one bit per item in 31 bits.
inline constexpr std::int32_t kMaxKeyItems = 31;
// The most levels a dictionary has: level 0 and one per possible key size.
inline constexpr std::int32_t kMaxLevels = kMaxKeyItems + 1;

// Prints message (when given) on standard error and throws a new IOException, which the catcher
// owns and deletes.
[[noreturn]] inline void FailRead(const char* message) {
  if (message != nullptr) std::cerr << message << std::flush;
  throw new SeqExceptions::IOException();
}

// Returns true iff the three stored numbers describe a key: at most kMaxKeyItems items; empty
// with pattern 0 and no sets, or with an odd pattern that has no bit above the items and one bit
// per set. Every key the library builds has this shape; the engine walks sets by these bits.
inline bool ValidKeyShape(std::int32_t pattern, std::int32_t size, std::int32_t nSets) {
  if (size < 0 || size > kMaxKeyItems) return false;
  if (size == 0) return pattern == 0 && nSets == 0;
  const std::uint32_t bits = static_cast<std::uint32_t>(pattern);
  if ((bits & 1u) == 0 || (bits >> size) != 0) return false;
  int ones = 0;
  for (std::uint32_t b = bits; b != 0; b &= b - 1) ++ones;
  return ones == nSets;
}

// Returns true iff a dictionary can be created from settings: 1 to kMaxLevels levels and a
// positive initial size (a bucket count) for every level it creates. Sizes are not capped: a
// dictionary restores with the tables it was created with, and a size too large for this machine
// fails when its table is allocated.
inline bool RestorableSettings(const SeqDictionarySettings& settings) {
  if (settings.numberOfLevels < 1 || settings.numberOfLevels > kMaxLevels) return false;
  for (int level = 0; level < settings.numberOfLevels; ++level) {
    if (settings.tableSizeOfLevel(level) < 1) return false;
  }
  return true;
}

}  // namespace persist
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_READGUARD_H_
