#include "DocumentArena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <system_error>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

namespace carmaseq_score {

namespace {

// Every block is aligned as operator new aligns.
constexpr std::size_t kAlignment = alignof(std::max_align_t);
constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// Has the system back every page of the mapping now rather than at first use.
void Touch(void* address, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  if (madvise(address, bytes, MADV_POPULATE_WRITE) == 0) return;
#endif
  auto* page = static_cast<volatile char*>(address);
  for (std::size_t at = 0; at < bytes; at += kPage) page[at] = 0;
}

}  // namespace

DocumentArena::DocumentArena(bool prepare) {
  if (!prepare) return;
  wanted_ = true;
  try {
    helper_ = std::thread([this] { Prepare(); });
  } catch (const std::system_error&) {
    wanted_ = false;  // no thread: chunks are mapped when needed
  }
}

DocumentArena::~DocumentArena() {
  StopPreparing();
  for (const Mapping& mapping : mappings_) munmap(mapping.address, mapping.bytes);
}

void DocumentArena::StopPreparing() {
  if (helper_.joinable()) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    helper_.join();
  }
  if (ready_ != nullptr) munmap(ready_, kChunkBytes);
  ready_ = nullptr;
}

xercesc::MemoryManager* DocumentArena::getExceptionMemoryManager() {
  // Exceptions may outlive the arena.
  return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* DocumentArena::allocate(XMLSize_t size) {
  const std::size_t bytes = RoundUp(size == 0 ? 1 : size, kAlignment);
  if (bytes > kChunkBytes / 4) {
    const std::size_t mapped = RoundUp(bytes, kPage);
    void* block = Keep(Map(mapped), mapped);
    used_ += bytes;
    return block;
  }
  if (static_cast<std::size_t>(end_ - next_) < bytes) {
    next_ = static_cast<char*>(NextChunk());
    end_ = next_ + kChunkBytes;
  }
  void* block = next_;
  next_ += bytes;
  used_ += bytes;
  return block;
}

void DocumentArena::deallocate(void* /*p*/) {}

std::size_t DocumentArena::reserved() const {
  std::size_t total = 0;
  for (const Mapping& mapping : mappings_) total += mapping.bytes;
  const std::lock_guard<std::mutex> lock(mutex_);
  return total + (ready_ != nullptr ? kChunkBytes : 0);
}

void* DocumentArena::Map(std::size_t bytes) {
  void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (address == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  // A hint only: without huge pages the chunk works the same, with more page faults.
  madvise(address, bytes, MADV_HUGEPAGE);
#endif
  return address;
}

void* DocumentArena::Keep(void* address, std::size_t bytes) {
  if (address == nullptr) throw xercesc::OutOfMemoryException();
  try {
    mappings_.push_back({address, bytes});
  } catch (const std::bad_alloc&) {
    munmap(address, bytes);
    throw xercesc::OutOfMemoryException();
  }
  return address;
}

void* DocumentArena::NextChunk() {
  void* chunk = nullptr;
  if (helper_.joinable()) {
    std::unique_lock<std::mutex> lock(mutex_);
    // Wait for the chunk being prepared; when none is (the helper could not map one), map here.
    wake_.wait(lock, [this] { return ready_ != nullptr || (!wanted_ && !busy_); });
    chunk = ready_;
    ready_ = nullptr;
    wanted_ = true;
    lock.unlock();
    wake_.notify_all();
  }
  if (chunk == nullptr) chunk = Map(kChunkBytes);
  return Keep(chunk, kChunkBytes);
}

void DocumentArena::Prepare() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || (wanted_ && ready_ == nullptr); });
    if (stopping_) return;
    wanted_ = false;
    busy_ = true;
    lock.unlock();
    void* chunk = Map(kChunkBytes);
    if (chunk != nullptr) Touch(chunk, kChunkBytes);
    lock.lock();
    busy_ = false;
    ready_ = chunk;
    wake_.notify_all();
  }
}

}  // namespace carmaseq_score
