// Storage for the chain nodes and entries of one hash table, without a heap header per block.
#ifndef CARMASEQ_SEQUENCE_ENTRYPOOL_H_
#define CARMASEQ_SEQUENCE_ENTRYPOOL_H_

#include <cstddef>

namespace SEQUENCE_NAMESPACE_800 {

// Hands out blocks of up to kMaxBlock bytes, in multiples of kAlign, cut from slabs that grow
// from kFirstSlab to kLastSlab bytes. A freed block goes on a free list of its size and is handed
// out again before new slab space. Slabs are released only by Release or the destructor, so the
// owner must have destroyed everything in the blocks first. Not copyable. Not thread-safe.
class EntryPool {
 public:
  static constexpr std::size_t kAlign = 8;
  static constexpr std::size_t kMaxBlock = 512;

  EntryPool() = default;
  EntryPool(const EntryPool&) = delete;
  EntryPool& operator=(const EntryPool&) = delete;
  ~EntryPool() { Release(); }

  // A block of at least bytes bytes, aligned to kAlign. Throws std::bad_alloc when memory runs
  // out (nothing changes then). REQUIRES: 0 < bytes <= kMaxBlock.
  void* Allocate(std::size_t bytes);
  // Returns a block for reuse. REQUIRES: block came from Allocate(bytes) of this pool.
  void Free(void* block, std::size_t bytes);
  // Releases every slab; every block handed out becomes invalid.
  void Release();

 private:
  static constexpr std::size_t kFirstSlab = 1024;
  static constexpr std::size_t kLastSlab = 256 * 1024;

  struct FreeBlock {
    FreeBlock* next;
  };
  struct Slab {
    Slab* next;
  };

  // Blocks are carved in order, so the pages ahead of the cursor are asked to be backed this
  // many bytes at a time: one request instead of a fault per page, at most this much memory
  // backed before it is used.
  static constexpr std::size_t kBackedAhead = 128 * 1024;

  // Has the pages up to kBackedAhead bytes past the cursor backed.
  void BackAhead();

  static std::size_t ClassOf(std::size_t bytes) { return (bytes + kAlign - 1) / kAlign; }

  FreeBlock* free_[kMaxBlock / kAlign + 1] = {};  // by size class (bytes / kAlign, rounded up)
  Slab* slabs_ = nullptr;                         // newest first
  char* cursor_ = nullptr;                        // unused space of the newest slab
  char* limit_ = nullptr;
  char* backed_ = nullptr;  // the newest slab's pages below this were asked to be backed
  std::size_t nextSlab_ = kFirstSlab;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_ENTRYPOOL_H_
