// Storage for the link pairs of a table read back from a file, which its counters view.
#ifndef CARMASEQ_SEQUENCE_LINKCHUNKS_H_
#define CARMASEQ_SEQUENCE_LINKCHUNKS_H_

#include <cstddef>

#include "sequence/AdjacentItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

// Pairs are copied in at the end of the newest chunk, where they stay until Release: one
// allocation per 64 KB of pairs instead of one per counter, whose heap header and rounding
// would cost about as much again for the short sets most counters have. Not copyable.
class LinkChunks {
 public:
  using Pair = AdjacentItemSet::value_type;

  LinkChunks() = default;
  LinkChunks(const LinkChunks&) = delete;
  LinkChunks& operator=(const LinkChunks&) = delete;
  ~LinkChunks() { Release(); }

  // A copy of pairs[0, n) that keeps its place until Release; null when memory runs out.
  const Pair* Append(const Pair* pairs, std::size_t n);
  // Frees every chunk: no set may view their pairs any more.
  void Release();

 private:
  struct Chunk {
    Chunk* older;
  };
  static constexpr std::size_t kChunkPairs = 8192;

  // A chunk of room for n pairs, added to those Release frees, or null.
  Chunk* NewChunk(std::size_t n);
  static Pair* PairsOf(Chunk* chunk) { return reinterpret_cast<Pair*>(chunk + 1); }

  Chunk* newest_ = nullptr;  // the last made; each links the one made before it
  Pair* cursor_ = nullptr;   // the next free pair of the chunk being filled
  std::size_t left_ = 0;     // free pairs from cursor_ on
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_LINKCHUNKS_H_
