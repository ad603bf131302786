// Damaged saved dictionaries: every truncation of a small one, and random byte changes with a
// fixed seed. A reader either restores a dictionary that saves and restores again to the same
// bytes, or refuses with IOException (the XML reader may also return 0); it never crashes and
// never leaks (the sanitizers check both).
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "persist/persist_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::TempFile;

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

enum class Outcome { kRefused, kReturnedZero, kRestored };

class PersistCorruptionTest : public testing::Test {
 protected:
  // Restores bytes into *dictionary with the binary or the XML reader.
  Outcome Restore(const std::string& bytes, bool xml, SequenceDictionary* dictionary) {
    file_.Write(bytes);
    testing::internal::CaptureStderr();
    Outcome outcome = Outcome::kRestored;
    try {
      if (xml) {
        std::ifstream is = file_.OpenText();
        if (dictionary->readObjectXML(is) == 0) outcome = Outcome::kReturnedZero;
      } else {
        std::fstream fs = file_.Open(false);
        dictionary->readObject(fs);
      }
    } catch (SeqExceptions::IOException* e) {
      delete e;
      outcome = Outcome::kRefused;
    }
    testing::internal::GetCapturedStderr();
    return outcome;
  }

  std::string Save(SequenceDictionary& dictionary, bool xml) {
    if (xml) {
      std::ostringstream os;
      dictionary.writeObjectXML(os);
      return os.str();
    }
    std::fstream fs = file_.Open(true);
    dictionary.writeObject(fs);
    fs.close();
    return file_.Read();
  }

  // A restored dictionary must survive another round trip unchanged.
  void ExpectStable(SequenceDictionary& restored, bool xml, const std::string& context) {
    const std::string saved = Save(restored, xml);
    SequenceDictionary again;
    ASSERT_EQ(Outcome::kRestored, Restore(saved, xml, &again)) << context;
    EXPECT_EQ(saved, Save(again, xml)) << context;
  }

  TempFile file_;
  std::unique_ptr<SequenceDictionary> sample_{MakeSmallDictionary()};
};

TEST_F(PersistCorruptionTest, EveryTruncationIsRefused) {
  for (bool xml : {false, true}) {
    const std::string full = Save(*sample_, xml);
    for (size_t length = 0; length < full.size(); ++length) {
      SequenceDictionary dictionary;
      const Outcome outcome = Restore(full.substr(0, length), xml, &dictionary);
      // Only the closing ">" of the XML text may go missing unnoticed: it is a separator.
      if (xml && length == full.size() - 1) continue;
      EXPECT_NE(Outcome::kRestored, outcome) << (xml ? "xml " : "binary ") << length;
    }
  }
}

TEST_F(PersistCorruptionTest, ChangedBytesAreRefusedOrRestoreStably) {
  std::mt19937 random(20240611);
  for (bool xml : {false, true}) {
    const std::string full = Save(*sample_, xml);
    int restored = 0;
    for (int round = 0; round < 400; ++round) {
      std::string damaged = full;
      const int changes = 1 + static_cast<int>(random() % 3);
      for (int i = 0; i < changes; ++i) {
        damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
      }
      SequenceDictionary dictionary;
      const std::string context = (xml ? "xml round " : "binary round ") + std::to_string(round);
      if (Restore(damaged, xml, &dictionary) != Outcome::kRestored) continue;
      ++restored;
      ExpectStable(dictionary, xml, context);
    }
    EXPECT_GT(restored, 0) << "some changes (counts, items, doubles) are still well-formed";
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
