// The level-by-level store of counted sequences on which the engine works: counting, pruning,
// the lattice, rules, predictions, searches, exports and persistence.
#ifndef CARMASEQ_DICTIONARY_SEQUENCEDICTIONARY_H_
#define CARMASEQ_DICTIONARY_SEQUENCEDICTIONARY_H_

#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "dictionary/SeqDictionarySettings.h"
#include "dictionary/SequenceSemiLattice.h"
#include "foundation/QxStatus.h"
#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class HashtableSQPair;
struct ISQCPair;
class NTSequence;
class Sequence;
class SequenceCounter;

// Level L holds the sequences of exactly L items (counting all item sets together); level 0
// always holds the empty sequence, whose count N is the number of cases counted and the
// denominator of every support. The dictionary owns its tables, their keys and counters, and its
// scratch key.
//
// Initial values: minimumSupport, slidingWindow, minGap and maxGap start at 0; reduceAll, the
// setters or the persistence readers change them.
//
// Entries without a counter (addSequence with a null counter) are kept safe from pruning: the
// pruning operations and dropAfter skip them (they can only be removed explicitly or by reset).
//
// Not thread-safe: even look-ups rebuild the scratch key, so one dictionary serves one thread at
// a time. The one exception is the cancel flag, which setCancel may raise from another thread
// while GetRules or GetFutureItems runs. Not copyable.
class CARMASEQ_EXPORT SequenceDictionary : public SequenceSemiLattice {
 public:
  // The empty shell that the persistence readers fill: default settings, no tables.
  SequenceDictionary();
  // Default settings with the number of levels replaced. REQUIRES: 1 <= numberOfLevels <= 32.
  explicit SequenceDictionary(int numberOfLevels);
  explicit SequenceDictionary(const SeqDictionarySettings& settings);
  // Takes ownership of tables (an array allocated with new[] of numberOfLevels tables, each
  // allocated with new, level 0 included). The lattice-built flag is set.
  SequenceDictionary(HashtableSQPair** tables, int numberOfLevels);
  SequenceDictionary(const SequenceDictionary&) = delete;
  SequenceDictionary& operator=(const SequenceDictionary&) = delete;
  ~SequenceDictionary();

  // ---- Settings and flags ----
  void setSlidingWindow(double value) { slidingWindow_ = value; }
  void setMinGap(double value) { minGap_ = value; }
  void setMaxGap(double value) { maxGap_ = value; }
  double getSlidingWindow() const { return slidingWindow_; }
  double getMinGap() const { return minGap_; }
  double getMaxGap() const { return maxGap_; }
  double getMinimumSupport() const { return minimumSupport_; }
  // Raises the cancel flag; only re-creating the dictionary lowers it.
  void setCancel() { cancel_ = true; }
  bool isCancelled() const { return cancel_; }
  bool isLatticeBuilt() const { return latticeBuilt_; }
  const SeqDictionarySettings& getSettings() const { return settings_; }
  int getNumberOfLevels() const { return numberOfLevels_; }
  // The table of a level, or null for a level outside 0..getNumberOfLevels()-1.
  const HashtableSQPair* getLevelTable(int level) const;
  // N: the count of the empty sequence at level 0 (0 for the empty shell).
  std::int32_t getTotalCount() const;

  // The count threshold of a minCount m shared by the pruning operations: m truncated when m is
  // (within 100 epsilon) a whole number, rounded, otherwise truncated plus 1.
  static std::int32_t CountThreshold(double minCount);

  // ---- Entries ----
  // Stores a new key built from n counted sets (sets[k][0] = item count, then the items). With a
  // counter, stores a new counter with its count, ordinalOfEntry and maxMissed; the caller keeps
  // its own. Replaces an equal stored entry. A key of getNumberOfLevels() items or more is
  // discarded. Throws SeqExceptions::DictionaryFailure when memory runs out.
  void addSequence(int** sets, int n, SequenceCounter* counter);
  // The same as count calls addSequence(sets[i], n[i], counters[i]), in order, but faster for
  // many sequences on large tables: the table memory that each stores into is fetched for a
  // batch of them together. When memory runs out it throws as addSequence does, leaving the
  // dictionary as the calls for some first sequences would (all before the failing one's batch,
  // and maybe some of that batch).
  void addSequences(int** const* sets, const int* n, SequenceCounter* const* counters, int count);
  // Adds 1 to the stored counter and returns it, or returns null when not stored.
  SequenceCounter* incrementCount(int** sets, int n);
  // The stored counter, or null.
  SequenceCounter* getDescriptor(const NTSequence* key);
  SequenceCounter* getDescriptor(const Sequence* sequence);
  SequenceCounter* getDescriptor(int** sets, int n);
  // The stored key object, or null.
  NTSequence* getSequence(int** sets, int n);
  bool hasSequence(int** sets, int n);
  // Removes and deletes the entry equal to key, if stored. A null key is ignored.
  void remove(NTSequence* key);
  void remove(int** sets, int n);
  // Clears every table and defines level 0 again; flags, time values and minimumSupport stay.
  void reset();

  // ---- Pruning ----
  // Removes from level every entry whose count + maxMissed is below CountThreshold(minCount).
  int reduceDictionary(int level, double minCount);
  // The same, testing count alone.
  int reduceDictionaryWithCount(int level, double minCount);
  // reduceDictionary level by level from 1, stopping at the first empty level; then sets
  // minimumSupport to minCount / N.
  int reduceAll(double minCount);
  // reduceDictionaryWithCount on every level from 1; minimumSupport unchanged.
  int reduceAllWithCount(double minCount);
  // Settles entries that entered at or before ordinal (count += maxMissed, maxMissed = 0) and
  // removes the others. Always OK.
  QxStatus dropAfter(int ordinal);

