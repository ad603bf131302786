#include "xml/XMLName.h"

#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace QxXML_940 {

namespace {

// Texts are stored in blocks that never move, so a text can be read through its id without the
// lock: an id is only handed out after its text is stored, under the lock, and whoever reads the
// text got the id through some synchronisation with the thread that interned it.
class NameTable {
 public:
  static NameTable& Get() {
    static NameTable* table = new NameTable();  // Never destroyed: names outlive static objects.
    return *table;
  }

  std::uint32_t Intern(std::string_view text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = ids_.find(text);
    if (found != ids_.end()) return found->second;
    if (size_ == XMLName::kMaxNames) throw std::length_error("too many distinct XML names");
    std::unique_ptr<std::string[]>& block = blocks_[size_ / kBlockSize];
    if (block == nullptr) block.reset(new std::string[kBlockSize]);
    std::string& stored = block[size_ % kBlockSize];
    stored.assign(text.data(), text.size());
    ids_.emplace(std::string_view(stored), size_);
    return size_++;
  }

  const std::string& Text(std::uint32_t id) const {
    return blocks_[id / kBlockSize][id % kBlockSize];
  }

 private:
  static constexpr std::uint32_t kBlockSize = 1u << 12;

  std::mutex mutex_;
  std::unordered_map<std::string_view, std::uint32_t> ids_;
  std::uint32_t size_ = 0;
  std::unique_ptr<std::string[]> blocks_[XMLName::kMaxNames / kBlockSize];
};

}  // namespace

XMLName::XMLName(std::string_view text) : id_(NameTable::Get().Intern(text)) {}

const std::string& XMLName::text() const { return NameTable::Get().Text(id_); }

}  // namespace QxXML_940
