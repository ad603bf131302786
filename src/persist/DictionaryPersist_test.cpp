// Saving and restoring whole dictionaries in both forms.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Canonical;
using testutil::MakeCounter;
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
  tables[0]->put(MakeKey({}), MakeCounter(4, 0));
  tables[0]->put(MakeKey({{3}}), MakeCounter(1, 0));
  SequenceCounter* one = MakeCounter(2, 0);
  one->addAdjacentItem(5, 99);
  one->addAdjacentItem(6, -1);
  one->setStatsBucket(new StatsBucket());
  tables[1]->put(MakeKey({{1}}), one);
  tables[1]->put(MakeKey({{1, 2}}), MakeCounter(1, 0));
  SequenceDictionary odd(tables, 3);
  // Per key 16 bytes and 4 per item, per counter 23 and 8 per link, 34 per statistics, 6 per
  // table; the settings' 42 bytes are not counted. Per key 5 values and 1 per item, per counter
  // 7 and 2 per link and 6 per statistics (not read), 3 per table of levels 0 to 1.
  const std::string saved = p_.Save(odd, xml());
  EXPECT_EQ(xml() ? 8 + 3 * 2 + 5 * 4 + 4 + 7 * 4 + 4 + 6
                  : 35 + 6 * 3 + 16 * 4 + 4 * 4 + 23 * 4 + 16 + 30,
            p_.count);
  EXPECT_EQ(xml() ? saved.size() : p_.count + 42 + 4, saved.size());
  RoundTrip(odd);
  EXPECT_EQ(
      xml() ? 19 + 3 * 2 + 5 * 4 + 4 + 7 * 4 + 4 : 35 + 6 * 3 + 16 * 4 + 4 * 4 + 23 * 4 + 16 + 30,
      p_.count);
}

TEST_P(DictionaryPersistTest, DamagedDictionariesAreRefusedOrRestoreStably) {
  std::unique_ptr<SequenceDictionary> sample(testutil::RandomDictionary(7));
  const std::string full = p_.Save(*sample, xml());
  // The XML text may lose its final ">" unnoticed: the reader takes it for a separator.
  for (size_t length = 0; length + (xml() ? 1 : 0) < full.size(); ++length) {
    SequenceDictionary dictionary;
    EXPECT_FALSE(Restores(full.substr(0, length), &dictionary)) << length;
  }
  // Bytes changed after the settings (which may ask for tables of any size): a restored
  // dictionary saves and restores again to the same content.
  const size_t settingsEnd = xml() ? full.find("HashtableSQPair") : 45;
  std::mt19937 random(20240611);
  int restored = 0;
  for (int round = 0; round < 300; ++round) {
    std::string damaged = full;
    for (int i = 0, n = 1 + static_cast<int>(random() % 3); i < n; ++i) {
      damaged[settingsEnd + random() % (full.size() - settingsEnd)] = static_cast<char>(random());
    }
    SequenceDictionary dictionary;
    SequenceDictionary again;
    if (!Restores(damaged, &dictionary)) continue;
    ++restored;
    ASSERT_TRUE(Restores(p_.Save(dictionary, xml()), &again)) << round;
    EXPECT_EQ(Canonical(dictionary), Canonical(again)) << round;
  }
  EXPECT_GT(restored, 0) << "changed counts, items and doubles stay well-formed";
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
  EXPECT_TRUE(p.Load(text, true, &target, "1.0").empty() && target.getMaxGap() == 1e20);
  EXPECT_TRUE(p.Load(text, true, &target).empty() && p.count == 0) << "one value short";
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
