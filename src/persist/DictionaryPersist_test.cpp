// Saving and restoring whole dictionaries in both forms.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "persist/persist_testutil.h"
#include "sequence/AdjacentItemSet.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Canonical;
using testutil::MakeKey;
using testutil::Walk;

// Parameter: the form, true for object XML.
class DictionaryPersistTest : public testing::TestWithParam<bool> {
 protected:
  bool xml() const { return GetParam(); }

  // Returns true iff bytes restored into *dictionary, which had its cancel flag raised.
  bool Restores(const std::string& bytes, SequenceDictionary* dictionary) {
    dictionary->setCancel();
    return p_.Load(bytes, xml(), dictionary).empty() && p_.count != 0 && !dictionary->isCancelled();
  }
  // Saves dictionary and restores it over one that held other content; checks the content.
  std::unique_ptr<SequenceDictionary> RoundTrip(SequenceDictionary& dictionary) {
    std::unique_ptr<SequenceDictionary> restored(testutil::RandomDictionary(99));
    EXPECT_TRUE(Restores(p_.Save(dictionary, xml()), restored.get()));
    EXPECT_EQ(Canonical(dictionary), Canonical(*restored));
    // The links read back are kept by their tables, not one allocation per counter.
    for (int level = 0; level < restored->getNumberOfLevels(); ++level) {
      const HashtableSQPair& table = *restored->getLevelTable(level);
      for (auto it = table.begin(); it != table.end(); ++it) {
        const AdjacentItemSet* links = it->value ? it->value->getAdjacentItems() : nullptr;
        EXPECT_TRUE(links == nullptr || links->size() == 0 || links->isView()) << level;
      }
    }
    return restored;
  }

  testutil::Persister p_;
};

TEST_P(DictionaryPersistTest, RestoresTheContentWithTablesRebuiltEntryByEntryInSavedOrder) {
  int reordered = 0;
  for (unsigned seed = 0; seed < 40; ++seed) {
    std::unique_ptr<SequenceDictionary> saved(testutil::RandomDictionary(seed));
    saved->setSlidingWindow(1.0 / 3.0);
    const std::unique_ptr<SequenceDictionary> restored = RoundTrip(*saved);
    EXPECT_EQ(xml() ? 0.333333333333333 : 1.0 / 3.0, restored->getSlidingWindow());
    // Each level rebuilt as the readers do: a table of the saved initial size (level 0 holding
    // the empty sequence, as created), then every saved entry stored by putOverwrite in the
    // order saved, which is the order the saved table walked.
    for (int level = 0; level < saved->getNumberOfLevels(); ++level) {
      HashtableSQPair replay(saved->getSettings().tableSizeOfLevel(level));
      if (level == 0) replay.put(MakeKey({}), nullptr);
      const HashtableSQPair& original = *saved->getLevelTable(level);
      for (auto it = original.begin(); it != original.end(); ++it) {
        replay.putOverwrite(new NTSequence(*it->key), nullptr);
      }
      EXPECT_EQ(Walk(replay), Walk(*restored->getLevelTable(level))) << seed << ": " << level;
      reordered += Walk(replay) != Walk(original);
    }
  }
  EXPECT_GT(reordered, 0) << "no table came back in another order than saved";
}

