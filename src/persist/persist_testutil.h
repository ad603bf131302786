// Helpers shared by the persistence tests: saving and restoring through a temporary file (the
// readers take file streams), small keys and counters, and seeded random dictionaries.
#ifndef CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_
#define CARMASEQ_PERSIST_PERSIST_TESTUTIL_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <type_traits>
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
  // Returns ReadMessage's text for reading `bytes` into *object (object XML of `version`).
  template <typename T>
  std::string Load(const std::string& bytes, bool xml, T* object, const char* version = nullptr) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    std::fstream fs(path_, std::ios::in | std::ios::out | std::ios::binary);
    std::ifstream is(path_, std::ios::binary);
    return ReadMessage([&] {
      if (!xml) {
        count = object->readObject(fs);
      } else if constexpr (std::is_same_v<T, SequenceDictionary>) {
        count = version ? object->readObjectXML(is, version) : object->readObjectXML(is);
      } else {
        count = object->readObjectXML(is);
      }
    });
  }

  size_t count = 0;

 private:
  const std::string path_ = "/tmp/carmaseq_persist_" + std::to_string(getpid());
};

// A key from sets written as {{1, 2}, {3}}. Caller owns the result.
inline NTSequence* MakeKey(std::initializer_list<std::initializer_list<int>> sets) {
  std::vector<std::vector<int>> counted;
  std::vector<int*> rows;
  for (const auto& set : sets) counted.emplace_back(1, static_cast<int>(set.size()));
  for (size_t i = 0; i < counted.size(); ++i) {
    counted[i].insert(counted[i].end(), sets.begin()[i].begin(), sets.begin()[i].end());
    rows.push_back(counted[i].data());
  }
  return new NTSequence(rows.data(), static_cast<int>(rows.size()));
}

// Caller owns the result.
inline SequenceCounter* MakeCounter(int count, int ordinal) {
  return new SequenceCounter(ordinal, count, nullptr);
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
  settings.numberOfLevels = 3 + static_cast<int>(random() % 3);
  for (std::int32_t& size : settings.tableSizes) size = 1 + static_cast<int>(random() % 3);
  auto* dictionary = new SequenceDictionary(settings);
  SequenceCounter counter;
  for (int level = 1; level < settings.numberOfLevels; ++level) {
    for (int entry = 0, n = 1 + static_cast<int>(random() % 12); entry < n; ++entry) {
      std::vector<std::vector<int>> sets;  // counted; items ascending over the whole key
      std::vector<int*> rows;
      for (int i = 0; i < level; ++i) {
        if (sets.empty() || random() % 2 == 0) sets.emplace_back(1, 0);
        sets.back().push_back(10 * i + 1 + static_cast<int>(random() % 9));
        ++sets.back()[0];
      }
      for (auto& set : sets) rows.push_back(set.data());
      counter.setCount(1 + static_cast<int>(random() % 50));
      counter.setMaxMissed(static_cast<int>(random() % 3));
      dictionary->addSequence(rows.data(), static_cast<int>(rows.size()), &counter);
      if (random() % 4 == 0) {
        dictionary->getDescriptor(rows.data(), static_cast<int>(rows.size()))
            ->setStatsBucket(new StatsBucket(2, 0.5, -1, QxCommon_940::QxMV::Missing()));
      }
    }
  }
  dictionary->getDescriptor(nullptr, 0)->setCount(60);
  dictionary->buildLattice();
  int one[2] = {1, 1 + static_cast<int>(random() % 9)};
  int* rows[1] = {one};
  if (SequenceCounter* stored = dictionary->getDescriptor(rows, 1)) {
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
