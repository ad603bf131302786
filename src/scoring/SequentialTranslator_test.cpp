#include "scoring/SequentialTranslator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
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
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::SequenceCounter;
using SEQUENCE_NAMESPACE_800::SequenceDictionary;
using testutil::LatticeDocument;
using testutil::LatticeEntry;
using Links = std::vector<std::pair<int, int>>;

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

  std::unique_ptr<SequentialAssocModel> Load(const std::string& text,
                                             std::string encoding = "UTF-8") {
    return loader_.Load(text, std::move(encoding));
  }

  static const SequenceCounter* Find(SequenceDictionary* dictionary, const testutil::Sets& sets) {
    SEQUENCE_NAMESPACE_800::Sequence sequence;
    for (const auto& items : sets) {
      SEQUENCE_NAMESPACE_800::TimedItemSet set;
      for (int item : items) set.AddItem(item);
      sequence.AddTimedItemSet(&set);
    }
    return dictionary->getDescriptor(&sequence);
  }
  static int Count(SequenceDictionary* dictionary, const testutil::Sets& sets) {
    const SequenceCounter* counter = Find(dictionary, sets);
    return counter == nullptr ? -1 : counter->getCount();
  }
  static Links LinksOf(SequenceDictionary* dictionary, const testutil::Sets& sets) {
    const SequenceCounter* counter = Find(dictionary, sets);
    if (counter == nullptr || counter->getAdjacentItems() == nullptr) return {};
    return Links(counter->getAdjacentItems()->begin(), counter->getAdjacentItems()->end());
  }

  std::FILE* trace_ = nullptr;
  testutil::ModelLoader loader_;
};

TEST_F(SequentialTranslatorTest, RebuildsEveryLevelWithCountsAndLinks) {
  const std::unique_ptr<SequentialAssocModel> model = Load(ExampleDocument());
  ASSERT_NE(nullptr, model);
  SequenceDictionary* dictionary = model->GetSequenceDictionary();
  ASSERT_NE(nullptr, dictionary);
  EXPECT_EQ(3, dictionary->getNumberOfLevels());
  EXPECT_EQ(3, model->GetLevelCount());
  EXPECT_TRUE(dictionary->isLatticeBuilt());
  EXPECT_EQ(4, dictionary->getTotalCount());

  // The sequence without sets is the empty key, with its count and links.
  EXPECT_EQ(4, Count(dictionary, {}));
  EXPECT_EQ((Links{{1, 1}, {2, 1}}), LinksOf(dictionary, {}));
  EXPECT_EQ(3, Count(dictionary, {{1}}));
  EXPECT_EQ((Links{{2, 0}, {2, 3}}), LinksOf(dictionary, {{1}}));
  EXPECT_EQ((Links{{1, 0}, {1, 1}}), LinksOf(dictionary, {{2}}));
  EXPECT_EQ(2, Count(dictionary, {{1, 2}}));
  EXPECT_EQ(2, Count(dictionary, {{1}, {2}}));
  EXPECT_EQ(-1, Count(dictionary, {{2}, {1}}));
  EXPECT_EQ(5, dictionary->NumberOfSequences());

  EXPECT_EQ(nullptr, model->GetDictionary());  // no item has a mapped value
  ASSERT_NE(nullptr, model->GetVersionInfo());
  EXPECT_EQ("1.2.1", model->GetVersionInfo()->GetVersionText());
  EXPECT_EQ(5, loader_.translator().GetNumberOfSequences());
  EXPECT_EQ(2, loader_.translator().GetMaxSequenceSize());
  EXPECT_EQ(model.get(), loader_.translator().GetLastModel());
  EXPECT_EQ(
      "Enter:QxQuorvis_940::SequentialTranslator::ParseFromTree\n"
      "Exit:QxQuorvis_940::SequentialTranslator::ParseFromTree\n",
      TakeTrace());
}