  // Prints the entries at positions 0..lastIndex (at least the first) of a level's table.
  void displaySize(int level, int lastIndex, std::ostream& os);

  // ---- Lattice ----
  // Stores on every counter its one-item extensions held one level higher. Returns status 60000
  // when memory runs out or a dictionary operation fails (the flag is then left unchanged).
  QxStatus buildLattice();
  // Appends to result new keys (caller owns and deletes them) of the held sequences occurring in
  // sequence without its last skipLast item sets, each ending in the newest set considered.
  // REQUIRES: sequence non-null with at least one item set. Always OK.
  QxStatus getSubsequencesInSequence(std::vector<NTSequence*>& result, const Sequence* sequence,
                                     int skipLast);

  // ---- Searches and statistics ----
  QxStatus FindSequences(const Sequence* query, std::set<Sequence*>& found, int minCount,
                         int maxCount) override;
  QxStatus FindSequencesBeginning(const Sequence* query, std::set<Sequence*>& found, int minCount,
                                  int maxCount) override;
  QxStatus FindSequencesEnding(const Sequence* query, std::set<Sequence*>& found, int minCount,
                               int maxCount) override;
  int NumberOfSequences() const override;
  int LargestSequence() const override;
  int CountSequencesOfSize(int k) const override;
  int CountSequencesBiggerThan(int k) const override;
  // Appends one new Sequence (caller owns) per entry of level k, skipping entries with links
  // when maximalOnly is set. Set k of each sequence gets time k. Always OK.
  QxStatus getSequencesOfSize(std::vector<const Sequence*>& out, int k, bool maximalOnly);

  // ---- Predictions and rules ----
  QxStatus GetCurrentItems(std::vector<SeqConsequentDescriptor>& predictions,
                           const Sequence* sequence, int maxItems) override;
  QxStatus GetFutureItems(std::vector<SeqConsequentDescriptor>& predictions,
                          const Sequence* sequence, int maxItems, bool wholeSequenceOnly) override;
  QxStatus GetRules(std::vector<SeqAssociationRule>& rules, double minSupport, double maxSupport,
                    double minConfidence, double maxConfidence, double minCause, double maxCause,
                    char sortBy, bool maximalOnly) override;

  // ---- Exports ----
  QxStatus ExportLatticeXML(std::ostream& os, double minSupport) override;
  QxStatus ExportRulesXML(std::ostream& os, double minSupport, double maxSupport,
                          double minConfidence, double maxConfidence, double minCause,
                          double maxCause, int maxNumberOfItemsPerTransaction,
                          double avgNumberOfItemsPerTransaction, char sortBy,
                          bool maximalOnly) override;

  // ---- Persistence ----
  // Object XML. The writer prints "Bad stream for saving SequenceDictionary to XML!\n" and throws
  // a new SeqExceptions::IOException on a bad stream; the readers throw IOException pointers on
  // malformed text. versionText "1.0" reads texts without the minimumSupport value.
  size_t writeObjectXML(std::ostream& os);
  size_t readObjectXML(std::ifstream& is);
  size_t readObjectXML(std::ifstream& is, const std::string& versionText);
  // Binary, little-endian. Same error conventions.
  size_t writeObject(std::fstream& fs);
  size_t readObject(std::fstream& fs);

 private:
  // Lowers the cancel flag, stores the settings and creates the scratch key, table sizes, levels
  // and tables, then defines level 0.
  void createDictionary(const SeqDictionarySettings& settings);
  // Deletes tables, table sizes and scratch key (back to the empty shell's state).
  void destroyTables();
  void defineLevel0();
  void remove(const Sequence* sequence);
  // The table holding keys of key->size() items, or null when the key is too long.
  HashtableSQPair* tableFor(const NTSequence* key) const;
  // The stored counter of an equal key, or null.
  SequenceCounter* lookup(const NTSequence* key) const;
  // The stored entry (key and possibly null counter) of an equal key, or null.
  const ISQCPair* findEntry(const NTSequence* key) const;
  // The scratch key rebuilt from counted sets or a Sequence, or null when the sequence has too
  // many items to be held (its key is then not built at all). Throws DictionaryFailure when
  // memory runs out.
  const NTSequence* scratchKey(int** sets, int n);
  const NTSequence* scratchKey(const Sequence* sequence);
  // Stores a copy of key, with a new counter of counter's numbers when counter is not null (the
  // body of addSequence once its key is built).
  void store(const NTSequence& key, SequenceCounter* counter);
  // Removes the entries of a level for which drop(counter) holds; entries without a counter
  // stay. Returns how many were removed.
  template <typename Drop>
  int removeEntries(int level, Drop drop);
  // Shared walk of the three searches; acceptPosition(position, nSets) filters links.
  template <typename Accept>
  QxStatus search(const Sequence* query, std::set<Sequence*>& found, int minCount, int maxCount,
                  Accept acceptPosition);

  std::int32_t numberOfLevels_ = 0;
  double minimumSupport_ = 0;
  double slidingWindow_ = 0;
  double minGap_ = 0;
  double maxGap_ = 0;
  SeqDictionarySettings settings_;
  HashtableSQPair** levels_ = nullptr;  // owned array of owned tables
  std::int32_t* tableSizes_ = nullptr;  // owned, numberOfLevels_ + 1 entries
  bool cancel_ = false;
  bool latticeBuilt_ = false;
  NTSequence* scratch_ = nullptr;      // owned; rebuilt by every look-up
  std::vector<NTSequence> batchKeys_;  // the keys of addSequences' current batch
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_SEQUENCEDICTIONARY_H_
