// The memory of one XML element tree: nodes, attribute values and child lists are carved from
// large chunks and all released at once when the tree is deleted.
#ifndef CARMASEQ_XML_XMLARENA_H_
#define CARMASEQ_XML_XMLARENA_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/Visibility.h"

namespace QxXML_940 {

class XMLInterface;

// A bump allocator whose chunks are aligned to their size, so that the arena of any small block
// is found from the block's address alone (Of). Blocks larger than a quarter chunk get memory of
// their own (and cannot be passed to Of). Nodes made elsewhere that the tree takes over are
// registered with Adopt and deleted with the arena. Destroying the arena frees everything;
// destructors of the nodes placed in it are not run. Not copyable. Not thread-safe.
//
// The first chunks come from malloc, so that a small tree costs little and memory the process
// freed before is used again. A tree that grows past kSlabChunks chunks takes its further chunks
// from slabs of kSlabSize bytes mapped from the system and marked for huge pages where the
// system offers them: a large document then costs a few hundred page faults instead of one per
// 4 KiB.
class CARMASEQ_EXPORT XMLArena {
 public:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 16;
  static constexpr std::size_t kLargeBlock = kChunkSize / 4;
  static constexpr std::size_t kSlabSize = std::size_t{1} << 21;
  static constexpr std::size_t kSlabChunks = 32;

  XMLArena() = default;
  XMLArena(const XMLArena&) = delete;
  XMLArena& operator=(const XMLArena&) = delete;
  // Deletes the adopted nodes, then releases all memory.
  ~XMLArena();

  // The arena that holds p. REQUIRES: p lies in a block of at most kLargeBlock bytes returned by
  // Allocate of a live arena.
  static XMLArena* Of(const void* p);

  // Returns size bytes aligned to 8. Throws std::bad_alloc.
  void* Allocate(std::size_t size);
  // Grows the block at p from oldSize to newSize bytes in place and returns true iff p is the
  // latest small block and its chunk has the room; otherwise changes nothing.
  bool TryExtend(void* p, std::size_t oldSize, std::size_t newSize);

  // Makes room so that the next Adopt cannot throw. Throws std::bad_alloc.
  void ReserveAdoption();
  // Takes node over: it is deleted when the arena is. REQUIRES: ReserveAdoption was called since
  // the last Adopt, or the caller accepts that this throws std::bad_alloc.
  void Adopt(XMLInterface* node);

  // The node that owns this arena (deleting it deletes the arena), or null.
  const void* owner() const { return owner_; }
  void set_owner(const void* owner) { owner_ = owner; }

  // Bytes taken from the system for this arena (chunks and large blocks).
  std::size_t MemoryUsage() const { return usage_; }

 private:
  void NewChunk();
  // The next chunk of the current slab, mapping a new slab when it is used up; null when the
  // system maps no memory.
  char* NextSlabChunk();

  char* top_ = nullptr;  // next free byte of the current chunk
  char* end_ = nullptr;  // end of the current chunk
  std::vector<void*> chunks_;
  std::vector<void*> large_;
  std::vector<void*> slabs_;    // each kSlabSize bytes, aligned to kSlabSize
  std::size_t slabChunks_ = 0;  // chunks of the last slab handed out
  std::vector<XMLInterface*> adopted_;
  const void* owner_ = nullptr;
  std::size_t usage_ = 0;
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XMLARENA_H_