TEST_F(SequentialTranslatorTest, SizesLevelTablesFromTheirCounts) {
  std::vector<LatticeEntry> entries = {{{}, 9, {}}, {{{1}, {2}}, 2, {}}};
  for (int item = 1; item <= 5; ++item) entries.push_back({{{item}}, 5, {}});
  for (int last = 3; last <= 7; ++last) entries.push_back({{{1}, {2}, {last}}, 1, {}});
  const std::unique_ptr<SequentialAssocModel> model = Load(LatticeDocument(entries, 9));
  ASSERT_NE(nullptr, model);
  const SequenceDictionary* dictionary = model->GetSequenceDictionary();
  // Level 0 always starts at 2; the others at 1.5 times their count, truncated.
  EXPECT_EQ(2, dictionary->getLevelTable(0)->getCapacity());
  EXPECT_EQ(7, dictionary->getLevelTable(1)->getCapacity());
  EXPECT_EQ(1, dictionary->getLevelTable(2)->getCapacity());
  EXPECT_EQ(7, dictionary->getLevelTable(3)->getCapacity());
  EXPECT_EQ(5, dictionary->getLevelTable(3)->getSize());
}

TEST_F(SequentialTranslatorTest, ItemsWithMappedValuesBecomeHostVariables) {
  const std::string text =
      LatticeDocument({{{}, 2, {}}, {{{1}}, 1, {}}, {{{2}}, 1, {}}, {{{3}}, 1, {}}}, 2,
                      {{1, "caf\xC3\xA9"}, {3, ""}});
  const std::unique_ptr<SequentialAssocModel> model = Load(text, "ISO-8859-1");
  ASSERT_NE(nullptr, model);
  const ScoreDictionary* items = model->GetDictionary();
  ASSERT_NE(nullptr, items);
  // An empty mappedValue is no mapped value.
  EXPECT_EQ(1, items->GetNumberOfVariables());
  const ScoreDictVar* variable = items->GetVariable("1");
  ASSERT_NE(nullptr, variable);
  EXPECT_EQ("1", variable->GetName());
  EXPECT_EQ(ScoreDictVar::kItem, variable->GetVariableType());
  EXPECT_EQ("caf\xE9", variable->GetMappedValue());
}

TEST_F(SequentialTranslatorTest, RepeatedItemRefAddsTheItemOnce) {
  std::string text = LatticeDocument({{{}, 3, {{7, 1}}}, {{{7}}, 2, {}}}, 3);
  text = Replace(text, "<Itemset id=\"1\" numberOfItems=\"1\">\n<ItemRef itemRef=\"1\"/>",
                 "<Itemset id=\"1\" numberOfItems=\"2\">\n<ItemRef itemRef=\"1\"/>\n"
                 "<ItemRef itemRef=\"1\"/>");
  const std::unique_ptr<SequentialAssocModel> model = Load(text);
  ASSERT_NE(nullptr, model);
  EXPECT_EQ(2, Count(model->GetSequenceDictionary(), {{7}}));
}

TEST_F(SequentialTranslatorTest, ElementNamesPlayNoPart) {
  std::string text = ExampleDocument();
  text = Replace(text, "<Item id=\"2\"", "<Other id=\"2\"");
  text = Replace(text, "<ItemsetRef itemsetRef=\"3\"/>", "<Ref itemsetRef=\"3\"/>");
  text = Replace(text, "<AdjacentItem itemRef=\"1\" position=\"1\"/>",
                 "<Link itemRef=\"1\" position=\"1\"/>");
  const std::unique_ptr<SequentialAssocModel> model = Load(text);
  ASSERT_NE(nullptr, model);
  EXPECT_EQ(3, Count(model->GetSequenceDictionary(), {{2}}));
  EXPECT_EQ((Links{{1, 1}, {2, 1}}), LinksOf(model->GetSequenceDictionary(), {}));
}

