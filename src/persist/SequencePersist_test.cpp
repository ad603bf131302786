// The keys, counters, statistics and tables in both saved forms: exact layouts, returned counts,
// and the messages of corrupt objects.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeCounter;
using testutil::MakeKey;
using testutil::ReadMessage;

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
  template <typename T>
  std::string SaveBinary(const T& object) {
    std::fstream fs = file_.Open(true);
    count_ = object.writeObject(fs);
    fs.close();
    return file_.Read();
  }
  template <typename T>
  std::string SaveXml(const T& object) {
    std::ostringstream os;
    count_ = object.writeObjectXML(os);
    return os.str();
  }
  // Reads bytes with the binary or the XML reader; returns ReadMessage's text.
  template <typename T>
  std::string Load(const std::string& bytes, bool xml, T* object) {
    file_.Write(bytes);
    return ReadMessage([&] {
      if (xml) {
        std::ifstream is = file_.OpenText();
        count_ = object->readObjectXML(is);
      } else {
        std::fstream fs = file_.Open(false);
        count_ = object->readObject(fs);
      }
    });
  }

  testutil::TempFile file_;
  size_t count_ = 0;
};

TEST_F(SequencePersistTest, LayoutsAndCounts) {
  std::unique_ptr<SequenceCounter> bare(MakeCounter(3, 12, 2));
  EXPECT_EQ(std::string("SD\0", 3) + Int32(3) + Int32(12) + Int32(2) + Int32(0) + Int32(0),
            SaveBinary(*bare));
  EXPECT_EQ(23u, count_);
  const std::string bareText = SaveXml(*bare);
  EXPECT_EQ("3 12 2 0 0", Values(bareText));
  EXPECT_EQ(0u, bareText.find("\n\t\t\t\t<Obj name=\"SequenceCounter\">\n\t\t\t\t\t<Int"));
  EXPECT_EQ(7u, count_);

  std::unique_ptr<SequenceCounter> full(MakeCounter(-4, 2, 0));
  full->addAdjacentItem(8, 1);
  full->addAdjacentItem(5, 2);
  full->setStatsBucket(new StatsBucket(1, 0.5, -1, QxCommon_940::QxMV::Missing()));
  const std::string bytes = SaveBinary(*full);
  EXPECT_EQ(53u + 16, count_) << "a bucket counts 30";
  EXPECT_EQ(23u + 16 + 34, bytes.size());
  EXPECT_EQ(Int32(5) + Int32(2) + Int32(8) + Int32(1), bytes.substr(19, 16)) << "set order";
  EXPECT_EQ("-4 2 0 2 5 2 8 1 1 1 0.5 -1 Missing", Values(SaveXml(*full)));
  EXPECT_EQ(7u + 4 + 6, count_);
  for (bool xml : {false, true}) {
    SequenceCounter restored;
    ASSERT_EQ("", Load(xml ? SaveXml(*full) : bytes, xml, &restored));
    EXPECT_EQ(xml ? 11u : 69u, count_) << "the XML reader does not count the bucket";
    EXPECT_EQ(-4, restored.getCount());
    EXPECT_EQ(*full->getAdjacentItems(), *restored.getAdjacentItems());
    EXPECT_TRUE(QxCommon_940::QxMV::IsMissing(restored.getStatsBucket()->getMax()));
  }

  std::unique_ptr<NTSequence> empty(MakeKey({}));
  EXPECT_EQ(std::string("NT:\0", 4) + Int32(0) + Int32(0) + Int32(0), SaveBinary(*empty));
  EXPECT_EQ(16u, count_);
  EXPECT_EQ("0 0 0", Values(SaveXml(*empty)));
  EXPECT_EQ(5u, count_);
  std::unique_ptr<NTSequence> key(MakeKey({{1, 2}, {-3}}));
  EXPECT_EQ(
      std::string("NT:\0", 4) + Int32(3) + Int32(3) + Int32(1) + Int32(2) + Int32(-3) + Int32(2),
      SaveBinary(*key));
  EXPECT_EQ(28u, count_);
  EXPECT_EQ("3 3 1 2 -3 2", Values(SaveXml(*key)));
  EXPECT_EQ(8u, count_);

  HashtableSQPair table(7);
  EXPECT_EQ("HT" + Int32(0), SaveBinary(table));
  EXPECT_EQ(6u, count_);
  table.put(MakeKey({{4}}), MakeCounter(2, 0, 0));
  table.put(MakeKey({{5}}), nullptr);
  for (bool xml : {false, true}) {
    const std::string saved = xml ? SaveXml(table) : SaveBinary(table);
    const size_t written = count_;
    EXPECT_EQ(xml ? 3u + 2 * (6 + 7) : 6u + 2 * (20 + 23), written);
    HashtableSQPair copy(1);
    ASSERT_EQ("", Load(saved, xml, &copy));
    EXPECT_EQ(written, count_);
    std::unique_ptr<NTSequence> five(MakeKey({{5}}));
    ASSERT_NE(nullptr, copy.get(five.get()));
    EXPECT_EQ(0, copy.get(five.get())->value->getCount()) << "no counter is saved as zeros";
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
  const struct {
    std::string bytes;
    bool xml;
    bool isKey;
    const char* message;
  } cases[] = {
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
  for (const auto& c : cases) {
    std::unique_ptr<NTSequence> keyTarget(MakeKey({{9}}));
    std::unique_ptr<SequenceCounter> counterTarget(MakeCounter(9, 9, 9));
    EXPECT_EQ(c.message, c.isKey ? Load(c.bytes, c.xml, keyTarget.get())
                                 : Load(c.bytes, c.xml, counterTarget.get()))
        << testing::PrintToString(c.bytes);
    EXPECT_EQ(9, keyTarget->items()[0]);
    EXPECT_EQ(9, counterTarget->getCount());
  }
  HashtableSQPair table(3);
  for (const std::string& bytes : {"HX" + Int32(0), "HT" + Int32(-1), "HT" + Int32(1000) + key}) {
    EXPECT_EQ("Error reading HashtableSQPair!\n", Load(bytes, false, &table));
  }
  EXPECT_EQ("Error reading HashtableSQPair!\n",
            Load("\n<Obj name=\"HashtableSQPair\">\n<Int value=\"99999\"/>\n</Obj>", true, &table));
  EXPECT_EQ(0, table.getSize());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
