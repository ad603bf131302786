// Random dictionaries, counted exhaustively from random customers and pruned by every pruning
// operation before their lattice is built and by level after it, are exported as lattice
// documents and loaded by the built plug-in module, as a host loads it. A document whose
// references are complete must give a model that predicts exactly as the dictionary; one that
// names an item or item set the tables lack (written as -1) must be refused.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "ScoreModel.h"
#include "ScoreResult.h"
#include "ScoreTranslator.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "scoring/VectorValue.h"
#include "scoring/scoring_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/sequence_testutil.h"

namespace QxQuorvis_940 {
namespace {

namespace seq = SEQUENCE_NAMESPACE_800;
using seq::SeqConsequentDescriptor;
using seq::SequenceDictionary;
using seq::testutil::SetList;
using Predictions = std::vector<SeqConsequentDescriptor>;

constexpr int kLevels = 6;  // sequences of up to 5 items

// 1 to 4 item sets of 1 to 3 distinct items from 1..alphabet.
SetList RandomSequence(std::mt19937& random, int alphabet) {
  SetList s(1 + random() % 4);
  for (std::vector<int>& set : s) {
    std::set<int> items;
    const size_t size = 1 + random() % 3;
    while (items.size() < size) items.insert(1 + static_cast<int>(random() % alphabet));
    set.assign(items.begin(), items.end());
  }
  return s;
}

// Inserts into out prefix and its extensions by subsequences of s[from..), below kLevels items.
void Subsequences(const SetList& s, size_t from, size_t size, SetList& prefix,
                  std::set<SetList>& out) {
  out.insert(prefix);
  for (size_t i = from; i < s.size(); ++i) {
    for (unsigned mask = 1; mask < (1u << s[i].size()); ++mask) {
      std::vector<int> set;
      for (size_t b = 0; b < s[i].size(); ++b) {
        if (mask & (1u << b)) set.push_back(s[i][b]);
      }
      if (size + set.size() >= kLevels) continue;
      prefix.push_back(set);
      Subsequences(s, i + 1, size + set.size(), prefix, out);
      prefix.pop_back();
    }
  }
}

// Counts every distinct subsequence of every customer once, the empty one included. A sequence
// enters with its first customer's number as ordinal and, when withMissed, up to 2 missed counts.
void Count(SequenceDictionary& dictionary, const std::vector<SetList>& customers, bool withMissed,
           std::mt19937& random) {
  for (size_t c = 0; c < customers.size(); ++c) {
    std::set<SetList> subsequences;
    SetList prefix;
    Subsequences(customers[c], 0, 0, prefix, subsequences);
    for (const SetList& sub : subsequences) {
      seq::testutil::Counted counted(sub);
      if (dictionary.incrementCount(counted.sets(), counted.n()) != nullptr) continue;
      seq::SequenceCounter counter(static_cast<int>(c), 1, nullptr);
      if (withMissed) counter.setMaxMissed(static_cast<int>(random() % 3));
      dictionary.addSequence(counted.sets(), counted.n(), &counter);
    }
  }
}

// Prunes with pruning operation `which` (0..5) and random arguments.
void PruneBeforeLattice(SequenceDictionary& dictionary, int which, int customers,
                        std::mt19937& random) {
  const double minCount = 1.0 + random() % 4 + 0.5 * (random() % 2);
  const int level = 1 + static_cast<int>(random() % (kLevels - 1));
  switch (which) {
    case 0:
      dictionary.reduceAll(minCount);
      break;
    case 1:
      dictionary.reduceAllWithCount(minCount);
      break;
    case 2:
      dictionary.reduceDictionary(level, minCount);
      break;
    case 3:
      dictionary.reduceDictionaryWithCount(level, minCount);
      break;
    case 4:
      EXPECT_TRUE(dictionary.dropAfter(static_cast<int>(random() % customers)).IsOK());
      break;
    default: {
      std::vector<const seq::Sequence*> held;
      ASSERT_TRUE(dictionary.getSequencesOfSize(held, level, false).IsOK());
      if (!held.empty()) {
        seq::NTSequence key(held[random() % held.size()]);
        dictionary.remove(&key);
      }
      for (const seq::Sequence* sequence : held) delete sequence;
    }
  }
}

// Whether the highest level written keeps links to sequences no longer held.
bool TopLevelHasLinks(const SequenceDictionary& dictionary) {
  const seq::HashtableSQPair* top = dictionary.getLevelTable(dictionary.LargestSequence());
  for (auto it = top->begin(); it != top->end(); ++it) {
    if (it->value != nullptr && it->value->getAdjacentItems() != nullptr &&
        !it->value->getAdjacentItems()->empty()) {
      return true;
    }
  }
  return false;
}

// Every field of every prediction, exactly.
std::vector<std::tuple<int, double, double, double>> Rows(const Predictions& predictions) {
  std::vector<std::tuple<int, double, double, double>> rows;
  for (const SeqConsequentDescriptor& d : predictions) {
    rows.emplace_back(d.GetItem(), d.GetConfidence(), d.GetSupport(), d.GetCause());
  }
  return rows;
}

// The built module, loaded once as a host loads it; Xerces stays initialised meanwhile.
class ScoringRoundTripTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    xercesc::XMLPlatformUtils::Initialize();
    module_ = dlopen(CARMASEQ_SCORING_MODULE, RTLD_NOW | RTLD_LOCAL);
  }
  static void TearDownTestSuite() {
    if (module_ != nullptr) dlclose(module_);
    xercesc::XMLPlatformUtils::Terminate();
  }

