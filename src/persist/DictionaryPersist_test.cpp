// Saving and restoring whole dictionaries in both forms.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "persist/XMLObj.h"
#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Describe;
using testutil::MakeCounter;
using testutil::MakeKey;
using testutil::ReadMessage;

// The counts both forms promise, computed from the content: per entry the key's and the
// counter's numbers (the XML reader leaves out the bucket), per table its header.
struct Counts {
  size_t binary = 35, binaryBytes = 35 + 42, xmlWrite = 8, xmlRead = 19;  // Settings: 42 bytes.
};

Counts Expected(const SequenceDictionary& dictionary) {
  Counts e;
  for (int level = 0; level < dictionary.getNumberOfLevels(); ++level) {
    const size_t inText = level <= dictionary.LargestSequence() ? 1 : 0;
    e.binary += 6, e.binaryBytes += 6, e.xmlWrite += 3 * inText, e.xmlRead += 3 * inText;
    const HashtableSQPair* table = dictionary.getLevelTable(level);
    for (auto it = table->begin(); it != table->end(); ++it) {
      const size_t n = it->key->size();
      const size_t a = it->value->getNAdjacent();
      const size_t stats = it->value->getStatsBucket() != nullptr ? 1 : 0;
      e.binary += 16 + 4 * n + 23 + 8 * a + 30 * stats;
      e.binaryBytes += 16 + 4 * n + 23 + 8 * a + 34 * stats;
      e.xmlWrite += inText * (5 + n + 7 + 2 * a + 6 * stats);
      e.xmlRead += inText * (5 + n + 7 + 2 * a);
    }
  }
  return e;
}

class DictionaryPersistTest : public testing::Test {
 protected:
  // The whole document, as an application writes it.
  std::string SaveXml(SequenceDictionary& dictionary) {
    std::ostringstream os;
    os << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE QxXMLRoot SYSTEM \""
       << QxXML_940::kObjectXMLSystemId << "\">\n";
    QxXML_940::WriteHeader(os, "carmaseq test");
    p_.count = dictionary.writeObjectXML(os);
    QxXML_940::EndHeader(os);
    return os.str();
  }
  std::string LoadXml(const std::string& text, SequenceDictionary* dictionary,
                      const std::string& version = "") {
    file_.Write(text);
    std::ifstream is = file_.OpenText();
    if (!QxXML_940::ParseStartXML(is)) return "bad frame";
    return ReadMessage([&] { p_.count = dictionary->readObjectXML(is, version); });
  }

  testutil::Persister p_;
  testutil::TempFile file_;
  std::unique_ptr<SequenceDictionary> sample_{testutil::MakeSampleDictionary()};
};

TEST_F(DictionaryPersistTest, BinaryRoundTripRestoresEverythingAndSavesTheSameBytes) {
  sample_->setSlidingWindow(1.0 / 3.0);  // Doubles keep all their bits (unlike XML's 15 digits).
  const Counts expected = Expected(*sample_);
  const std::string bytes = p_.Save(*sample_, false);
  EXPECT_EQ(expected.binary, p_.count);
  EXPECT_EQ(expected.binaryBytes, bytes.size());
  EXPECT_EQ("SD1DS", bytes.substr(0, 5));
  SequenceDictionary restored(3);  // Not a shell: restoring replaces what it holds.
  restored.setCancel();
  ASSERT_EQ("", p_.Load(bytes, false, &restored));
  EXPECT_EQ(expected.binary, p_.count);
  EXPECT_EQ(Describe(*sample_), Describe(restored));
  EXPECT_FALSE(restored.isCancelled());
  EXPECT_EQ(bytes, p_.Save(restored, false));

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
  const std::string grownBytes = p_.Save(grown, false);
  EXPECT_EQ('0', grownBytes[2]);
  SequenceDictionary grownCopy;
  ASSERT_EQ("", p_.Load(grownBytes, false, &grownCopy));
  EXPECT_EQ(grownBytes, p_.Save(grownCopy, false)) << "chains rebuilt in the same order";
}

