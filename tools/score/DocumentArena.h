// A Xerces memory manager for one parsed document: memory comes from large chunks, prepared
// ahead by a thread of its own, and is all given back at once when the arena is destroyed.
#ifndef CARMASEQ_TOOLS_SCORE_DOCUMENTARENA_H_
#define CARMASEQ_TOOLS_SCORE_DOCUMENTARENA_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>
#include <xercesc/framework/MemoryManager.hpp>

namespace carmaseq_score {

// A parsed lattice document is millions of small nodes that live exactly as long as the
// document. The parser's allocations are carved one after the other out of chunks of
// kChunkBytes (a larger request gets a mapping of its own), mapped with transparent huge pages
// where the system offers them. Fresh memory costs the system the time to clear it, about as much
// as parsing into it; so while the parser fills one chunk, a helper thread maps the next and
// touches its pages, and that cost is paid on another core. Freeing the tree costs one unmapping
// per chunk. deallocate gives nothing back: what the parser frees while it works stays reserved
// until the arena goes, which is why only a parser and the document it builds should use it.
//
// The parser (and with it the document) must be destroyed before the arena. Allocation failure
// throws xercesc::OutOfMemoryException, as Xerces expects. allocate and deallocate must be called
// from one thread at a time. Not copyable.
class DocumentArena : public xercesc::MemoryManager {
 public:
  static constexpr std::size_t kChunkBytes = std::size_t{32} << 20;

  // With prepare false no helper thread runs and chunks are mapped when needed.
  explicit DocumentArena(bool prepare = true);
  ~DocumentArena() override;
  DocumentArena(const DocumentArena&) = delete;
  DocumentArena& operator=(const DocumentArena&) = delete;

  xercesc::MemoryManager* getExceptionMemoryManager() override;
  void* allocate(XMLSize_t size) override;
  void deallocate(void* p) override;

  // Stops the helper and gives back the chunk it prepared, for when the parser is done: later
  // allocations map their chunks when needed.
  void StopPreparing();

  // Bytes handed out so far, and bytes mapped (those prepared ahead included).
  std::size_t used() const { return used_; }
  std::size_t reserved() const;

 private:
  struct Mapping {
    void* address;
    std::size_t bytes;
  };
  // Maps bytes (a multiple of the page size); null when the system refuses.
  static void* Map(std::size_t bytes);
  // Records a mapping of bytes at address, or throws when address is null.
  void* Keep(void* address, std::size_t bytes);
  // The next chunk: the one the helper prepared, else one mapped here.
  void* NextChunk();
  // The helper: prepares a chunk whenever one is wanted.
  void Prepare();

  std::vector<Mapping> mappings_;
  char* next_ = nullptr;  // free space of the current chunk
  char* end_ = nullptr;
  std::size_t used_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  void* ready_ = nullptr;  // the chunk prepared ahead, not yet in use; guarded by mutex_
  bool wanted_ = false;    // guarded by mutex_
  bool busy_ = false;      // the helper is preparing a chunk; guarded by mutex_
  bool stopping_ = false;  // guarded by mutex_
  std::thread helper_;
};

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_DOCUMENTARENA_H_
