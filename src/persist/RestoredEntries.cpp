#include "persist/RestoredEntries.h"

#include <cstdint>
#include <unordered_set>

#include "sequence/HashtableSQPair.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace persist {
namespace {

struct KeyHash {
  std::size_t operator()(const NTSequence* key) const {
    return static_cast<std::uint32_t>(key->HashCode());
  }
};
struct KeyEqual {
  bool operator()(const NTSequence* a, const NTSequence* b) const { return *a == *b; }
};

// Grows table until it holds `size` entries without growing again. The table has no way to ask
// for a capacity, so it is grown the way insertion grows it: by storing placeholder keys, which
// are removed again afterwards.
void GrowFor(HashtableSQPair* table, std::int64_t size) {
  std::vector<NTSequence*> placeholders;
  for (int item = 0; table->getThreshold() < size; ++item) {
    int set[2] = {1, item};
    std::unique_ptr<NTSequence> key(new NTSequence(set));
    if (table->put(key.get(), nullptr)) placeholders.push_back(key.release());
  }
  for (NTSequence* key : placeholders) table->remove(key);
}

}  // namespace

void RestoredEntries::InstallInto(HashtableSQPair* table) {
  // Walking backwards, the first of equal keys met is the last one read; drop the others.
  std::unordered_set<const NTSequence*, KeyHash, KeyEqual> seen;
  std::int64_t added = 0;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (!seen.insert(it->first.get()).second) {
      it->first.reset();
      it->second.reset();
    } else if (table->get(it->first.get()) == nullptr) {
      ++added;
    }
  }
  GrowFor(table, table->getSize() + added);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->first == nullptr) continue;
    table->putOverwrite(it->first.get(), it->second.get());
    it->first.release();
    it->second.release();
  }
  entries_.clear();
}

}  // namespace persist
}  // namespace SEQUENCE_NAMESPACE_800
