// A Xerces memory manager for one parsed document: memory comes from large chunks and is all
// given back at once when the arena is destroyed.
#ifndef CARMASEQ_TOOLS_SCORE_DOCUMENTARENA_H_
#define CARMASEQ_TOOLS_SCORE_DOCUMENTARENA_H_

#include <cstddef>
#include <vector>
#include <xercesc/framework/MemoryManager.hpp>

namespace carmaseq_score {

// A parsed lattice document is millions of small nodes that live exactly as long as the
// document. The parser's allocations are carved one after the other out of chunks of
// kChunkBytes (a larger request gets a mapping of its own), mapped with transparent huge pages
// where the system offers them, so that building the tree costs few page faults and freeing it
// costs one unmapping per chunk. deallocate gives nothing back: what the parser frees while it
// works stays reserved until the arena goes, which is why only a parser and the document it builds
// should use it.
//
// The parser (and with it the document) must be destroyed before the arena. Allocation failure
// throws xercesc::OutOfMemoryException, as Xerces expects. Not thread-safe; not copyable.
class DocumentArena : public xercesc::MemoryManager {
 public:
  static constexpr std::size_t kChunkBytes = std::size_t{64} << 20;

  DocumentArena() = default;
  ~DocumentArena() override;
  DocumentArena(const DocumentArena&) = delete;
  DocumentArena& operator=(const DocumentArena&) = delete;

  xercesc::MemoryManager* getExceptionMemoryManager() override;
  void* allocate(XMLSize_t size) override;
  void deallocate(void* p) override;

  // Bytes handed out so far, and bytes mapped for them.
  std::size_t used() const { return used_; }
  std::size_t reserved() const { return reserved_; }

 private:
  struct Mapping {
    void* address;
    std::size_t bytes;
  };
  // Maps bytes (a multiple of the page size) or throws.
  void* Map(std::size_t bytes);

  std::vector<Mapping> mappings_;
  char* next_ = nullptr;  // free space of the current chunk
  char* end_ = nullptr;
  std::size_t used_ = 0;
  std::size_t reserved_ = 0;
};

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_DOCUMENTARENA_H_
