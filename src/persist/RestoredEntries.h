// The entries read for one level table, held until the whole table has been read and then
// installed so that the table walks them in the order in which they were saved.
#ifndef CARMASEQ_PERSIST_RESTOREDENTRIES_H_
#define CARMASEQ_PERSIST_RESTOREDENTRIES_H_

#include <memory>
#include <utility>
#include <vector>

#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {

class HashtableSQPair;

namespace persist {

// A saved table lists its entries bucket by bucket, each chain from its head. Installing them in
// reverse order into a table of the same capacity, which never has to grow meanwhile, rebuilds
// every chain as it was, so a restored dictionary saves the same bytes again. That holds when
// the saved table had the capacity that its initial size and its number of entries give (it was
// not pruned after growing); a table saved from a restored one always qualifies.
//
// Owns the entries until InstallInto hands them to the table; entries never installed are freed
// with this object. Not copyable.
class RestoredEntries {
 public:
  RestoredEntries() = default;
  RestoredEntries(const RestoredEntries&) = delete;
  RestoredEntries& operator=(const RestoredEntries&) = delete;

  void Add(std::unique_ptr<NTSequence> key, std::unique_ptr<SequenceCounter> counter) {
    entries_.emplace_back(std::move(key), std::move(counter));
  }

  // Moves every entry into table, replacing an equal stored key; of equal keys read, the last
  // one read wins. Throws what the table throws when memory runs out (the entries not yet
  // installed are then freed with this object).
  void InstallInto(HashtableSQPair* table);

 private:
  std::vector<std::pair<std::unique_ptr<NTSequence>, std::unique_ptr<SequenceCounter>>> entries_;
};

}  // namespace persist
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_RESTOREDENTRIES_H_
