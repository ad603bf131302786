#include "scoring/SequentialTranslator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreDictVar.h"
#include "ScoreDictionary.h"
#include "ScoreVersionInfo.h"
#include "ScoringLog.h"
#include "dictionary/SequenceDictionary.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/scoring_testutil.h"
#include "sequence/HashtableSQPair.h"

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::SequenceDictionary;
using testutil::LatticeDocument;
using testutil::LatticeEntry;

// N = 4; <(1)> 3, <(2)> 3, <(1 2)> 2, <(1)(2)> 2, with the links lattice construction gives.
std::string ExampleDocument() {
  return LatticeDocument({{{}, 4, {{1, 1}, {2, 1}}},
                          {{{1}}, 3, {{2, 0}, {2, 3}}},
                          {{{2}}, 3, {{1, 0}, {1, 1}}},
                          {{{1, 2}}, 2, {}},
                          {{{1}, {2}}, 2, {}}},
                         4);
}

// text with its first `from` replaced by `to`; fails the test when `from` does not occur.
std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The model's listing of its levels: every key with its count.
std::string Listing(const SequentialAssocModel& model) {
  std::ostringstream out;
  model.Display(out);
  return out.str();
}

class SequentialTranslatorTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
  static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

  void SetUp() override {
    trace_ = std::tmpfile();
    ASSERT_NE(nullptr, trace_);
    ScoringLog::GetInstance().SetOutput(trace_);
    ScoringLog::GetInstance().SetTraceLevel(1);
  }
  void TearDown() override {
    ScoringLog::GetInstance().SetTraceLevel(0);
    ScoringLog::GetInstance().SetOutput(nullptr);
    std::fclose(trace_);
  }

  // The trace lines written so far; clears them.
  std::string TakeTrace() {
    std::string text;
    std::rewind(trace_);
    for (int c = std::fgetc(trace_); c != EOF; c = std::fgetc(trace_)) text.push_back(c);
    std::fclose(trace_);
    trace_ = std::tmpfile();
    ScoringLog::GetInstance().SetOutput(trace_);
    return text;
  }

  std::FILE* trace_ = nullptr;
  testutil::ModelLoader loader_;
};

// Elements are known by their place, not their names, and a repeated ItemRef adds its item once:
// neither changes what is loaded.
TEST_F(SequentialTranslatorTest, RebuildsEveryLevelWhateverTheElementNames) {
  const std::unique_ptr<SequentialAssocModel> model = loader_.Load(ExampleDocument());
  ASSERT_NE(nullptr, model);
  const SequenceDictionary* dictionary = model->GetSequenceDictionary();
  EXPECT_EQ(3, model->GetLevelCount());
  EXPECT_EQ(4, dictionary->getTotalCount());
  EXPECT_EQ(5, dictionary->NumberOfSequences());
  EXPECT_EQ(nullptr, model->GetDictionary());  // no item has a mapped value
  EXPECT_EQ("1.2.1", model->GetVersionInfo()->GetVersionText());
  EXPECT_EQ(model.get(), loader_.translator().GetLastModel());

  std::string text = ExampleDocument();
  text = Replace(text, "<Item id=\"2\"", "<Other id=\"2\"");
  text = Replace(text, "<ItemsetRef itemsetRef=\"3\"/>", "<Ref itemsetRef=\"3\"/>");
  text = Replace(text, "<AdjacentItem itemRef=\"1\" position=\"1\"/>",
                 "<Link itemRef=\"1\" position=\"1\"/>");
  text = Replace(text, "<Itemset id=\"1\" numberOfItems=\"1\">\n<ItemRef itemRef=\"1\"/>",
                 "<Itemset id=\"1\" numberOfItems=\"2\">\n<ItemRef itemRef=\"1\"/>\n"
                 "<ItemRef itemRef=\"1\"/>");
  const std::unique_ptr<SequentialAssocModel> same = loader_.Load(text);
  ASSERT_NE(nullptr, same);
  EXPECT_EQ(Listing(*model), Listing(*same));
}

TEST_F(SequentialTranslatorTest, SizesLevelTablesFromTheirCounts) {
  std::vector<LatticeEntry> entries = {{{}, 9, {}}, {{{1}, {2}}, 2, {}}};
  for (int item = 1; item <= 5; ++item) entries.push_back({{{item}}, 5, {}});
  for (int last = 3; last <= 7; ++last) entries.push_back({{{1}, {2}, {last}}, 1, {}});
  const std::unique_ptr<SequentialAssocModel> model = loader_.Load(LatticeDocument(entries, 9));
  ASSERT_NE(nullptr, model);
  const SequenceDictionary* dictionary = model->GetSequenceDictionary();
  // Level 0 always starts at 2; the others at 1.5 times their count, truncated.
  EXPECT_EQ(2, dictionary->getLevelTable(0)->getCapacity());
  EXPECT_EQ(7, dictionary->getLevelTable(1)->getCapacity());
  EXPECT_EQ(1, dictionary->getLevelTable(2)->getCapacity());
  EXPECT_EQ(7, dictionary->getLevelTable(3)->getCapacity());
  EXPECT_EQ(5, dictionary->getLevelTable(3)->getSize());
}