TEST_F(DictionaryPersistTest, XmlRoundTripRestoresEverythingAndSavesTheSameTextAlsoVersion10) {
  const Counts expected = Expected(*sample_);
  const std::string text = SaveXml(*sample_);
  EXPECT_EQ(expected.xmlWrite, p_.count);
  EXPECT_NE(std::string::npos, text.find("\n\t\t<Double value=\"Missing\"/>"));
  SequenceDictionary restored;
  ASSERT_EQ("", LoadXml(text, &restored));
  EXPECT_EQ(expected.xmlRead, p_.count);
  EXPECT_EQ(Describe(*sample_), Describe(restored));
  EXPECT_EQ(text, SaveXml(restored));

  SequenceDictionary plain(5);
  SequenceDictionary plainCopy;
  ASSERT_EQ("", LoadXml(SaveXml(plain), &plainCopy));
  EXPECT_EQ(Describe(plain), Describe(plainCopy));

  // Version "1.0" texts have no minimum support.
  std::string old = text;
  const size_t first = old.find("\n\t\t<Double");
  old.erase(first, old.find('\n', first + 1) - first);
  SequenceDictionary version10;
  ASSERT_EQ("", LoadXml(old, &version10, "1.0"));
  EXPECT_EQ(expected.xmlRead - 1, p_.count);
  EXPECT_TRUE(version10.getMinimumSupport() == 0.0 && version10.getMaxGap() == 1e20);
  ASSERT_EQ("", LoadXml(old, &version10));
  EXPECT_EQ(0u, p_.count) << "without the version the text is one value short";
}

TEST_F(DictionaryPersistTest, RejectsStructuresTheEngineCannotUseAndBadStreams) {
  const std::string text = SaveXml(*sample_);
  SequenceDictionary target;
  std::string changed = text;
  changed.replace(changed.find("<Int value=\"2\"/>"), 16, "<Int value=\"4\"/>");
  EXPECT_EQ("", LoadXml(changed, &target));
  EXPECT_EQ(0u, p_.count) << "largest level 4 with 4 levels";
  changed = text;
  changed.replace(changed.find("<Int value=\"4\"/>"), 16, "<Int value=\"0\"/>");
  EXPECT_EQ("(no message)", LoadXml(changed, &target)) << "no levels";

  const std::string bytes = p_.Save(*sample_, false);
  for (int levels : {0, 33}) {
    changed = bytes;
    changed[3 + 34] = static_cast<char>(levels);
    EXPECT_EQ("Error reading SeqDictionarySettings!\n", p_.Load(changed, false, &target)) << levels;
  }
  for (bool wrongSize : {false, true}) {
    auto** tables = new HashtableSQPair* [2] { new HashtableSQPair(1), new HashtableSQPair(1) };
    tables[0]->put(MakeKey({}), MakeCounter(1, 0, 0));
    SequenceCounter* counter = MakeCounter(1, 0, 0);
    counter->addAdjacentItem(5, wrongSize ? 3 : 2);  // Slot 2 needs a second set.
    tables[1]->put(wrongSize ? MakeKey({{1}, {2}}) : MakeKey({{1}}), counter);
    SequenceDictionary broken(tables, 2);
    EXPECT_EQ("Error reading HashtableSQPair!\n", p_.Load(p_.Save(broken, false), false, &target));
    EXPECT_EQ(0, target.getLevelTable(1)->getSize()) << "the bad level is not left behind";
    EXPECT_EQ(1, target.getLevelTable(0)->getSize());
  }

  // Writers refuse bad streams.
  std::ostringstream os;
  os.setstate(std::ios::badbit);
  std::fstream fs;
  fs.setstate(std::ios::badbit);
  testing::internal::CaptureStdout();
  EXPECT_EQ("(no message)", ReadMessage([&] { sample_->writeObjectXML(os); }));
  EXPECT_EQ("(no message)", ReadMessage([&] { sample_->writeObject(fs); }));
  EXPECT_EQ(
      "Bad stream for saving SequenceDictionary to XML!\nBad stream for saving "
      "SequenceDictionary!\n",
      testing::internal::GetCapturedStdout());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