TEST_F(SequentialTranslatorTest, BrokenDocumentsGiveNoModelAndSayWhy) {
  struct Row {
    const char* from;
    const char* to;
    const char* reason;
  };
  const Row rows[] = {
      {" version=\"1.2.1\"", "", "the document element has no version"},
      {"<SeqInputStats", "<Stats", "no SeqInputStats element"},
      {" numberOfItems=\"2\" numberOfSets", " numberOfSets", "SeqInputStats: no numberOfItems"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"2x\"", "maxSequenceSize \"2x\" is no integer"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"-1\"", "maxSequenceSize -1 outside 0..31"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"32\"", "maxSequenceSize 32 outside 0..31"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"3\"",
       "count 4 but only 3 LatticeLevel elements"},
      {"numberOfSets=\"3\"", "numberOfSets=\"-3\"", "numberOfSets -3 outside"},
      {"<Item id=\"2\"", "<Item id=\"3\"", "Item 2: id 3 outside 1..2"},
      {"<Item id=\"2\"", "<Item id=\"1\"", "Item 2: id 1 given twice"},
      {"value=\"1\"", "value=\"one\"", "Item 1: value \"one\" is no integer"},
      {"<Itemset id=\"3\"", "<Itemset id=\"2\"", "Itemset 3: id 2 given twice"},
      {"<Itemset id=\"3\" numberOfItems=\"1\"", "<Itemset id=\"3\" numberOfItems=\"0\"",
       "Itemset 3: numberOfItems 0 outside"},
      {"<Itemset id=\"3\" numberOfItems=\"1\"", "<Itemset id=\"3\" numberOfItems=\"2\"",
       "Itemset 3: count 2 but only 1 child elements"},
      {"<ItemRef itemRef=\"2\"/>\n</Itemset>\n<Itemset id=\"3\"",
       "<ItemRef itemRef=\"5\"/>\n</Itemset>\n<Itemset id=\"3\"",
       "Itemset 2, ItemRef 2: itemRef 5 outside 1..2"},
      {"<ItemsetRef itemsetRef=\"3\"/>", "<ItemsetRef itemsetRef=\"0\"/>",
       "itemsetRef 0 outside 1..3"},
      {"<LatticeLevel level=\"2\"", "<LatticeLevel level=\"3\"", "level 3 outside 0..2"},
      {"<LatticeLevel level=\"2\"", "<LatticeLevel level=\"1\"", "level 1 given twice"},
      {"<LatticeLevel level=\"1\" numberOfSequences=\"2\"",
       "<LatticeLevel level=\"1\" numberOfSequences=\"0\"", "gives table capacity 0"},
      {"<LatticeLevel level=\"1\" numberOfSequences=\"2\"",
       "<LatticeLevel level=\"1\" numberOfSequences=\"3\"",
       "LatticeLevel 2: count 3 but only 2 child elements"},
      {"<LatticeLevel level=\"0\" numberOfSequences=\"1\"",
       "<LatticeLevel level=\"0\" numberOfSequences=\"0\"",
       "level 0 does not hold the empty sequence"},
      {"occurrence=\"3\"", "occurrence=\"-3\"", "occurrence -3 outside"},
      {"occurrence=\"3\"", "occurrence=\"3.5\"", "occurrence \"3.5\" is no integer"},
      {"occurrence=\"3\"", "occurrence=\"99999999999\"", "is no integer"},
      {"occurrence=\"3\"", "", "Sequence 1: no occurrence"},
      {"<Sequence id=\"5\" occurrence=\"2\" numberOfSets=\"2\"",
       "<Sequence id=\"5\" occurrence=\"2\" numberOfSets=\"3\"",
       "Sequence 2: count 4 but only 3 child elements"},
      {"numberOfAdjacentItems=\"2\"", "numberOfAdjacentItems=\"-1\"",
       "numberOfAdjacentItems -1 outside"},
      {"numberOfAdjacentItems=\"2\"", "numberOfAdjacentItems=\"3\"",
       "count 3 but only 2 child elements"},
      {"<AdjacentItem itemRef=\"2\" position=\"0\"/>",
       "<AdjacentItem itemRef=\"9\" position=\"0\"/>",
       "LatticeLevel 2, Sequence 1, AdjacentItem 1: itemRef 9 outside 1..2"},
      {"<AdjacentItem itemRef=\"2\" position=\"3\"/>",
       "<AdjacentItem itemRef=\"2\" position=\"5\"/>", "item 2 at position 5 extends no set"},
      {"<AdjacentItem itemRef=\"1\" position=\"0\"/>",
       "<AdjacentItem itemRef=\"2\" position=\"0\"/>", "item 2 at position 0 extends no set"},
      {"<AdjacentItem itemRef=\"1\" position=\"1\"/>",
       "<AdjacentItem itemRef=\"1\" position=\"0\"/>", "item 1 at position 0 extends no set"},
      {"numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>",
       "numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"1\"/>", "1 items at level 2"},
      {"numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>",
       "numberOfSets=\"2\">\n<ItemsetRef itemsetRef=\"2\"/>\n<ItemsetRef itemsetRef=\"1\"/>",
       "more than 2 items at level 2"},
      {"numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>",
       "numberOfSets=\"2\">\n<ItemsetRef itemsetRef=\"1\"/>\n<ItemsetRef itemsetRef=\"3\"/>",
       "LatticeLevel 3, Sequence 2: the sequence is given twice"},
      {"<SeqAdjacentList numberOfAdjacentItems=\"0\">",
       "<SeqAdjacentList numberOfAdjacentItems=\"1\">\n<AdjacentItem itemRef=\"1\" "
       "position=\"1\"/>",
       "adjacent items at the highest level"},
  };
  const std::string valid = ExampleDocument();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.to);
    TakeTrace();
    EXPECT_EQ(nullptr, Load(Replace(valid, row.from, row.to)));
    EXPECT_EQ(nullptr, loader_.translator().GetLastModel());
    const std::string trace = TakeTrace();
    EXPECT_NE(std::string::npos, trace.find("document rejected: ")) << trace;
    EXPECT_NE(std::string::npos, trace.find(row.reason)) << trace;
    EXPECT_NE(std::string::npos, trace.find("Exit:")) << trace;
  }
}

