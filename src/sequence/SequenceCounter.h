// The counts the dictionary keeps for every held sequence, with its lattice links and optional
// occurrence statistics.
#ifndef CARMASEQ_SEQUENCE_SEQUENCECOUNTER_H_
#define CARMASEQ_SEQUENCE_SEQUENCECOUNTER_H_

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iosfwd>

#include "foundation/Visibility.h"
#include "sequence/AdjacentItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

// Occurrence statistics attached by the model builder: four doubles, all 0 when new. The engine
// only stores, prints and saves them. Copyable.
class CARMASEQ_EXPORT StatsBucket {
 public:
  StatsBucket() = default;
  StatsBucket(double occurrences, double total, double min, double max)
      : occurrences_(occurrences), total_(total), min_(min), max_(max) {}
  virtual ~StatsBucket();

  double getOccurrences() const { return occurrences_; }
  double getTotal() const { return total_; }
  double getMin() const { return min_; }
  double getMax() const { return max_; }
  // total / occurrences, and 0 when occurrences is 0.
  double getMean() const { return occurrences_ == 0 ? 0.0 : total_ / occurrences_; }
  void setValues(double occurrences, double total, double min, double max);

  // Object-XML and binary persistence; return the counts of written/read values or bytes.
  size_t writeObjectXML(std::ostream& os) const;
  size_t readObjectXML(std::ifstream& is);
  size_t writeObject(std::fstream& fs) const;
  size_t readObject(std::fstream& fs);

 private:
  double occurrences_ = 0;
  double total_ = 0;
  double min_ = 0;
  double max_ = 0;
};

// The value stored against a key in the dictionary's tables. count is a lower bound of the true
// count and count + maxMissed an upper bound. Owns its statistics bucket and adjacency set (both
// may be null). Not copyable.
class CARMASEQ_EXPORT SequenceCounter {
 public:
  // All numbers 0, no statistics, no adjacency set.
  SequenceCounter();
  // maxMissed 0, no adjacency set; takes ownership of statistics (may be null).
  SequenceCounter(int ordinalOfEntry, int count, StatsBucket* statistics);
  SequenceCounter(const SequenceCounter&) = delete;
  SequenceCounter& operator=(const SequenceCounter&) = delete;
  virtual ~SequenceCounter();

  std::int32_t getCount() const { return count_; }
  void setCount(std::int32_t count) { count_ = count; }
  void incrementCount() { ++count_; }
  std::int32_t getOrdinalOfEntry() const { return ordinalOfEntry_; }
  void setOrdinalOfEntry(std::int32_t ordinal) { ordinalOfEntry_ = ordinal; }
  std::int32_t getMaxMissed() const { return maxMissed_; }
  void setMaxMissed(std::int32_t maxMissed) { maxMissed_ = maxMissed; }
  // Subtracts 1 only when maxMissed is above 0.
  void decrementMaxMissed();

  StatsBucket* getStatsBucket() const { return statistics_; }
  // Takes ownership of statistics; deletes the bucket held before (unless the same object).
  void setStatsBucket(StatsBucket* statistics);

  // Creates the set when there is none, then inserts the pair once. Throws
  // SeqExceptions::DictionaryFailure when memory runs out (pairs inserted before stay).
  void addAdjacentItem(int item, int position);
  // The set, or null when none was ever created.
  const AdjacentItemSet* getAdjacentItems() const { return hasAdjacent_ ? &adjacent_ : nullptr; }
  // Number of pairs; 0 without a set.
  int getNAdjacent() const;
  // Empties the set and keeps it.
  void clearAdjacentItems();
  // Makes the set hold exactly the n pairs at pairs, creating it when there is none. Throws
  // SeqExceptions::DictionaryFailure when memory runs out (the pairs held before stay).
  // REQUIRES: the pairs are ascending and duplicate-free.
  void assignAdjacentItems(const AdjacentItemSet::value_type* pairs, std::size_t n);
  // Makes the set show the n pairs at pairs without owning them (see AdjacentItemSet::view),
  // creating it when there is none. The caller keeps the pairs alive and unchanged while the set
  // shows them. REQUIRES: the pairs are ascending and duplicate-free.
  void viewAdjacentItems(const AdjacentItemSet::value_type* pairs, std::size_t n);
  // Takes ownership of items: the counter keeps its pairs and deletes it at once (unless it is
  // the counter's own set), so getAdjacentItems returns the counter's set, not items. Null
  // releases the set.
  void setAdjacentItems(AdjacentItemSet* items);

  // Debug print: counts, then statistics, then (with withAdjacent) the adjacency pairs.
  void display(std::ostream& os, bool withAdjacent) const;

  // Object-XML and binary persistence; return the counts of written/read values or bytes.
  size_t writeObjectXML(std::ostream& os) const;
  size_t readObjectXML(std::ifstream& is);
  size_t writeObject(std::fstream& fs) const;
  size_t readObject(std::fstream& fs);

 private:
  friend class HashtableSQPair;  // moves a counter's contents into its entry storage

  std::int32_t count_ = 0;
  std::int32_t ordinalOfEntry_ = 0;
  std::int32_t maxMissed_ = 0;
  bool hasAdjacent_ = false;           // the set exists (getAdjacentItems is not null)
  StatsBucket* statistics_ = nullptr;  // owned
  // Held in the counter, not behind a pointer: a dictionary holds one counter per sequence and
  // builds a set for nearly every one.
  AdjacentItemSet adjacent_;
};

// A counter as the model builder creates it. Note the argument order.
class CARMASEQ_EXPORT CarmaSequenceDescriptor : public SequenceCounter {
 public:
  CarmaSequenceDescriptor() = default;
  CarmaSequenceDescriptor(int ordinalOfEntry, int maxMissed, int count);
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_SEQUENCE_SEQUENCECOUNTER_H_
