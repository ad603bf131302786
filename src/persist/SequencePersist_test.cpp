// The keys, counters, statistics and tables in both saved forms: exact layouts, returned counts,
// the order in which tables store what they read, and the messages of corrupt objects.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeKey;
using testutil::Walk;

std::string Int32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

class SequencePersistTest : public testing::Test {
 protected:
  // Saves object in both forms and checks the bytes, the values of the text and the counts;
  // restores each form into *fresh, which must then save the same again.
  template <typename T>
  void Check(T& object, T* fresh, const std::string& bytes, size_t count, const std::string& values,
             size_t xmlWritten, size_t xmlRead) {
    EXPECT_EQ(bytes, p_.Save(object, false));
    EXPECT_EQ(count, p_.count);
    const std::string text = p_.Save(object, true);
    std::string found;
    for (size_t at = text.find("value=\""); at != std::string::npos;
         at = text.find("value=\"", at + 1)) {
      found += text.substr(at + 7, text.find('"', at + 7) - at - 7) + " ";
    }
    EXPECT_EQ(values, found);
    EXPECT_EQ(xmlWritten, p_.count);
    EXPECT_TRUE(p_.Load(bytes, false, fresh).empty() && p_.count == count);
    EXPECT_EQ(bytes, p_.Save(*fresh, false));
    EXPECT_TRUE(p_.Load(text, true, fresh).empty() && p_.count == xmlRead);
    EXPECT_EQ(text, p_.Save(*fresh, true));
  }

  testutil::Persister p_;
};

TEST_F(SequencePersistTest, LayoutsCountsAndRestoredObjects) {
  std::unique_ptr<SequenceCounter> counter(new SequenceCounter(2, -4, nullptr));
  counter->setMaxMissed(3);
  counter->addAdjacentItem(8, 1);
  counter->addAdjacentItem(5, 2);
  SequenceCounter fresh;
  const std::string head = std::string("SD\0", 3) + Int32(-4) + Int32(2) + Int32(3);
  Check(*counter, &fresh, head + Int32(2) + Int32(5) + Int32(2) + Int32(8) + Int32(1) + Int32(0),
        23 + 16, "-4 2 3 2 5 2 8 1 0 ", 7 + 4, 7 + 4);
  counter->setStatsBucket(new StatsBucket(1, 0.5, -1, QxCommon_940::QxMV::Missing()));
  const std::string bytes = p_.Save(*counter, false);
  EXPECT_EQ(std::string("\1\0\0\0SB", 6), bytes.substr(35, 6));
  Check(*counter, &fresh, bytes, 53 + 16, "-4 2 3 2 5 2 8 1 1 1 0.5 -1 Missing ", 7 + 4 + 6, 11);
  EXPECT_EQ(23u + 16 + 34, bytes.size());

  std::unique_ptr<NTSequence> empty(MakeKey({}));
  std::unique_ptr<NTSequence> key(MakeKey({{1, 2}, {-3}}));
  NTSequence freshKey;
  Check(*empty, &freshKey, std::string("NT:\0", 4) + Int32(0) + Int32(0) + Int32(0), 16, "0 0 0 ",
        5, 5);
  Check(*key, &freshKey,
        std::string("NT:\0", 4) + Int32(3) + Int32(3) + Int32(1) + Int32(2) + Int32(-3) + Int32(2),
        28, "3 3 1 2 -3 2 ", 8, 8);
  EXPECT_EQ(key->HashCode(), freshKey.HashCode());

  HashtableSQPair table(7);
  HashtableSQPair freshTable(7);
  Check(table, &freshTable, "HT" + Int32(0), 6, "0 ", 3, 3);
  table.put(MakeKey({{4}}), new SequenceCounter(0, 2, nullptr));
  table.put(MakeKey({{5}}), nullptr);  // Saved with an all-zero counter.
  Check(table, &freshTable, p_.Save(table, false), 6 + 2 * (20 + 23),
        "2 1 1 4 1 2 0 0 0 0 1 1 5 1 0 0 0 0 0 ", 3 + 2 * (6 + 7), 3 + 2 * (6 + 7));
}