  // The model the module's translator builds from text; null when it refuses the document.
  static std::unique_ptr<ScoreModel> Load(const std::string& text) {
    auto entry = reinterpret_cast<GiveMyTranslatorFunction>(dlsym(module_, "GiveMyTranslator"));
    EXPECT_NE(nullptr, entry);
    if (entry == nullptr) return nullptr;
    const std::unique_ptr<ScoreTranslator> translator(entry());
    testutil::DocumentParser parser;
    std::string encoding = "UTF-8";
    return std::unique_ptr<ScoreModel>(translator->ParseFromTree(parser.Parse(text), encoding));
  }

  // Compares the model's answers with the dictionary's for the empty history and `histories`
  // random ones, as current items and as future items from the whole history and from its
  // shortened ones, with random maxima. Returns how many answers were not empty.
  static int Compare(SequenceDictionary& original, ScoreModel& model, int histories, int alphabet,
                     std::mt19937& random) {
    MapCaseRecord record;
    ScoreResult* result = nullptr;
    int nonEmpty = 0;
    for (int h = 0; h <= histories && !HasFailure(); ++h) {
      // The first history is empty; items above the alphabet are never held.
      const seq::Sequence sequence =
          h == 0 ? seq::Sequence()
                 : seq::testutil::ToSequence(RandomSequence(random, alphabet + 2));
      const std::string text = seq::testutil::ToText(sequence);
      for (int kind = 0; kind < 3; ++kind) {
        const int maxReturn = static_cast<int>(random() % 14);
        record.Clear();
        record.SetField("sequence", text);
        record.SetField("maxReturn", std::to_string(maxReturn));
        if (kind > 0) record.SetField("returnType", "futureItems");
        if (kind == 2) record.SetField("fromCurrent", "1");
        Predictions expected;
        if (kind == 0) {
          EXPECT_TRUE(original.GetCurrentItems(expected, &sequence, maxReturn).IsOK());
        } else {
          EXPECT_TRUE(original.GetFutureItems(expected, &sequence, maxReturn, kind == 1).IsOK());
        }
        nonEmpty += expected.empty() ? 0 : 1;
        EXPECT_TRUE(model.GetScore(&record, result, false).IsOK());
        EXPECT_EQ(ScoreValue::kVector, result->GetPrediction()->GetType());
        // Known by its kind: the test's own copy of the class is not the module's.
        const Predictions& actual =
            static_cast<const VectorValue<SeqConsequentDescriptor>*>(result->GetPrediction())
                ->GetVectorValue();
        EXPECT_EQ(Rows(expected), Rows(actual)) << text << " kind " << kind;
      }
    }
    delete result;
    return nonEmpty;
  }

  static void* module_;
};

void* ScoringRoundTripTest::module_ = nullptr;

// A host recognises the module's classes by their types: the module exports them.
TEST_F(ScoringRoundTripTest, ModuleExportsItsScoringClasses) {
  ASSERT_NE(nullptr, module_) << dlerror();
  for (const char* type :
       {"N13QxQuorvis_94020SequentialTranslatorE", "N13QxQuorvis_94020SequentialAssocModelE",
        "N13QxQuorvis_94016SequentialResultE",
        "N13QxQuorvis_94011VectorValueIN22SEQUENCE_NAMESPACE_80023"
        "SeqConsequentDescriptorEEE"}) {
    EXPECT_NE(nullptr, dlsym(module_, (std::string("_ZTI") + type).c_str())) << type;
  }
}

TEST_F(ScoringRoundTripTest, LoadedModelsPredictAsTheirDictionaries) {
  ASSERT_NE(nullptr, module_) << dlerror();
  std::mt19937 random(20261206);
  constexpr int kTrials = 48;
  int loaded = 0, topLinks = 0, nonEmpty = 0;
  for (int trial = 0; trial < kTrials && !HasFailure(); ++trial) {
    const int alphabet = 5 + static_cast<int>(random() % 6);
    const int customers = 10 + static_cast<int>(random() % 50);
    std::vector<SetList> histories;
    for (int c = 0; c < customers; ++c) histories.push_back(RandomSequence(random, alphabet));
    SequenceDictionary original(kLevels);
    Count(original, histories, trial % 3 == 2, random);
    PruneBeforeLattice(original, trial % 6, customers, random);
    ASSERT_TRUE(original.buildLattice().IsOK());
    // Every other trial prunes levels 2 and up, so that links point at sequences no longer
    // held, some at the new highest level.
    if (trial % 2 == 1) {
      const double minCount = 2.0 + random() % 3;
      for (int level = 2; level < kLevels; ++level) original.reduceDictionary(level, minCount);
    }

    std::ostringstream document;
    ASSERT_TRUE(original.ExportLatticeXML(document, 0.0).IsOK());
    const std::unique_ptr<ScoreModel> model = Load(document.str());
    if (document.str().find("Ref=\"-1\"") != std::string::npos) {
      EXPECT_EQ(nullptr, model) << "trial " << trial;
      continue;
    }
    ASSERT_NE(nullptr, model) << "trial " << trial << "\n" << document.str();
    ++loaded;
    topLinks += TopLevelHasLinks(original) ? 1 : 0;
    nonEmpty += Compare(original, *model, 60, alphabet, random);
  }
  // The trials must load, reach the lattice, and load links left at the highest level.
  EXPECT_GT(loaded, kTrials / 2);
  EXPECT_GT(nonEmpty, loaded * 60);
  EXPECT_GT(topLinks, 0);
}

}  // namespace
}  // namespace QxQuorvis_940
