#include "DocumentArena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

namespace carmaseq_score {

namespace {

// Every block is aligned as operator new aligns.
constexpr std::size_t kAlignment = alignof(std::max_align_t);
constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

DocumentArena::~DocumentArena() {
  for (const Mapping& mapping : mappings_) munmap(mapping.address, mapping.bytes);
}

xercesc::MemoryManager* DocumentArena::getExceptionMemoryManager() {
  // Exceptions may outlive the arena.
  return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* DocumentArena::allocate(XMLSize_t size) {
  const std::size_t bytes = RoundUp(size == 0 ? 1 : size, kAlignment);
  if (bytes > kChunkBytes / 4) {
    used_ += bytes;
    return Map(RoundUp(bytes, kPage));
  }
  if (static_cast<std::size_t>(end_ - next_) < bytes) {
    next_ = static_cast<char*>(Map(kChunkBytes));
    end_ = next_ + kChunkBytes;
  }
  void* block = next_;
  next_ += bytes;
  used_ += bytes;
  return block;
}

void DocumentArena::deallocate(void* /*p*/) {}

void* DocumentArena::Map(std::size_t bytes) {
  try {
    if (mappings_.size() == mappings_.capacity()) mappings_.reserve(mappings_.size() * 2 + 16);
  } catch (const std::bad_alloc&) {
    throw xercesc::OutOfMemoryException();
  }
  void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (address == MAP_FAILED) throw xercesc::OutOfMemoryException();
#ifdef MADV_HUGEPAGE
  // A hint only: without huge pages the chunk works the same, with more page faults.
  madvise(address, bytes, MADV_HUGEPAGE);
#endif
  mappings_.push_back({address, bytes});
  reserved_ += bytes;
  return address;
}

}  // namespace carmaseq_score
