#include "sequence/LinkChunks.h"

#include <algorithm>
#include <cstdlib>

namespace SEQUENCE_NAMESPACE_800 {

LinkChunks::Chunk* LinkChunks::NewChunk(std::size_t n) {
  auto* chunk = static_cast<Chunk*>(std::malloc(sizeof(Chunk) + n * sizeof(Pair)));
  if (chunk == nullptr) return nullptr;
  chunk->older = newest_;
  newest_ = chunk;
  return chunk;
}

const LinkChunks::Pair* LinkChunks::Append(const Pair* pairs, std::size_t n) {
  Pair* kept;
  if (n > kChunkPairs) {
    // A set larger than a chunk gets one of its own; the room left in the current one stays.
    Chunk* own = NewChunk(n);
    if (own == nullptr) return nullptr;
    kept = PairsOf(own);
  } else {
    if (n > left_) {
      Chunk* chunk = NewChunk(kChunkPairs);
      if (chunk == nullptr) return nullptr;
      cursor_ = PairsOf(chunk);
      left_ = kChunkPairs;
    }
    kept = cursor_;
    cursor_ += n;
    left_ -= n;
  }
  std::copy(pairs, pairs + n, kept);
  return kept;
}

void LinkChunks::Release() {
  while (newest_ != nullptr) {
    Chunk* older = newest_->older;
    std::free(newest_);
    newest_ = older;
  }
  cursor_ = nullptr;
  left_ = 0;
}

}  // namespace SEQUENCE_NAMESPACE_800
