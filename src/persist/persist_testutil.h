// Helpers shared by the persistence tests: temporary files (the readers take file streams),
// small keys, counters and dictionaries, and a text summary of a dictionary to compare.
#ifndef CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_
#define CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "foundation/QxMV.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// A file under /tmp, removed when the object goes away.
class TempFile {
 public:
  TempFile() : path_("/tmp/carmaseq_persist_" + std::to_string(getpid()) + "_" + Serial()) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { std::remove(path_.c_str()); }

  void Write(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // A read-write binary stream on the file, emptied first when `truncate` is set.
  std::fstream Open(bool truncate) const {
    const auto mode = std::ios::in | std::ios::out | std::ios::binary;
    return std::fstream(path_, truncate ? mode | std::ios::trunc : mode);
  }
  std::ifstream OpenText() const { return std::ifstream(path_, std::ios::binary); }

 private:
  static std::string Serial() {
    static int serial = 0;
    return std::to_string(serial++);
  }
  std::string path_;
};

// Runs read(). Returns what it printed on standard error when it threw IOException ("(no
// message)" when nothing), and "" when it did not throw.
template <typename F>
std::string ReadMessage(F read) {
  testing::internal::CaptureStderr();
  try {
    read();
  } catch (SeqExceptions::IOException* e) {
    delete e;
    const std::string message = testing::internal::GetCapturedStderr();
    return message.empty() ? "(no message)" : message;
  }
  testing::internal::GetCapturedStderr();
  return "";
}

// Saves objects in either form and restores them through a temporary file (the readers take file
// streams). `count` holds what the last write or read returned.
class Persister {
 public:
  template <typename T>
  std::string Save(T& object, bool xml) {
    if (xml) {
      std::ostringstream os;
      count = object.writeObjectXML(os);
      return os.str();
    }
    std::fstream fs = file_.Open(true);
    count = object.writeObject(fs);
    fs.close();
    return file_.Read();
  }
  // Returns ReadMessage's text for reading `bytes` into *object.
  template <typename T>
  std::string Load(const std::string& bytes, bool xml, T* object) {
    file_.Write(bytes);
    return ReadMessage([&] {
      if (xml) {
        std::ifstream is = file_.OpenText();
        count = object->readObjectXML(is);
      } else {
        std::fstream fs = file_.Open(false);
        count = object->readObject(fs);
      }
    });
  }

  size_t count = 0;

 private:
  TempFile file_;
};

// A key from sets written as {{1, 2}, {3}}. Caller owns the result.
inline NTSequence* MakeKey(std::initializer_list<std::initializer_list<int>> sets) {
  int storage[8][8];
  int* rows[8];
  int n = 0;
  for (const auto& set : sets) {
    storage[n][0] = static_cast<int>(set.size());
    std::copy(set.begin(), set.end(), storage[n] + 1);
    rows[n] = storage[n];
    ++n;
  }
  return new NTSequence(rows, n);
}

// Caller owns the result.
inline SequenceCounter* MakeCounter(int count, int ordinal, int maxMissed) {
  auto* counter = new SequenceCounter(ordinal, count, nullptr);
  counter->setMaxMissed(maxMissed);
  return counter;
}

// Four levels with the lattice flag set (by the ready-made tables constructor), links, one
// statistics bucket, two keys sharing a chain ((1) and (11520) with 11519 buckets) and the
// missing-value marker among the doubles. The tables have the default settings' sizes, as those
// of a restored dictionary do. Caller owns the result.
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

// Everything a saved dictionary should restore, doubles as bit patterns, entries in key order.
inline std::string Describe(const SequenceDictionary& dictionary) {
  std::ostringstream out;
  const auto bits = [](double value) {
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return " " + std::to_string(b);
  };
  const SeqDictionarySettings& s = dictionary.getSettings();
  out << "levels " << dictionary.getNumberOfLevels() << " built " << dictionary.isLatticeBuilt();
  for (int size : s.tableSizes) out << " " << size;
  out << " " << s.numberOfLevels << " " << s.tableSizeFrom8 << bits(dictionary.getMinimumSupport())
      << bits(dictionary.getSlidingWindow()) << bits(dictionary.getMinGap())
      << bits(dictionary.getMaxGap()) << "\n";
  for (int level = 0; level < dictionary.getNumberOfLevels(); ++level) {
    std::map<std::string, std::string> entries;
    const HashtableSQPair* table = dictionary.getLevelTable(level);
    for (auto it = table->begin(); it != table->end(); ++it) {
      std::ostringstream key, value;
      key << "p" << it->key->getPattern() << " s" << it->key->getNSets() << " h"
          << it->key->HashCode();
      for (int i = 0; i < it->key->size(); ++i) key << " " << it->key->items()[i];
      const SequenceCounter& c = *it->value;
      value << c.getCount() << "/" << c.getOrdinalOfEntry() << "/" << c.getMaxMissed();
      if (c.getAdjacentItems() != nullptr) {
        for (const auto& link : *c.getAdjacentItems()) {
          value << " (" << link.first << "," << link.second << ")";
        }
      }
      if (const StatsBucket* b = c.getStatsBucket()) {
        value << bits(b->getOccurrences()) << bits(b->getTotal()) << bits(b->getMin())
              << bits(b->getMax());
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