TEST_P(DictionaryPersistTest, WhatTheWritersWriteReadsBackWithTheCountsPromised) {
  SeqDictionarySettings large;
  for (std::int32_t& size : large.tableSizes) size = 600000;
  SequenceDictionary wide(large);
  EXPECT_EQ(600000, RoundTrip(wide)->getLevelTable(7)->getCapacity());

  // The ready-made tables constructor stores what it is given: a second key at level 0, a key of
  // two items at level 1, links that no extension has.
  auto** tables = new HashtableSQPair* [3] {
    new HashtableSQPair(1), new HashtableSQPair(1), new HashtableSQPair(1)
  };
  tables[0]->put(MakeKey({}), new SequenceCounter(0, 4, nullptr));
  tables[0]->put(MakeKey({{3}}), new SequenceCounter(0, 1, nullptr));
  SequenceCounter* one = new SequenceCounter(0, 2, nullptr);
  one->addAdjacentItem(5, 99);
  one->addAdjacentItem(6, -1);
  one->setStatsBucket(new StatsBucket());
  tables[1]->put(MakeKey({{1}}), one);
  tables[1]->put(MakeKey({{1, 2}}), new SequenceCounter(0, 1, nullptr));
  SequenceDictionary odd(tables, 3);
  // Binary: 35, 6 per table, per key 16 and 4 per item, per counter 23 and 8 per link, 30 per
  // statistics (34 bytes); the settings' 42 bytes are not counted. Text (levels 0 and 1): 8, 3
  // per table, per key 5 and 1 per item, per counter 7 and 2 per link, 6 per statistics when
  // written; a reader counts 19 instead of 8 and no statistics.
  const std::string saved = p_.Save(odd, xml());
  EXPECT_EQ(xml() ? 76u : 271u, p_.count);
  EXPECT_EQ(xml() ? saved.size() : 271u + 42 + 4, saved.size());
  RoundTrip(odd);
  EXPECT_EQ(xml() ? 81u : 271u, p_.count);
}

TEST_P(DictionaryPersistTest, TruncatedDictionariesAreRefused) {
  std::unique_ptr<SequenceDictionary> sample(testutil::RandomDictionary(7));
  const std::string full = p_.Save(*sample, xml());
  // The XML text may lose its final ">" unnoticed: the reader takes it for a separator.
  for (size_t length = 0; length + (xml() ? 1 : 0) < full.size(); ++length) {
    SequenceDictionary dictionary;
    EXPECT_FALSE(Restores(full.substr(0, length), &dictionary)) << length;
  }
}

INSTANTIATE_TEST_SUITE_P(BothForms, DictionaryPersistTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Xml" : "Binary";
                         });

TEST(DictionaryFormTest, HeadersOldTextsRefusalsAndBadStreams) {
  testutil::Persister p;
  std::unique_ptr<SequenceDictionary> sample(testutil::RandomDictionary(1));
  const std::string bytes = p.Save(*sample, false);
  EXPECT_EQ("SD1DS", bytes.substr(0, 5));
  SequenceDictionary target;
  for (char levels : {0, 33}) {
    EXPECT_EQ("Error reading SeqDictionarySettings!\n",
              p.Load(bytes.substr(0, 37) + levels + bytes.substr(38), false, &target));
  }
  // Version "1.0" texts have no minimum support.
  std::string text = p.Save(*sample, true);
  const size_t first = text.find(
      "\n\t\t<Double value=\"0\"/>\n\t\t<Double value=\"0.125\"/>\n\t\t"
      "<Double value=\"Missing\"/>");
  text.erase(first, text.find('\n', first + 1) - first);
  EXPECT_TRUE(p.Load(text, true, &target).empty() && p.count == 0) << "one value short";
  std::ifstream is(p.path());
  EXPECT_TRUE(target.readObjectXML(is, "1.0") != 0 && target.getMaxGap() == 1e20);
  // Largest level 4 with 4 levels; no levels.
  SequenceDictionary plain(4);
  const std::string plainText = p.Save(plain, true);
  const size_t largest = plainText.find("<Int value=\"0\"/>", plainText.find("<Int") + 1) + 12;
  EXPECT_TRUE(p.Load(std::string(plainText).replace(largest, 1, "4"), true, &target).empty() &&
              p.count == 0);
  const size_t levels = plainText.find("<Int value=\"4\"/>") + 12;
  EXPECT_EQ("(no message)", p.Load(std::string(plainText).replace(levels, 1, "0"), true, &target));

  std::ostringstream os;
  std::fstream fs;
  os.setstate(std::ios::badbit);
  fs.setstate(std::ios::badbit);
  testing::internal::CaptureStdout();
  EXPECT_EQ("(no message)", testutil::ReadMessage([&] { sample->writeObjectXML(os); }));
  EXPECT_EQ("(no message)", testutil::ReadMessage([&] { sample->writeObject(fs); }));
  EXPECT_EQ(
      "Bad stream for saving SequenceDictionary to XML!\nBad stream for saving "
      "SequenceDictionary!\n",
      testing::internal::GetCapturedStdout());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
