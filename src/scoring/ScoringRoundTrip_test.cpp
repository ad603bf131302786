// A dictionary counted, pruned and latticed here is exported as a lattice document, loaded by the
// built plug-in module through GiveMyTranslator, and must then answer exactly as the original.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "ScoreModel.h"
#include "ScoreResult.h"
#include "ScoreTranslator.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/query_testutil.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/SequentialTranslator.h"
#include "scoring/VectorValue.h"
#include "scoring/scoring_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::HashtableSQPair;
using SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor;
using SEQUENCE_NAMESPACE_800::Sequence;
using SEQUENCE_NAMESPACE_800::SequenceCounter;
using SEQUENCE_NAMESPACE_800::SequenceDictionary;
using SEQUENCE_NAMESPACE_800::testutil::SetList;
using Items = std::vector<int>;
using Predictions = std::vector<SeqConsequentDescriptor>;

constexpr int kLevels = 6;  // sequences of up to 5 items
constexpr int kAlphabet = 12;
constexpr int kCustomers = 400;
constexpr int kMinCount = 6;
constexpr int kHistories = 3000;

int SizeOf(const SetList& s) {
  int size = 0;
  for (const Items& set : s) size += static_cast<int>(set.size());
  return size;
}

// Inserts prefix and every extension of it by a subsequence of s[from..), up to kLevels-1 items.
void Subsequences(const SetList& s, size_t from, SetList& prefix, std::set<SetList>& out) {
  out.insert(prefix);
  for (size_t i = from; i < s.size(); ++i) {
    for (unsigned mask = 1; mask < (1u << s[i].size()); ++mask) {
      prefix.emplace_back();
      for (size_t b = 0; b < s[i].size(); ++b) {
        if (mask & (1u << b)) prefix.back().push_back(s[i][b]);
      }
      if (SizeOf(prefix) < kLevels) Subsequences(s, i + 1, prefix, out);
      prefix.pop_back();
    }
  }
}

// 1 to 4 item sets of 1 to 3 distinct items; items above kAlphabet are never held.
SetList RandomSequence(std::mt19937& random, int alphabet) {
  SetList s(1 + random() % 4);
  for (Items& set : s) {
    std::set<int> items;
    const size_t size = 1 + random() % 3;
    while (items.size() < size) items.insert(1 + static_cast<int>(random() % alphabet));
    set.assign(items.begin(), items.end());
  }
  return s;
}

// Every subsequence of the customers, counted, pruned to kMinCount and latticed.
void Build(std::mt19937& random, SequenceDictionary* dictionary) {
  std::map<SetList, int> counts;
  for (int c = 0; c < kCustomers; ++c) {
    std::set<SetList> subsequences;
    SetList prefix;
    Subsequences(RandomSequence(random, kAlphabet), 0, prefix, subsequences);
    for (const SetList& s : subsequences) ++counts[s];
  }
  for (const auto& [s, count] : counts) {
    if (s.empty()) {
      SEQUENCE_NAMESPACE_800::testutil::SetTotal(*dictionary, count);
    } else {
      SEQUENCE_NAMESPACE_800::testutil::Hold(*dictionary, s, count);
    }
  }
  dictionary->reduceAll(kMinCount);
  ASSERT_TRUE(dictionary->buildLattice().IsOK());
}

std::string Text(const SetList& s) {
  std::string text;
  for (const Items& set : s) {
    text += "(";
    for (size_t i = 0; i < set.size(); ++i) text += (i > 0 ? " " : "") + std::to_string(set[i]);
    text += ")";
  }
  return text;
}

class ScoringRoundTripTest : public testing::Test {
 protected:
  void SetUp() override {
    xercesc::XMLPlatformUtils::Initialize();
    module_ = dlopen(CARMASEQ_SCORING_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, module_) << dlerror();
    auto entry = reinterpret_cast<GiveMyTranslatorFunction>(dlsym(module_, "GiveMyTranslator"));
    ASSERT_NE(nullptr, entry);
    translator_.reset(entry());
    ASSERT_NE(nullptr, translator_);
  }
  void TearDown() override {
    delete result_;
    model_.reset();
    translator_.reset();
    xercesc::XMLPlatformUtils::Terminate();
    if (module_ != nullptr) dlclose(module_);
  }

  // Loads the exported document of dictionary through the module's translator.
  void Load(SequenceDictionary& dictionary) {
    std::ostringstream document;
    ASSERT_TRUE(dictionary.ExportLatticeXML(document, 0.0).IsOK());
    testutil::DocumentParser parser;
    xercesc::DOMDocument* parsed = parser.Parse(document.str());
    ASSERT_NE(nullptr, parsed);
    std::string encoding = "UTF-8";
    model_.reset(translator_->ParseFromTree(parsed, encoding));
    ASSERT_NE(nullptr, model_);
  }

