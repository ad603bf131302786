// A dictionary mined, pruned and latticed here is exported as a lattice document, loaded by the
// built plug-in module through GiveMyTranslator, and must then answer exactly as the original.
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
#include "mining/DictionaryBuilder.h"
#include "input/SequenceDatabase.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "scoring/VectorValue.h"
#include "scoring/scoring_testutil.h"
#include "sequence/Sequence.h"
#include "sequence/sequence_testutil.h"

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor;
using SEQUENCE_NAMESPACE_800::SequenceDictionary;
using SEQUENCE_NAMESPACE_800::testutil::SetList;
using Predictions = std::vector<SeqConsequentDescriptor>;

constexpr int kAlphabet = 12;

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

// Every field of every prediction, exactly.
std::vector<std::tuple<int, double, double, double>> Rows(const Predictions& predictions) {
  std::vector<std::tuple<int, double, double, double>> rows;
  for (const SeqConsequentDescriptor& d : predictions) {
    rows.emplace_back(d.GetItem(), d.GetConfidence(), d.GetSupport(), d.GetCause());
  }
  return rows;
}

TEST(ScoringRoundTripTest, LoadedModelPredictsAsTheOriginal) {
  std::mt19937 random(7);
  // 400 customers, mined to sequences of up to 5 items held by at least 6 of them.
  SEQUENCE_NAMESPACE_800::SequenceDatabase customers;
  for (int c = 0; c < 400; ++c) {
    customers.StartCustomer();
    int time = 0;
    for (const std::vector<int>& set : RandomSequence(random, kAlphabet)) {
      customers.AddItemSet(set, ++time);
    }
  }
  SEQUENCE_NAMESPACE_800::MiningOptions options;
  options.minSupport = 0.015;
  options.maxItems = 5;
  const auto built = SEQUENCE_NAMESPACE_800::BuildDictionary(customers, options);
  ASSERT_TRUE(built.status.IsOK());
  SequenceDictionary& original = *built.dictionary;
  ASSERT_GT(original.LargestSequence(), 2);
  std::ostringstream document;
  ASSERT_TRUE(original.ExportLatticeXML(document, 0.0).IsOK());

  // Loaded as a host loads it; the guards are released in reverse order.
  struct Xerces {
    Xerces() { xercesc::XMLPlatformUtils::Initialize(); }
    ~Xerces() { xercesc::XMLPlatformUtils::Terminate(); }
  } xerces;
  const std::unique_ptr<void, int (*)(void*)> module(
      dlopen(CARMASEQ_SCORING_MODULE, RTLD_NOW | RTLD_LOCAL), dlclose);
  ASSERT_NE(nullptr, module) << dlerror();
  auto entry = reinterpret_cast<GiveMyTranslatorFunction>(dlsym(module.get(), "GiveMyTranslator"));
  ASSERT_NE(nullptr, entry);
  const std::unique_ptr<ScoreTranslator> translator(entry());
  testutil::DocumentParser parser;
  std::string encoding = "UTF-8";
  const std::unique_ptr<ScoreModel> model(
      translator->ParseFromTree(parser.Parse(document.str()), encoding));
  ASSERT_NE(nullptr, model);

  MapCaseRecord record;
  ScoreResult* result = nullptr;
  int nonEmpty = 0;
  constexpr int kHistories = 3000;
  for (int h = 0; h < kHistories && !testing::Test::HasFailure(); ++h) {
    // Items above kAlphabet are never held.
    const SetList history = RandomSequence(random, kAlphabet + 3);
    const auto sequence = SEQUENCE_NAMESPACE_800::testutil::ToSequence(history);
    const std::string text = SEQUENCE_NAMESPACE_800::testutil::ToText(sequence);
    const int maxReturn = static_cast<int>(random() % 12);
    const bool future = random() % 2 == 0;
    const bool fromCurrent = random() % 2 == 0;
    record.Clear();
    record.SetField("sequence", text);
    record.SetField("maxReturn", std::to_string(maxReturn));
    if (future) record.SetField("returnType", "futureItems");
    if (fromCurrent) record.SetField("fromCurrent", "1");
    Predictions expected;
    if (future) {
      ASSERT_TRUE(original.GetFutureItems(expected, &sequence, maxReturn, !fromCurrent).IsOK());
    } else {
      ASSERT_TRUE(original.GetCurrentItems(expected, &sequence, maxReturn).IsOK());
    }
    nonEmpty += expected.empty() ? 0 : 1;

    ASSERT_TRUE(model->GetScore(&record, result, false).IsOK());
    ASSERT_EQ(ScoreValue::kVector, result->GetPrediction()->GetType());
    // The module's classes are hidden: the list is known by its kind.
    const Predictions& actual =
        static_cast<const VectorValue<SeqConsequentDescriptor>*>(result->GetPrediction())
            ->GetVectorValue();
    EXPECT_EQ(Rows(expected), Rows(actual)) << text;
  }
  // The histories must reach the lattice, not only miss it.
  EXPECT_GT(nonEmpty, kHistories / 3);
  delete result;
}

}  // namespace
}  // namespace QxQuorvis_940