TEST_F(SequentialTranslatorTest, NoDocumentAndAnEmptyRootGiveNoModel) {
  std::string encoding = "UTF-8";
  EXPECT_EQ(nullptr, loader_.translator().ParseFromTree(static_cast<xercesc::DOMDocument*>(nullptr),
                                                        encoding));
  EXPECT_NE(std::string::npos, TakeTrace().find("document rejected: no document"));
  EXPECT_EQ(nullptr, Load("<SequentialAssociationLattice version=\"1.2.1\"/>"));
  EXPECT_NE(std::string::npos, TakeTrace().find("no SeqInputStats element"));
}

TEST_F(SequentialTranslatorTest, GiveMyTranslatorMakesAFreshTranslator) {
  std::unique_ptr<ScoreTranslator> translator(GiveMyTranslator());
  auto* sequential = dynamic_cast<SequentialTranslator*>(translator.get());
  ASSERT_NE(nullptr, sequential);
  EXPECT_EQ(nullptr, sequential->GetLastModel());
  EXPECT_EQ(0, sequential->GetMaxSequenceSize());
  EXPECT_EQ(0, sequential->GetNumberOfSequences());
  EXPECT_EQ(nullptr, sequential->GetTranscoder());
  // The host's other overloads reach the translator's own.
  testutil::DocumentParser parser;
  std::unique_ptr<ScoreModel> model(
      translator->ParseFromTree(static_cast<xercesc::DOMNode*>(parser.Parse(ExampleDocument()))));
  EXPECT_NE(nullptr, model);
}

}  // namespace
}  // namespace QxQuorvis_940