  // The model's predictions for the record.
  Predictions Score(const MapCaseRecord& record) {
    EXPECT_TRUE(model_->GetScore(&record, result_, false).IsOK());
    const ScoreValue* prediction = result_->GetPrediction();
    if (prediction == nullptr || prediction->GetType() != ScoreValue::kVector) return {};
    // The module's classes are hidden: the list is known by its kind.
    return static_cast<const VectorValue<SeqConsequentDescriptor>*>(prediction)->GetVectorValue();
  }

  void* module_ = nullptr;
  std::unique_ptr<ScoreTranslator> translator_;
  std::unique_ptr<ScoreModel> model_;
  ScoreResult* result_ = nullptr;
};

void ExpectSame(const Predictions& expected, const Predictions& actual, const std::string& what) {
  ASSERT_EQ(expected.size(), actual.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].GetItem(), actual[i].GetItem()) << what << " #" << i;
    EXPECT_EQ(expected[i].GetConfidence(), actual[i].GetConfidence()) << what << " #" << i;
    EXPECT_EQ(expected[i].GetSupport(), actual[i].GetSupport()) << what << " #" << i;
    EXPECT_EQ(expected[i].GetCause(), actual[i].GetCause()) << what << " #" << i;
  }
}

// The translator, linked in here, rebuilds every level table of an exported document.
TEST_F(ScoringRoundTripTest, LoadedLatticeHoldsTheSameEntries) {
  std::mt19937 random(20240611);
  SequenceDictionary original(kLevels);
  Build(random, &original);
  std::ostringstream document;
  ASSERT_TRUE(original.ExportLatticeXML(document, 0.0).IsOK());
  testutil::ModelLoader loader;
  const std::unique_ptr<SequentialAssocModel> model = loader.Load(document.str());
  ASSERT_NE(nullptr, model);
  SequenceDictionary* loaded = model->GetSequenceDictionary();
  ASSERT_EQ(original.LargestSequence() + 1, loaded->getNumberOfLevels());
  EXPECT_GT(original.LargestSequence(), 2);
  for (int level = 0; level < loaded->getNumberOfLevels(); ++level) {
    const HashtableSQPair* table = original.getLevelTable(level);
    ASSERT_EQ(table->getSize(), loaded->getLevelTable(level)->getSize()) << level;
    for (auto it = table->begin(); it != table->end(); ++it) {
      const SequenceCounter* copy = loaded->getDescriptor(it->key);
      ASSERT_NE(nullptr, copy);
      EXPECT_EQ(it->value->getCount(), copy->getCount());
      EXPECT_EQ(it->value->getNAdjacent(), copy->getNAdjacent());
      if (it->value->getNAdjacent() > 0) {
        EXPECT_EQ(*it->value->getAdjacentItems(), *copy->getAdjacentItems());
      }
    }
  }
}

// The built module, loaded as a host loads it, predicts exactly as the original dictionary.
TEST_F(ScoringRoundTripTest, LoadedModelPredictsAsTheOriginal) {
  std::mt19937 random(7);
  SequenceDictionary original(kLevels);
  Build(random, &original);
  Load(original);
  MapCaseRecord record;
  int nonEmpty = 0;
  for (int h = 0; h < kHistories; ++h) {
    const SetList history = RandomSequence(random, kAlphabet + 3);
    const Sequence sequence = SEQUENCE_NAMESPACE_800::testutil::ToSequence(history);
    const int maxReturn = static_cast<int>(random() % 12);
    const bool future = random() % 2 == 0;
    const bool fromCurrent = random() % 2 == 0;
    record.Clear();
    record.SetField("sequence", Text(history));
    record.SetField("maxReturn", std::to_string(maxReturn));
    if (future) record.SetField("returnType", "futureItems");
    if (fromCurrent) record.SetField("fromCurrent", "1");

    Predictions expected;
    if (future) {
      ASSERT_TRUE(original.GetFutureItems(expected, &sequence, maxReturn, !fromCurrent).IsOK());
    } else {
      ASSERT_TRUE(original.GetCurrentItems(expected, &sequence, maxReturn).IsOK());
    }
    if (!expected.empty()) ++nonEmpty;
    ExpectSame(expected, Score(record), Text(history));
    if (HasFailure()) return;
  }
  // The histories must reach the lattice, not only miss it.
  EXPECT_GT(nonEmpty, kHistories / 3);
}

}  // namespace
}  // namespace QxQuorvis_940
