// Helpers shared by the persistence tests: saving and restoring through a temporary file (the
// readers take file streams), small keys and counters, and seeded random dictionaries.
#ifndef CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_
#define CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/Exceptions.h"
#include "foundation/QxMV.h"
#include "persist/content_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// Runs read(). Returns what it printed on standard error when it threw IOException ("(no
// message)" when nothing), and "" when it did not throw.
template <typename F>
std::string ReadMessage(F read) {
  testing::internal::CaptureStderr();
  std::string message;
  try {
    read();
  } catch (SeqExceptions::IOException* e) {
    delete e;
    message = "(no message)";
  }
  const std::string printed = testing::internal::GetCapturedStderr();
  return printed.empty() ? message : printed;
}

// Saves objects in either form and restores them through a temporary file, removed with this
// object. `count` holds what the last write or read returned.
class Persister {
 public:
  ~Persister() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

  template <typename T>
  std::string Save(T& object, bool xml) {
    std::ostringstream os;
    if (xml) {
      count = object.writeObjectXML(os);
      return os.str();
    }
    std::fstream fs(path_, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    count = object.writeObject(fs);
    fs.close();
    os << std::ifstream(path_, std::ios::binary).rdbuf();
    return os.str();
  }
  // Returns ReadMessage's text for reading `bytes` into *object.
  template <typename T>
  std::string Load(const std::string& bytes, bool xml, T* object) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    std::fstream fs(path_, std::ios::in | std::ios::out | std::ios::binary);
    std::ifstream is(path_, std::ios::binary);
    return ReadMessage([&] { count = xml ? object->readObjectXML(is) : object->readObject(fs); });
  }

  size_t count = 0;

 private:
  const std::string path_ = "/tmp/carmaseq_persist_" + std::to_string(getpid());
};

// Turns sets of items into counted arrays (the count first) in place; returns their addresses.
inline std::vector<int*> Counted(std::vector<std::vector<int>>& sets) {
  std::vector<int*> rows;
  for (auto& set : sets) {
    set.insert(set.begin(), static_cast<int>(set.size()));
    rows.push_back(set.data());
  }
  return rows;
}

// A key from sets written as {{1, 2}, {3}}. Caller owns the result.
inline NTSequence* MakeKey(std::vector<std::vector<int>> sets) {
  return new NTSequence(Counted(sets).data(), static_cast<int>(sets.size()));
}

// The items of each key of table in the order it walks them.
inline std::string Walk(const HashtableSQPair& table) {
  std::string order;
  for (auto it = table.begin(); it != table.end(); ++it) {
    for (int i = 0; i < it->key->size(); ++i) order += std::to_string(it->key->items()[i]) + ",";
    order += " ";
  }
  return order;
}

// A dictionary of 3 to 5 levels whose tables start with 1 to 3 buckets, so that they chain and
// grow, and hold entries at every level. Its lattice is built; it also has links that no
// extension has (positions 99 and -3), statistics, and the missing-value marker among the
// doubles. Caller owns the result.
inline SequenceDictionary* RandomDictionary(unsigned seed) {
  std::mt19937 random(seed);
  SeqDictionarySettings settings;
  settings.numberOfLevels = 3 + random() % 3;
  for (std::int32_t& size : settings.tableSizes) size = 1 + random() % 3;
  auto* dictionary = new SequenceDictionary(settings);
  SequenceCounter counter;
  for (int level = 1; level < settings.numberOfLevels; ++level) {
    for (int entry = 0, n = 1 + random() % 12; entry < n; ++entry) {
      std::vector<std::vector<int>> sets;  // items ascending over the whole key
      for (int i = 0; i < level; ++i) {
        if (sets.empty() || random() % 2 == 0) sets.emplace_back();
        sets.back().push_back(10 * i + 1 + random() % 9);
      }
      std::vector<int*> rows = Counted(sets);
      counter.setCount(1 + random() % 50);
      counter.setMaxMissed(random() % 3);
      dictionary->addSequence(rows.data(), static_cast<int>(rows.size()), &counter);
      if (random() % 4 == 0) {
        dictionary->getDescriptor(rows.data(), static_cast<int>(rows.size()))
            ->setStatsBucket(new StatsBucket(2, 0.5, -1, QxCommon_940::QxMV::Missing()));
      }
    }
  }
  dictionary->getDescriptor(nullptr, 0)->setCount(60);
  EXPECT_TRUE(dictionary->buildLattice().IsOK());
  const std::unique_ptr<NTSequence> one(MakeKey({{1 + static_cast<int>(random() % 9)}}));
  if (SequenceCounter* stored = dictionary->getDescriptor(one.get())) {
    stored->addAdjacentItem(5, 99);
    stored->addAdjacentItem(5, -3);
  }
  dictionary->setSlidingWindow(0.125);
  dictionary->setMinGap(QxCommon_940::QxMV::Missing());
  dictionary->setMaxGap(1e20);
  return dictionary;
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_
