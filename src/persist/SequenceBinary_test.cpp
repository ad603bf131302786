#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/Exceptions.h"
#include "persist/persist_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeCounter;
using testutil::MakeKey;
using testutil::TempFile;

std::string Int32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
          static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
}

class SequenceBinaryTest : public testing::Test {
 protected:
  // Saves object and returns its bytes; *count gets the returned count.
  template <typename T>
  std::string Save(const T& object, size_t* count) {
    std::fstream fs = file_.Open(true);
    *count = object.writeObject(fs);
    fs.close();
    return file_.Read();
  }
  // Reads bytes into *object; returns the stderr text when the reader throws, "" otherwise.
  template <typename T>
  std::string Load(const std::string& bytes, T* object, size_t* count = nullptr) {
    file_.Write(bytes);
    std::fstream fs = file_.Open(false);
    testing::internal::CaptureStderr();
    try {
      const size_t read = object->readObject(fs);
      if (count != nullptr) *count = read;
    } catch (SeqExceptions::IOException* e) {
      delete e;
      const std::string message = testing::internal::GetCapturedStderr();
      return message.empty() ? "(no message)" : message;
    }
    testing::internal::GetCapturedStderr();
    return "";
  }

  TempFile file_;
  size_t count_ = 0;
};

TEST_F(SequenceBinaryTest, CounterLayoutAndCounts) {
  std::unique_ptr<SequenceCounter> bare(MakeCounter(3, 9, 1));
  EXPECT_EQ(std::string("SD\0", 3) + Int32(3) + Int32(9) + Int32(1) + Int32(0) + Int32(0),
            Save(*bare, &count_));
  EXPECT_EQ(23u, count_);

  std::unique_ptr<SequenceCounter> full(MakeCounter(-4, 2, 0));
  full->addAdjacentItem(8, 1);
  full->addAdjacentItem(5, 2);
  full->setStatsBucket(new StatsBucket(1, 2, 3, 4));
  const std::string bytes = Save(*full, &count_);
  EXPECT_EQ(53u + 16, count_) << "the bucket counts 30";
  EXPECT_EQ(23u + 16 + 34, bytes.size());
  EXPECT_EQ(Int32(5) + Int32(2) + Int32(8) + Int32(1), bytes.substr(19, 16)) << "set order";

  SequenceCounter restored;
  EXPECT_EQ("", Load(bytes, &restored, &count_));
  EXPECT_EQ(69u, count_);
  EXPECT_EQ(-4, restored.getCount());
  EXPECT_EQ(2, restored.getNAdjacent());
  ASSERT_NE(nullptr, restored.getStatsBucket());
  EXPECT_EQ(4.0, restored.getStatsBucket()->getMax());
}

TEST_F(SequenceBinaryTest, KeyAndTableLayoutAndCounts) {
  std::unique_ptr<NTSequence> empty(MakeKey({}));
  EXPECT_EQ(std::string("NT:\0", 4) + Int32(0) + Int32(0) + Int32(0), Save(*empty, &count_));
  EXPECT_EQ(16u, count_);
  std::unique_ptr<NTSequence> key(MakeKey({{1, 2}, {-3}}));
  EXPECT_EQ(
      std::string("NT:\0", 4) + Int32(3) + Int32(3) + Int32(1) + Int32(2) + Int32(-3) + Int32(2),
      Save(*key, &count_));
  EXPECT_EQ(28u, count_);
  NTSequence restored;
  EXPECT_EQ("", Load(file_.Read(), &restored, &count_));
  EXPECT_EQ(28u, count_);
  EXPECT_TRUE(restored == *key) << "hash recomputed";

  HashtableSQPair table(7);
  EXPECT_EQ("HT" + Int32(0), Save(table, &count_));
  EXPECT_EQ(6u, count_);
  table.put(MakeKey({{4}}), MakeCounter(2, 0, 0));
  table.put(MakeKey({{5}}), nullptr);
  Save(table, &count_);
  EXPECT_EQ(6u + 2 * (20 + 23), count_);
  HashtableSQPair copy(1);
  EXPECT_EQ("", Load(file_.Read(), &copy, &count_));
  EXPECT_EQ(92u, count_);
  EXPECT_EQ(2, copy.getSize());
  std::unique_ptr<NTSequence> five(MakeKey({{5}}));
  ASSERT_NE(nullptr, copy.get(five.get()));
  EXPECT_EQ(0, copy.get(five.get())->value->getCount()) << "a missing counter reads as zeros";
}

TEST_F(SequenceBinaryTest, CorruptObjectsReportAndLeaveTheTargetAlone) {
  const std::string key = std::string("NT:\0", 4) + Int32(1) + Int32(1) + Int32(6) + Int32(1);
  const std::string counter = std::string("SD\0", 3) + Int32(1) + Int32(1) + Int32(1);
  struct Case {
    std::string bytes;
    bool isKey;
    const char* message;
  } cases[] = {
      {"NT:x" + key.substr(4), true, "Failure reading NTSequence!\n"},
      {key.substr(0, 10), true, "Failure reading NTSequence!\n"},
      {key.substr(0, 4) + Int32(2) + key.substr(8), true, "Failure reading NTSequence!\n"},
      {key.substr(0, 8) + Int32(32), true, "Failure reading NTSequence!\n"},
      {"SD" + counter.substr(2), false, "Error reading SequenceCounter!\n"},
      {counter + Int32(-1) + Int32(0), false, "Error reading Sequence!\n"},
      {counter + Int32(1 << 30) + Int32(0), false, "Error reading Sequence!\n"},
      {counter + Int32(1) + Int32(5), false, "Error reading SequenceCounter!\n"},
      {counter + Int32(0) + Int32(-1), false, "Error reading StatsBucket!\n"},
      {counter + Int32(0) + Int32(1) + "SC" + std::string(32, '\0'), false,
       "Error reading StatsBucket!\n"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<NTSequence> target(MakeKey({{9}}));
    std::unique_ptr<SequenceCounter> counterTarget(MakeCounter(9, 9, 9));
    const std::string message =
        c.isKey ? Load(c.bytes, target.get()) : Load(c.bytes, counterTarget.get());
    EXPECT_EQ(c.message, message) << testing::PrintToString(c.bytes);
    EXPECT_EQ(9, target->items()[0]);
    EXPECT_EQ(9, counterTarget->getCount());
  }
  HashtableSQPair table(3);
  EXPECT_EQ("Error reading HashtableSQPair!\n", Load("HX" + Int32(0), &table));
  EXPECT_EQ("Error reading HashtableSQPair!\n", Load("HT" + Int32(-1), &table));
  EXPECT_EQ("Error reading HashtableSQPair!\n", Load("HT" + Int32(1000) + key, &table));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
