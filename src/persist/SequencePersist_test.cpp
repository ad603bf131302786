// The keys, counters, statistics and tables in both saved forms: exact layouts, returned counts,
// and the messages of corrupt objects.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <tuple>

#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeCounter;
using testutil::MakeKey;

std::string Int32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

// The value texts of an object-XML text, joined by blanks.
std::string Values(const std::string& text) {
  std::string values;
  for (size_t at = text.find("value=\""); at != std::string::npos;
       at = text.find("value=\"", at + 1)) {
    values += (values.empty() ? "" : " ") + text.substr(at + 7, text.find('"', at + 7) - at - 7);
  }
  return values;
}

class SequencePersistTest : public testing::Test {
 protected:
  testutil::Persister p_;
};

TEST_F(SequencePersistTest, LayoutsAndCounts) {
  std::unique_ptr<SequenceCounter> bare(MakeCounter(3, 12, 2));
  EXPECT_EQ(std::string("SD\0", 3) + Int32(3) + Int32(12) + Int32(2) + Int32(0) + Int32(0),
            p_.Save(*bare, false));
  EXPECT_EQ(23u, p_.count);
  EXPECT_EQ("3 12 2 0 0", Values(p_.Save(*bare, true)));
  EXPECT_EQ(7u, p_.count);

  std::unique_ptr<SequenceCounter> full(MakeCounter(-4, 2, 0));
  full->addAdjacentItem(8, 1);
  full->addAdjacentItem(5, 2);
  full->setStatsBucket(new StatsBucket(1, 0.5, -1, QxCommon_940::QxMV::Missing()));
  const std::string bytes = p_.Save(*full, false);
  EXPECT_EQ(53u + 16, p_.count) << "a bucket counts 30";
  EXPECT_EQ(23u + 16 + 34, bytes.size());
  EXPECT_EQ(Int32(5) + Int32(2) + Int32(8) + Int32(1), bytes.substr(19, 16)) << "set order";
  EXPECT_EQ("-4 2 0 2 5 2 8 1 1 1 0.5 -1 Missing", Values(p_.Save(*full, true)));
  EXPECT_EQ(7u + 4 + 6, p_.count);
  for (bool xml : {false, true}) {
    SequenceCounter restored;
    ASSERT_EQ("", p_.Load(xml ? p_.Save(*full, true) : bytes, xml, &restored));
    EXPECT_EQ(xml ? 11u : 69u, p_.count) << "the XML reader does not count the bucket";
    EXPECT_EQ(*full->getAdjacentItems(), *restored.getAdjacentItems());
    EXPECT_TRUE(restored.getCount() == -4 &&
                QxCommon_940::QxMV::IsMissing(restored.getStatsBucket()->getMax()));
  }

  std::unique_ptr<NTSequence> empty(MakeKey({}));
  EXPECT_EQ(std::string("NT:\0", 4) + Int32(0) + Int32(0) + Int32(0), p_.Save(*empty, false));
  EXPECT_EQ(16u, p_.count);
  EXPECT_EQ("0 0 0", Values(p_.Save(*empty, true)));
  EXPECT_EQ(5u, p_.count);
  std::unique_ptr<NTSequence> key(MakeKey({{1, 2}, {-3}}));
  EXPECT_EQ(
      std::string("NT:\0", 4) + Int32(3) + Int32(3) + Int32(1) + Int32(2) + Int32(-3) + Int32(2),
      p_.Save(*key, false));
  EXPECT_EQ(28u, p_.count);
  EXPECT_EQ("3 3 1 2 -3 2", Values(p_.Save(*key, true)));
  EXPECT_EQ(8u, p_.count);

  HashtableSQPair table(7);
  EXPECT_EQ("HT" + Int32(0), p_.Save(table, false));
  EXPECT_EQ(6u, p_.count);
  table.put(MakeKey({{4}}), MakeCounter(2, 0, 0));
  table.put(MakeKey({{5}}), nullptr);
  for (bool xml : {false, true}) {
    const std::string saved = p_.Save(table, xml);
    const size_t written = p_.count;
    EXPECT_EQ(xml ? 3u + 2 * (6 + 7) : 6u + 2 * (20 + 23), written);
    HashtableSQPair copy(1);
    ASSERT_EQ("", p_.Load(saved, xml, &copy));
    EXPECT_EQ(written, p_.count);
    std::unique_ptr<NTSequence> five(MakeKey({{5}}));
    const auto* entry = copy.get(five.get());
    EXPECT_TRUE(entry != nullptr && entry->value->getCount() == 0) << "no counter saved as zeros";
  }
}