TEST_F(SequencePersistTest, TablesStoreEntriesInTheOrderReadAndCountsBelowOneReadNothing) {
  HashtableSQPair saved(2);  // Grows to 5 buckets at the third entry.
  for (int item : {1, 6, 11, 3})
    saved.put(MakeKey({{item}}), new SequenceCounter(0, item, nullptr));
  ASSERT_EQ("11, 1, 6, 3, ", Walk(saved));
  for (bool xml : {false, true}) {
    HashtableSQPair table(2);
    ASSERT_EQ("", p_.Load(p_.Save(saved, xml), xml, &table));
    EXPECT_EQ("6, 11, 1, 3, ", Walk(table));
  }
  for (const std::string& bytes : {"HT" + Int32(-7) + "HX", "HT" + Int32(0x80000000)}) {
    EXPECT_TRUE(p_.Load(bytes, false, &saved).empty() && p_.count == 6);
  }
  EXPECT_EQ("",
            p_.Load("<Obj name=\"HashtableSQPair\">\n<Int value=\"-1\"/>\n</Obj>", true, &saved));
  EXPECT_TRUE(p_.count == 3 && saved.getSize() == 4);
}

TEST_F(SequencePersistTest, CorruptObjectsReportAndLeaveTheTargetAlone) {
  const std::string key = std::string("NT:\0", 4) + Int32(1) + Int32(1) + Int32(6) + Int32(1);
  const std::string counter = std::string("SD\0", 3) + Int32(1) + Int32(1) + Int32(1);
  const std::string one = "<Int value=\"1\"/>\n";
  const std::string xmlCounter = "<Obj name=\"SequenceCounter\">\n" + one + one + one;
  const std::string xmlTable = "<Obj name=\"HashtableSQPair\">\n<Int value=\"";
  const char kKey[] = "Failure reading NTSequence!\n";
  const char kCounter[] = "Error reading SequenceCounter!\n";
  const char kStats[] = "Error reading StatsBucket!\n";
  const char kTable[] = "Error reading HashtableSQPair!\n";
  const std::tuple<std::string, bool, char, const char*> cases[] = {
      // Text, XML, the object read (Key, Counter, Table), message.
      {"NT:x" + key.substr(4), false, 'K', kKey},
      {key.substr(0, 10), false, 'K', kKey},
      {key.substr(0, 4) + Int32(2) + key.substr(8), false, 'K', kKey},  // Even pattern.
      {key.substr(0, 8) + Int32(32), false, 'K', kKey},
      {"<Obj name=\"NTSequence\">\n<Long value=\"3\"/>\n<Int value=\"1\"/>\n<Int value=\"1\"/>\n"
       "<Int value=\"1\"/>\n</Obj>",
       true, 'K', kKey},  // Pattern 3 for a single item.
      {"SD" + counter.substr(2), false, 'C', kCounter},
      {counter + Int32(-1) + Int32(0), false, 'C', "Error reading Sequence!\n"},
      {counter + Int32(0) + Int32(-1), false, 'C', kStats},
      {counter + Int32(0) + Int32(1) + "SC" + std::string(32, '\0'), false, 'C', kStats},
      {xmlCounter + "<Int value=\"-1\"/>\n<Int value=\"0\"/>\n</Obj>", true, 'C', kCounter},
      {xmlCounter + "<Int value=\"0\"/>\n<Int value=\"-2\"/>\n</Obj>", true, 'C', kCounter},
      {xmlCounter + "<Int value=\"0\"/>\n<Int value=\"1\"/>\n</Obj>", true, 'C', kStats},
      {"HX" + Int32(0), false, 'T', kTable},
      {"HT", false, 'T', kTable},
      {"HT" + Int32(1000) + key, false, 'T', kCounter},
      {xmlTable + "2\"/>\n</Obj>", true, 'T', kKey},
      {xmlTable + "0\"/>\n", true, 'T', kTable},
  };
  for (const auto& [bytes, xml, object, message] : cases) {
    std::unique_ptr<NTSequence> keyTarget(MakeKey({{9}}));
    std::unique_ptr<SequenceCounter> counterTarget(new SequenceCounter(9, 9, nullptr));
    HashtableSQPair tableTarget(3);
    EXPECT_EQ(message, object == 'K'   ? p_.Load(bytes, xml, keyTarget.get())
                       : object == 'C' ? p_.Load(bytes, xml, counterTarget.get())
                                       : p_.Load(bytes, xml, &tableTarget))
        << testing::PrintToString(bytes);
    EXPECT_TRUE(keyTarget->items()[0] == 9 && counterTarget->getCount() == 9 &&
                tableTarget.getSize() == 0)
        << "left alone: " << testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
