// Damaged saved dictionaries: every truncation of a small one, and random byte changes with a
// fixed seed. A reader either refuses (IOException, or a count of 0 from the XML reader) or
// restores a dictionary that saves and restores again to the same bytes. The sanitizers check
// that nothing crashes or leaks meanwhile.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

// Small tables keep each of the many restores cheap; the content has every kind of value.
SequenceDictionary* MakeSmallDictionary() {
  SeqDictionarySettings settings;
  settings.numberOfLevels = 3;
  for (std::int32_t& size : settings.tableSizes) size = 3;
  auto* dictionary = new SequenceDictionary(settings);
  std::unique_ptr<SequenceCounter> counter(testutil::MakeCounter(4, 1, 2));
  int one[2] = {1, 7};
  int two[3] = {2, 7, 9};
  int* sets[2] = {one, two};
  dictionary->addSequence(sets, 1, counter.get());
  dictionary->addSequence(sets + 1, 1, counter.get());
  SequenceCounter* stored = dictionary->getDescriptor(sets, 1);
  stored->addAdjacentItem(9, 0);
  stored->setStatsBucket(new StatsBucket(2, 0.5, -1, 1e300));
  dictionary->setMinGap(QxCommon_940::QxMV::Missing());
  return dictionary;
}

class PersistCorruptionTest : public testing::TestWithParam<bool> {
 protected:
  bool xml() const { return GetParam(); }

  // Returns true iff bytes restored into *dictionary.
  bool Restore(const std::string& bytes, SequenceDictionary* dictionary) {
    return persister_.Load(bytes, xml(), dictionary).empty() && persister_.count != 0;
  }
  std::string Save(SequenceDictionary& dictionary) { return persister_.Save(dictionary, xml()); }

  testutil::Persister persister_;
  std::unique_ptr<SequenceDictionary> sample_{MakeSmallDictionary()};
};

TEST_P(PersistCorruptionTest, EveryTruncationIsRefused) {
  const std::string full = Save(*sample_);
  // The XML text may lose its final ">" unnoticed: the reader takes it for a separator.
  const size_t refusedUpTo = xml() ? full.size() - 1 : full.size();
  for (size_t length = 0; length < refusedUpTo; ++length) {
    SequenceDictionary dictionary;
    EXPECT_FALSE(Restore(full.substr(0, length), &dictionary)) << length;
  }
}

TEST_P(PersistCorruptionTest, ChangedBytesAreRefusedOrRestoreStably) {
  std::mt19937 random(20240611);
  const std::string full = Save(*sample_);
  int restored = 0;
  for (int round = 0; round < 400; ++round) {
    std::string damaged = full;
    for (int i = 0, n = 1 + static_cast<int>(random() % 3); i < n; ++i) {
      damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
    }
    SequenceDictionary dictionary;
    if (!Restore(damaged, &dictionary)) continue;
    ++restored;
    const std::string saved = Save(dictionary);
    SequenceDictionary again;
    ASSERT_TRUE(Restore(saved, &again)) << round;
    EXPECT_EQ(saved, Save(again)) << round;
  }
  EXPECT_GT(restored, 0) << "changed counts, items and doubles stay well-formed";
}

INSTANTIATE_TEST_SUITE_P(BothForms, PersistCorruptionTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Xml" : "Binary";
                         });

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