// Mapped values become host variables, transcoded; an empty one is none.
TEST_F(SequentialTranslatorTest, ItemsWithMappedValuesBecomeHostVariables) {
  const std::string text =
      LatticeDocument({{{}, 2, {}}, {{{1}}, 1, {}}, {{{2}}, 1, {}}, {{{3}}, 1, {}}}, 2,
                      {{1, "caf\xC3\xA9"}, {3, ""}});
  const std::unique_ptr<SequentialAssocModel> model = loader_.Load(text, "ISO-8859-1");
  ASSERT_NE(nullptr, model);
  const ScoreDictionary* items = model->GetDictionary();
  ASSERT_NE(nullptr, items);
  EXPECT_EQ(1, items->GetNumberOfVariables());
  const ScoreDictVar* variable = items->GetVariable("1");
  ASSERT_NE(nullptr, variable);
  EXPECT_EQ(ScoreDictVar::kItem, variable->GetVariableType());
  EXPECT_EQ("caf\xE9", variable->GetMappedValue());
}

// One row per kind of limit a document can break.
TEST_F(SequentialTranslatorTest, BrokenDocumentsGiveNoModelAndSayWhy) {
  const struct {
    const char* from;
    const char* to;
    const char* reason;
  } rows[] = {
      {" version=\"1.2.1\"", "", "the document element has no version"},
      {"<SeqInputStats", "<Stats", "no SeqInputStats element"},
      {"occurrence=\"3\"", "", "Sequence 1: no occurrence"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"2x\"", "maxSequenceSize \"2x\" is no integer"},
      {"occurrence=\"3\"", "occurrence=\"99999999999\"", "is no integer"},
      {"<LatticeLevel level=\"2\"", "<LatticeLevel level=\"3\"", "level 3 outside 0..2"},
      {"<Item id=\"2\"", "<Item id=\"3\"", "Item 2: id 3 outside 1..2"},
      {"<ItemRef itemRef=\"2\"/>\n</Itemset>\n<Itemset id=\"3\"",
       "<ItemRef itemRef=\"5\"/>\n</Itemset>\n<Itemset id=\"3\"",
       "Itemset 2, ItemRef 2: itemRef 5 outside 1..2"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"3\"",
       "count 4 but only 3 LatticeLevel elements"},
      {"<Itemset id=\"3\" numberOfItems=\"1\"", "<Itemset id=\"3\" numberOfItems=\"2\"",
       "Itemset 3: count 2 but only 1 child elements"},
      {"<LatticeLevel level=\"1\" numberOfSequences=\"2\"",
       "<LatticeLevel level=\"1\" numberOfSequences=\"0\"", "gives table capacity 0"},
      {"<LatticeLevel level=\"0\" numberOfSequences=\"1\"",
       "<LatticeLevel level=\"0\" numberOfSequences=\"0\"",
       "level 0 does not hold the empty sequence"},
      {"numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>",
       "numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"1\"/>", "1 items at level 2"},
      {"numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>",
       "numberOfSets=\"2\">\n<ItemsetRef itemsetRef=\"1\"/>\n<ItemsetRef itemsetRef=\"3\"/>",
       "LatticeLevel 3, Sequence 2: the sequence is given twice"},
      {"<AdjacentItem itemRef=\"2\" position=\"3\"/>",
       "<AdjacentItem itemRef=\"2\" position=\"5\"/>", "item 2 at position 5 extends no set"},
      {"<SeqAdjacentList numberOfAdjacentItems=\"0\">",
       "<SeqAdjacentList numberOfAdjacentItems=\"1\">\n<AdjacentItem itemRef=\"1\" "
       "position=\"1\"/>",
       "adjacent items at the highest level"},
  };
  const std::string valid = ExampleDocument();
  for (const auto& row : rows) {
    TakeTrace();
    EXPECT_EQ(nullptr, loader_.Load(Replace(valid, row.from, row.to))) << row.to;
    EXPECT_EQ(nullptr, loader_.translator().GetLastModel()) << row.to;
    const std::string trace = TakeTrace();
    EXPECT_NE(std::string::npos, trace.find("document rejected: ")) << trace;
    EXPECT_NE(std::string::npos, trace.find(row.reason)) << trace;
    EXPECT_NE(std::string::npos, trace.find("Exit:")) << trace;
  }
}

// The exported entry and the host's other overloads reach the translator's own.
TEST_F(SequentialTranslatorTest, GiveMyTranslatorServesEveryOverload) {
  std::unique_ptr<ScoreTranslator> translator(GiveMyTranslator());
  ASSERT_NE(nullptr, dynamic_cast<SequentialTranslator*>(translator.get()));
  testutil::DocumentParser parser;
  std::unique_ptr<ScoreModel> model(
      translator->ParseFromTree(static_cast<xercesc::DOMNode*>(parser.Parse(ExampleDocument()))));
  EXPECT_NE(nullptr, model);
  EXPECT_EQ(nullptr, translator->ParseFromTree(static_cast<xercesc::DOMNode*>(nullptr)));
  EXPECT_NE(std::string::npos, TakeTrace().find("document rejected: no document"));
}

}  // namespace
}  // namespace QxQuorvis_940
