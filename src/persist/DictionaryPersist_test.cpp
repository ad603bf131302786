#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "persist/XMLObj.h"
#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Describe;
using testutil::MakeCounter;
using testutil::MakeKey;
using testutil::MakeSampleDictionary;
using testutil::TempFile;

// The counts the two forms promise, computed from the content: per entry the key's and the
// counter's numbers (the bucket only when writing), per table its header.
struct ExpectedCounts {
  size_t binary = 35;
  size_t binaryBytes = 35 + 42;
  size_t xmlWrite = 8;
  size_t xmlRead = 19;
};

ExpectedCounts Expect(const SequenceDictionary& dictionary) {
  ExpectedCounts e;
  const int largest = dictionary.LargestSequence();
  for (int level = 0; level < dictionary.getNumberOfLevels(); ++level) {
    const bool inText = level <= largest;
    e.binary += 6;
    e.binaryBytes += 6;
    e.xmlWrite += inText ? 3 : 0;
    e.xmlRead += inText ? 3 : 0;
    const HashtableSQPair* table = dictionary.getLevelTable(level);
    for (auto it = table->begin(); it != table->end(); ++it) {
      const size_t n = it->key->size();
      const size_t a = it->value->getNAdjacent();
      const bool stats = it->value->getStatsBucket() != nullptr;
      e.binary += 16 + 4 * n + 23 + 8 * a + (stats ? 30 : 0);
      e.binaryBytes += 16 + 4 * n + 23 + 8 * a + (stats ? 34 : 0);
      e.xmlWrite += inText ? 5 + n + 7 + 2 * a + (stats ? 6 : 0) : 0;
      e.xmlRead += inText ? 5 + n + 7 + 2 * a : 0;
    }
  }
  return e;
}

