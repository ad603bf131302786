#include "xml/XMLArena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "xml/XMLNodes.h"

namespace QxXML_940 {

namespace {

// Every chunk starts with a pointer to its arena; allocations follow.
constexpr std::size_t kChunkHeader = 16;

std::size_t RoundUp(std::size_t size) { return (size + 7) & ~std::size_t{7}; }

// Makes room for one more element, growing geometrically, so that push_back cannot throw.
template <typename T>
void MakeRoomForOne(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(2 * v.capacity() + 8);
}

// Chunks come from malloc, so that memory the process freed before (e.g. a query's results) is
// used again. Each is a little shorter than its alignment, so that consecutive chunks with their
// malloc headers pack without a gap.
constexpr std::size_t kChunkBytes = XMLArena::kChunkSize - 64;

void* NewAlignedChunk() {
  void* chunk = nullptr;
  if (posix_memalign(&chunk, XMLArena::kChunkSize, kChunkBytes) != 0) throw std::bad_alloc();
  return chunk;
}

// Maps size bytes aligned to size (a power of two), marked for huge pages where the system has
// them; null when the system maps nothing.
void* MapAlignedSlab(std::size_t size) {
  void* mapped =
      mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + size - 1) & ~(std::uintptr_t{size} - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const std::uintptr_t tail = aligned + size;
  if (tail < start + 2 * size) munmap(reinterpret_cast<void*>(tail), start + 2 * size - tail);
  void* slab = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  madvise(slab, size, MADV_HUGEPAGE);  // a hint: without huge pages the slab works as well
#endif
  return slab;
}

}  // namespace

XMLArena::~XMLArena() {
  // An adopted node may own an arena of its own; nothing adopted lives in this one.
  for (XMLInterface* node : adopted_) delete node;
  for (void* block : large_) std::free(block);
  for (void* chunk : chunks_) std::free(chunk);
  for (void* slab : slabs_) munmap(slab, kSlabSize);
}

XMLArena* XMLArena::Of(const void* p) {
  const std::uintptr_t chunk = reinterpret_cast<std::uintptr_t>(p) & ~(kChunkSize - 1);
  return *reinterpret_cast<XMLArena* const*>(chunk);
}

void XMLArena::NewChunk() {
  char* chunk = chunks_.size() >= kSlabChunks ? NextSlabChunk() : nullptr;
  if (chunk != nullptr) {
    end_ = chunk + kChunkSize;
  } else {
    MakeRoomForOne(chunks_);
    chunk = static_cast<char*>(NewAlignedChunk());
    chunks_.push_back(chunk);
    usage_ += kChunkBytes;
    end_ = chunk + kChunkBytes;
  }
  *reinterpret_cast<XMLArena**>(chunk) = this;
  top_ = chunk + kChunkHeader;
}

char* XMLArena::NextSlabChunk() {
  constexpr std::size_t kChunksPerSlab = kSlabSize / kChunkSize;
  if (slabs_.empty() || slabChunks_ == kChunksPerSlab) {
    MakeRoomForOne(slabs_);
    void* slab = MapAlignedSlab(kSlabSize);
    if (slab == nullptr) return nullptr;
    slabs_.push_back(slab);
    usage_ += kSlabSize;
    slabChunks_ = 0;
  }
  return static_cast<char*>(slabs_.back()) + kChunkSize * slabChunks_++;
}

void* XMLArena::Allocate(std::size_t size) {
  size = RoundUp(size);
  if (size > kLargeBlock) {
    MakeRoomForOne(large_);
    void* block = std::malloc(size);
    if (block == nullptr) throw std::bad_alloc();
    large_.push_back(block);
    usage_ += size;
    return block;
  }
  if (static_cast<std::size_t>(end_ - top_) < size) NewChunk();
  void* block = top_;
  top_ += size;
  return block;
}

bool XMLArena::TryExtend(void* p, std::size_t oldSize, std::size_t newSize) {
  char* const block = static_cast<char*>(p);
  oldSize = RoundUp(oldSize);
  newSize = RoundUp(newSize);
  if (block + oldSize != top_ || newSize > kLargeBlock) return false;
  if (newSize > oldSize && static_cast<std::size_t>(end_ - block) < newSize) return false;
  top_ = block + newSize;
  return true;
}

void XMLArena::ReserveAdoption() { MakeRoomForOne(adopted_); }

void XMLArena::Adopt(XMLInterface* node) { adopted_.push_back(node); }

}  // namespace QxXML_940
