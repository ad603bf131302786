// Helpers shared by the persistence tests: temporary files (the readers take file streams), a
// small dictionary with every kind of content, and a text summary of a dictionary to compare.
#ifndef CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_
#define CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/QxMV.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// A file under the temporary directory, removed when the object goes away.
class TempFile {
 public:
  TempFile() {
    static std::atomic<int> serial{0};
    path_ = "/tmp/carmaseq_persist_" + std::to_string(getpid()) + "_" + std::to_string(serial++) +
            ".tmp";
    Write("");
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { std::remove(path_.c_str()); }

  const std::string& path() const { return path_; }
  void Write(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // A read-write binary stream on the file; truncates it when `truncate` is set.
  std::fstream Open(bool truncate) const {
    std::ios::openmode mode = std::ios::in | std::ios::out | std::ios::binary;
    return std::fstream(path_, truncate ? mode | std::ios::trunc : mode);
  }
  std::ifstream OpenText() const { return std::ifstream(path_, std::ios::binary); }

 private:
  std::string path_;
};

// A key from sets written as {{1, 2}, {3}}.
inline NTSequence* MakeKey(std::initializer_list<std::initializer_list<int>> sets) {
  int storage[8][8];
  int* rows[8];
  int n = 0;
  for (const auto& set : sets) {
    storage[n][0] = static_cast<int>(set.size());
    int i = 1;
    for (int item : set) storage[n][i++] = item;
    rows[n] = storage[n];
    ++n;
  }
  return new NTSequence(rows, n);
}

inline SequenceCounter* MakeCounter(int count, int ordinal, int maxMissed) {
  auto* counter = new SequenceCounter();
  counter->setCount(count);
  counter->setOrdinalOfEntry(ordinal);
  counter->setMaxMissed(maxMissed);
  return counter;
}

// Four levels with the lattice flag set (by the ready-made tables constructor), links, one
// statistics bucket, two keys sharing a chain ((1) and (11520) with 11519 buckets) and the
// missing-value marker among the doubles. The tables have the default settings' sizes, as those
// of a restored dictionary do.
inline SequenceDictionary* MakeSampleDictionary() {
  auto** tables = new HashtableSQPair*[4];
  for (int level = 0; level < 4; ++level) {
    tables[level] = new HashtableSQPair(SeqDictionarySettings().tableSizeOfLevel(level));
  }
  SequenceCounter* root = MakeCounter(10, 0, 0);
  root->addAdjacentItem(1, 1);
  root->addAdjacentItem(2, 1);
  tables[0]->put(MakeKey({}), root);
  SequenceCounter* one = MakeCounter(6, 1, 2);
  one->addAdjacentItem(2, 0);
  one->addAdjacentItem(2, 3);
  tables[1]->put(MakeKey({{1}}), one);
  tables[1]->put(MakeKey({{2}}), MakeCounter(5, 0, 0));
  tables[1]->put(MakeKey({{11520}}), MakeCounter(4, 2, 0));
  SequenceCounter* pair = MakeCounter(3, 4, 1);
  pair->setStatsBucket(new StatsBucket(3, 7.5, -1.25, QxCommon_940::QxMV::Missing()));
  pair->addAdjacentItem(7, 5);
  tables[2]->put(MakeKey({{1}, {2}}), pair);
  tables[2]->put(MakeKey({{1, 2}}), MakeCounter(2, 3, 0));
  tables[3]->put(MakeKey({{1, 2}, {7}}), MakeCounter(1, 7, 0));
  auto* dictionary = new SequenceDictionary(tables, 4);
  dictionary->reduceAll(2.0);  // Drops the level-3 entry; minimumSupport becomes 0.2.
  dictionary->setSlidingWindow(0.125);
  dictionary->setMinGap(QxCommon_940::QxMV::Missing());
  dictionary->setMaxGap(1e20);
  return dictionary;
}

// Everything a saved dictionary should restore, level by level in key order.
inline std::string Describe(const SequenceDictionary& dictionary) {
  std::ostringstream out;
  auto bits = [](double value) {
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
  };
  const SeqDictionarySettings& s = dictionary.getSettings();
  out << "levels " << dictionary.getNumberOfLevels() << " built " << dictionary.isLatticeBuilt()
      << " settings";
  for (int size : s.tableSizes) out << " " << size;
  out << " " << s.numberOfLevels << " " << s.tableSizeFrom8 << " doubles "
      << bits(dictionary.getMinimumSupport()) << " " << bits(dictionary.getSlidingWindow()) << " "
      << bits(dictionary.getMinGap()) << " " << bits(dictionary.getMaxGap()) << "\n";
  for (int level = 0; level < dictionary.getNumberOfLevels(); ++level) {
    std::map<std::string, std::string> entries;  // Ordered by key text.
    const HashtableSQPair* table = dictionary.getLevelTable(level);
    for (auto it = table->begin(); it != table->end(); ++it) {
      std::ostringstream key, value;
      const NTSequence& k = *it->key;
      key << "p" << k.getPattern() << " s" << k.getNSets() << " h" << k.HashCode() << " [";
      for (int i = 0; i < k.size(); ++i) key << " " << k.items()[i];
      key << " ]";
      const SequenceCounter* c = it->value;
      value << c->getCount() << "/" << c->getOrdinalOfEntry() << "/" << c->getMaxMissed();
      if (c->getAdjacentItems() != nullptr) {
        for (const auto& link : *c->getAdjacentItems()) {
          value << " (" << link.first << "," << link.second << ")";
        }
      }
      if (const StatsBucket* b = c->getStatsBucket()) {
        value << " stats " << bits(b->getOccurrences()) << " " << bits(b->getTotal()) << " "
              << bits(b->getMin()) << " " << bits(b->getMax());
      }
      entries[key.str()] = value.str();
    }
    out << "level " << level << "\n";
    for (const auto& entry : entries) out << "  " << entry.first << " = " << entry.second << "\n";
  }
  return out.str();
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_