class DictionaryPersistTest : public testing::Test {
 protected:
  std::string SaveBinary(SequenceDictionary& dictionary, size_t* count) {
    std::fstream fs = file_.Open(true);
    *count = dictionary.writeObject(fs);
    fs.close();
    return file_.Read();
  }
  std::string SaveXml(SequenceDictionary& dictionary, size_t* count) {
    std::ostringstream os;
    os << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE QxXMLRoot SYSTEM \""
       << QxXML_940::kObjectXMLSystemId << "\">\n";
    QxXML_940::WriteHeader(os, "carmaseq test");
    *count = dictionary.writeObjectXML(os);
    QxXML_940::EndHeader(os);
    return os.str();
  }
  // Reads bytes into *dictionary; returns the stderr text when the reader throws, "" otherwise.
  std::string LoadBinary(const std::string& bytes, SequenceDictionary* dictionary) {
    file_.Write(bytes);
    std::fstream fs = file_.Open(false);
    return Catch([&] { count_ = dictionary->readObject(fs); });
  }
  std::string LoadXml(const std::string& text, SequenceDictionary* dictionary,
                      const std::string& version = "") {
    file_.Write(text);
    std::ifstream is = file_.OpenText();
    if (!QxXML_940::ParseStartXML(is)) return "bad frame";
    return Catch([&] { count_ = dictionary->readObjectXML(is, version); });
  }
  template <typename F>
  static std::string Catch(F read) {
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

  TempFile file_;
  size_t count_ = 0;
  std::unique_ptr<SequenceDictionary> sample_{MakeSampleDictionary()};
};

TEST_F(DictionaryPersistTest, BinaryRoundTripRestoresEverythingAndSavesTheSameBytes) {
  sample_->setSlidingWindow(1.0 / 3.0);  // Doubles keep all their bits (unlike XML's 15 digits).
  const ExpectedCounts expected = Expect(*sample_);
  size_t written = 0;
  const std::string bytes = SaveBinary(*sample_, &written);
  EXPECT_EQ(expected.binary, written);
  EXPECT_EQ(expected.binaryBytes, bytes.size());
  EXPECT_EQ("SD1DS", bytes.substr(0, 5));

  SequenceDictionary restored(3);  // Not a shell: restoring replaces what it holds.
  restored.setCancel();
  ASSERT_EQ("", LoadBinary(bytes, &restored));
  EXPECT_EQ(written, count_);
  EXPECT_EQ(Describe(*sample_), Describe(restored));
  EXPECT_FALSE(restored.isCancelled());
  size_t again = 0;
  EXPECT_EQ(bytes, SaveBinary(restored, &again));

  SeqDictionarySettings small;
  small.numberOfLevels = 2;
  small.tableSizes[1] = 1;  // Grows while entries arrive, and again while they are restored.
  SequenceDictionary grown(small);
  std::unique_ptr<SequenceCounter> counter(MakeCounter(1, 0, 0));
  // Keys whose chains a growing table reorders (found by simulating the table).
  for (int item : {3, 4, 126, 9, 43, 65, 142, 11, 59, 196, 22, 135}) {
    int set[2] = {1, item};
    int* sets[1] = {set};
    grown.addSequence(sets, 1, counter.get());
  }
  const std::string grownBytes = SaveBinary(grown, &written);
  EXPECT_EQ('0', grownBytes[2]);
  SequenceDictionary grownCopy;
  ASSERT_EQ("", LoadBinary(grownBytes, &grownCopy));
  EXPECT_EQ(grownBytes, SaveBinary(grownCopy, &again)) << "chains rebuilt in the same order";
}

TEST_F(DictionaryPersistTest, XmlRoundTripRestoresEverythingAndSavesTheSameText) {
  const ExpectedCounts expected = Expect(*sample_);
  size_t written = 0;
  const std::string text = SaveXml(*sample_, &written);
  EXPECT_EQ(expected.xmlWrite, written);
  EXPECT_NE(std::string::npos, text.find("\n\t\t<Double value=\"Missing\"/>"));

  SequenceDictionary restored;
  ASSERT_EQ("", LoadXml(text, &restored));
  EXPECT_EQ(expected.xmlRead, count_);
  EXPECT_EQ(Describe(*sample_), Describe(restored));
  size_t again = 0;
  EXPECT_EQ(text, SaveXml(restored, &again));

  SequenceDictionary plain(5);
  SequenceDictionary plainCopy;
  ASSERT_EQ("", LoadXml(SaveXml(plain, &written), &plainCopy));
  EXPECT_EQ(Describe(plain), Describe(plainCopy));
}

TEST_F(DictionaryPersistTest, Version10TextsHaveNoMinimumSupport) {
  size_t written = 0;
  std::string text = SaveXml(*sample_, &written);
  const size_t first = text.find("\n\t\t<Double");
  text.erase(first, text.find('\n', first + 1) - first);
  SequenceDictionary restored;
  ASSERT_EQ("", LoadXml(text, &restored, "1.0"));
  EXPECT_EQ(Expect(*sample_).xmlRead - 1, count_);
  EXPECT_EQ(0.0, restored.getMinimumSupport());
  EXPECT_EQ(1e20, restored.getMaxGap());
  ASSERT_EQ("", LoadXml(text, &restored));
  EXPECT_EQ(0u, count_) << "without the version the text is one value short";
}

TEST_F(DictionaryPersistTest, RejectsStructuresTheEngineCannotUse) {
  size_t written = 0;
  const std::string text = SaveXml(*sample_, &written);
  std::string tooLarge = text;
  tooLarge.replace(tooLarge.find("<Int value=\"2\"/>"), 16, "<Int value=\"4\"/>");
  SequenceDictionary target;
  EXPECT_EQ("", LoadXml(tooLarge, &target));
  EXPECT_EQ(0u, count_) << "largest level 4 with 4 levels";

  std::string noLevels = text;
  noLevels.replace(noLevels.find("<Int value=\"4\"/>"), 16, "<Int value=\"0\"/>");
  EXPECT_EQ("(no message)", LoadXml(noLevels, &target));

  const std::string bytes = SaveBinary(*sample_, &written);
  for (int levels : {0, 33}) {
    std::string changed = bytes;
    changed[3 + 34] = static_cast<char>(levels);
    EXPECT_EQ("Error reading SeqDictionarySettings!\n", LoadBinary(changed, &target)) << levels;
  }

  for (int bad = 0; bad < 2; ++bad) {
    auto** tables = new HashtableSQPair*[2];
    tables[0] = new HashtableSQPair(1);
    tables[1] = new HashtableSQPair(1);
    tables[0]->put(MakeKey({}), MakeCounter(1, 0, 0));
    SequenceCounter* counter = MakeCounter(1, 0, 0);
    counter->addAdjacentItem(5, bad == 0 ? 2 : 3);  // Slot 2 needs a second set.
    tables[1]->put(bad == 0 ? MakeKey({{1}}) : MakeKey({{1}, {2}}), counter);
    SequenceDictionary broken(tables, 2);
    EXPECT_EQ("Error reading HashtableSQPair!\n",
              LoadBinary(SaveBinary(broken, &written), &target));
  }
}

TEST_F(DictionaryPersistTest, WritersRefuseBadStreams) {
  std::ostringstream os;
  os.setstate(std::ios::badbit);
  std::fstream fs;
  fs.setstate(std::ios::badbit);
  testing::internal::CaptureStdout();
  EXPECT_EQ("(no message)", Catch([&] { sample_->writeObjectXML(os); }));
  EXPECT_EQ("(no message)", Catch([&] { sample_->writeObject(fs); }));
  EXPECT_EQ(
      "Bad stream for saving SequenceDictionary to XML!\nBad stream for saving "
      "SequenceDictionary!\n",
      testing::internal::GetCapturedStdout());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
