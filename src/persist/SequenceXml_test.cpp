#include <gtest/gtest.h>

#include <memory>
#include <sstream>
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

// The value texts of a written object, in order, joined by blanks.
std::string Values(const std::string& text) {
  std::string values;
  for (size_t at = text.find("value=\""); at != std::string::npos;
       at = text.find("value=\"", at + 1)) {
    values += (values.empty() ? "" : " ") + text.substr(at + 7, text.find('"', at + 7) - at - 7);
  }
  return values;
}

class SequenceXmlTest : public testing::Test {
 protected:
  template <typename T>
  std::string Save(const T& object, size_t* count) {
    std::ostringstream os;
    *count = object.writeObjectXML(os);
    file_.Write(os.str());
    return os.str();
  }
  // Reads the file into *object; returns the stderr text when the reader throws, "" otherwise.
  template <typename T>
  std::string Load(T* object, size_t* count) {
    std::ifstream is = file_.OpenText();
    testing::internal::CaptureStderr();
    try {
      *count = object->readObjectXML(is);
    } catch (SeqExceptions::IOException* e) {
      delete e;
      return testing::internal::GetCapturedStderr();
    }
    testing::internal::GetCapturedStderr();
    return "";
  }

  TempFile file_;
  size_t count_ = 0;
};

TEST_F(SequenceXmlTest, CounterValuesAndCounts) {
  std::unique_ptr<SequenceCounter> bare(MakeCounter(3, 12, 2));
  const std::string text = Save(*bare, &count_);
  EXPECT_EQ("3 12 2 0 0", Values(text));
  EXPECT_EQ(0u, text.find("\n\t\t\t\t<Obj name=\"SequenceCounter\">\n\t\t\t\t\t<Int"));
  EXPECT_EQ(7u, count_);

  std::unique_ptr<SequenceCounter> full(MakeCounter(1, 2, 3));
  full->addAdjacentItem(4, 1);
  full->setStatsBucket(new StatsBucket(2, 0.5, -1, QxCommon_940::QxMV::Missing()));
  EXPECT_EQ("1 2 3 1 4 1 1 2 0.5 -1 Missing", Values(Save(*full, &count_)));
  EXPECT_EQ(7u + 2 + 6, count_);
  SequenceCounter restored;
  EXPECT_EQ("", Load(&restored, &count_));
  EXPECT_EQ(9u, count_) << "the bucket is not counted when read";
  EXPECT_EQ(1, restored.getNAdjacent());
  ASSERT_NE(nullptr, restored.getStatsBucket());
  EXPECT_EQ(0.5, restored.getStatsBucket()->getTotal());
  EXPECT_TRUE(QxCommon_940::QxMV::IsMissing(restored.getStatsBucket()->getMax()));
}

TEST_F(SequenceXmlTest, KeysAndTables) {
  std::unique_ptr<NTSequence> empty(MakeKey({}));
  EXPECT_EQ("0 0 0", Values(Save(*empty, &count_)));
  EXPECT_EQ(5u, count_);
  std::unique_ptr<NTSequence> key(MakeKey({{1, 2}, {3}}));
  EXPECT_EQ("3 3 1 2 3 2", Values(Save(*key, &count_)));
  EXPECT_EQ(8u, count_);
  NTSequence restored;
  EXPECT_EQ("", Load(&restored, &count_));
  EXPECT_EQ(8u, count_);
  EXPECT_TRUE(restored == *key);

  HashtableSQPair table(5);
  table.put(MakeKey({{1}}), MakeCounter(4, 0, 0));
  table.put(MakeKey({{2}}), MakeCounter(3, 1, 1));
  Save(table, &count_);
  EXPECT_EQ(3u + 2 * (6 + 7), count_);
  HashtableSQPair copy(1);
  EXPECT_EQ("", Load(&copy, &count_));
  EXPECT_EQ(29u, count_);
  EXPECT_EQ(2, copy.getSize());
}

TEST_F(SequenceXmlTest, CorruptObjectsReport) {
  const std::string counter =
      "\n<Obj name=\"SequenceCounter\">\n<Int value=\"1\"/>\n"
      "<Int value=\"1\"/>\n<Int value=\"1\"/>\n";
  SequenceCounter target;
  file_.Write(counter + "<Int value=\"-1\"/>\n<Int value=\"0\"/>\n</Obj>");
  EXPECT_EQ("Error reading SequenceCounter!\n", Load(&target, &count_)) << "negative links";
  file_.Write(counter + "<Int value=\"0\"/>\n<Int value=\"-2\"/>\n</Obj>");
  EXPECT_EQ("Error reading SequenceCounter!\n", Load(&target, &count_)) << "negative flag";
  file_.Write(counter + "<Int value=\"0\"/>\n<Int value=\"1\"/>\n</Obj>");
  EXPECT_EQ("Error reading StatsBucket!\n", Load(&target, &count_));
  EXPECT_EQ(0, target.getCount()) << "left alone";

  std::unique_ptr<NTSequence> key(MakeKey({{1}, {2}}));
  const std::string keyText = Save(*key, &count_);
  file_.Write(keyText.substr(0, keyText.rfind("<Int")) + "<Int value=\"1\"/>\n</Obj>");
  NTSequence keyTarget;
  EXPECT_EQ("Failure reading NTSequence!\n", Load(&keyTarget, &count_)) << "nSets disagrees";
  HashtableSQPair table(1);
  file_.Write("\n<Obj name=\"HashtableSQPair\">\n<Int value=\"1\"/>\n</Obj>");
  EXPECT_EQ("Failure reading NTSequence!\n", Load(&table, &count_));
  file_.Write("\n<Obj name=\"HashtableSQPair\">\n<Int value=\"99999\"/>\n</Obj>");
  EXPECT_EQ("Error reading HashtableSQPair!\n", Load(&table, &count_));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