TEST_F(SequencePersistTest, CorruptObjectsReportAndLeaveTheTargetAlone) {
  const std::string key = std::string("NT:\0", 4) + Int32(1) + Int32(1) + Int32(6) + Int32(1);
  const std::string counter = std::string("SD\0", 3) + Int32(1) + Int32(1) + Int32(1);
  const std::string xmlCounter =
      "\n<Obj name=\"SequenceCounter\">\n<Int value=\"1\"/>\n"
      "<Int value=\"1\"/>\n<Int value=\"1\"/>\n";
  const char kKey[] = "Failure reading NTSequence!\n";
  const char kCounter[] = "Error reading SequenceCounter!\n";
  const char kStats[] = "Error reading StatsBucket!\n";
  const std::tuple<std::string, bool, bool, const char*> cases[] = {
      // Text, XML, key, message.
      {"NT:x" + key.substr(4), false, true, kKey},
      {key.substr(0, 10), false, true, kKey},
      {key.substr(0, 4) + Int32(2) + key.substr(8), false, true, kKey},  // Even pattern.
      {key.substr(0, 8) + Int32(32), false, true, kKey},
      {"SD" + counter.substr(2), false, false, kCounter},
      {counter + Int32(-1) + Int32(0), false, false, "Error reading Sequence!\n"},
      {counter + Int32(1 << 30) + Int32(0), false, false, "Error reading Sequence!\n"},
      {counter + Int32(1) + Int32(5), false, false, kCounter},
      {counter + Int32(0) + Int32(-1), false, false, kStats},
      {counter + Int32(0) + Int32(1) + "SC" + std::string(32, '\0'), false, false, kStats},
      {"\n<Obj name=\"NTSequence\">\n<Long value=\"3\"/>\n<Int value=\"1\"/>\n"
       "<Int value=\"1\"/>\n<Int value=\"1\"/>\n</Obj>",
       true, true, kKey},  // Pattern 3 for a single item.
      {xmlCounter + "<Int value=\"-1\"/>\n<Int value=\"0\"/>\n</Obj>", true, false, kCounter},
      {xmlCounter + "<Int value=\"0\"/>\n<Int value=\"-2\"/>\n</Obj>", true, false, kCounter},
      {xmlCounter + "<Int value=\"0\"/>\n<Int value=\"1\"/>\n</Obj>", true, false, kStats},
  };
  for (const auto& [bytes, xml, isKey, message] : cases) {
    std::unique_ptr<NTSequence> keyTarget(MakeKey({{9}}));
    std::unique_ptr<SequenceCounter> counterTarget(MakeCounter(9, 9, 9));
    EXPECT_EQ(message, isKey ? p_.Load(bytes, xml, keyTarget.get())
                             : p_.Load(bytes, xml, counterTarget.get()))
        << testing::PrintToString(bytes);
    EXPECT_TRUE(keyTarget->items()[0] == 9 && counterTarget->getCount() == 9) << "left alone";
  }
  HashtableSQPair table(3);
  for (const std::string& bytes : {"HX" + Int32(0), "HT" + Int32(-1), "HT" + Int32(1000) + key}) {
    EXPECT_EQ("Error reading HashtableSQPair!\n", p_.Load(bytes, false, &table));
  }
  EXPECT_EQ(
      "Error reading HashtableSQPair!\n",
      p_.Load("\n<Obj name=\"HashtableSQPair\">\n<Int value=\"99999\"/>\n</Obj>", true, &table));
  EXPECT_EQ(0, table.getSize());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
