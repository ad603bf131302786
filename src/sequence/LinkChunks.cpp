#include "sequence/LinkChunks.h"

#include <algorithm>
#include <cstdlib>

namespace SEQUENCE_NAMESPACE_800 {

LinkChunks::Chunk* LinkChunks::Link(std::size_t n) {
  auto* chunk = static_cast<Chunk*>(std::malloc(sizeof(Chunk) + n * sizeof(Pair)));
  if (chunk == nullptr) return nullptr;
  // Behind the newest, so that its free room stays in use.
  if (newest_ == nullptr) {
    chunk->older = nullptr;
    newest_ = chunk;
  } else {
    chunk->older = newest_->older;
    newest_->older = chunk;
  }
  return chunk;
}

const LinkChunks::Pair* LinkChunks::Append(const Pair* pairs, std::size_t n) {
  if (n > kChunkPairs) {
    // A set larger than a chunk gets one of its own.
    Chunk* own = Link(n);
    if (own == nullptr) return nullptr;
    std::copy(pairs, pairs + n, PairsOf(own));
    return PairsOf(own);
  }
  if (n > left_) {
    auto* chunk = static_cast<Chunk*>(std::malloc(sizeof(Chunk) + kChunkPairs * sizeof(Pair)));
    if (chunk == nullptr) return nullptr;
    chunk->older = newest_;
    newest_ = chunk;
    cursor_ = PairsOf(chunk);
    left_ = kChunkPairs;
  }
  Pair* kept = cursor_;
  std::copy(pairs, pairs + n, kept);
  cursor_ += n;
  left_ -= n;
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
