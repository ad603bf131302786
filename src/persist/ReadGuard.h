// What the persistence readers share for refusing bad input: the report-and-throw step and the
// bound that keeps a stored count from outrunning the bytes that could hold it. Header-only.
#ifndef CARMASEQ_PERSIST_READGUARD_H_
#define CARMASEQ_PERSIST_READGUARD_H_

#include <cstdint>
#include <iostream>

#include "foundation/Exceptions.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace persist {

// Prints message (when given) on standard error and throws a new IOException, which the catcher
// owns and deletes.
[[noreturn]] inline void FailRead(const char* message) {
  if (message != nullptr) std::cerr << message << std::flush;
  throw new SeqExceptions::IOException();
}

// Bytes between the read position and the end of the stream, or -1 when the stream cannot tell
// (not seekable, or not good). Leaves the position as found.
inline std::int64_t RemainingBytes(std::istream& is) {
  if (!is.good()) return -1;
  const std::streampos here = is.tellg();
  if (here == std::streampos(-1)) return -1;
  is.seekg(0, std::ios::end);
  const std::streampos end = is.tellg();
  is.clear();
  is.seekg(here);
  if (end == std::streampos(-1) || !is) return -1;
  return static_cast<std::int64_t>(end - here);
}

// Returns true iff count is not negative and count objects of at least minBytesEach bytes each
// could still follow in the stream. Small totals pass without asking the stream (reading stops
// at its end anyway); so does any count when the stream cannot tell its length.
inline bool CountFits(std::int64_t count, std::int64_t minBytesEach, std::istream& is) {
  constexpr std::int64_t kUncheckedBytes = 4096;
  if (count < 0) return false;
  if (count <= kUncheckedBytes / minBytesEach) return true;
  const std::int64_t remaining = RemainingBytes(is);
  return remaining < 0 || count <= remaining / minBytesEach;
}

}  // namespace persist
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_READGUARD_H_
