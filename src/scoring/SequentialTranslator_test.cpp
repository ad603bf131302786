#include "scoring/SequentialTranslator.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "ScoreDictVar.h"
#include "ScoreDictionary.h"
#include "ScoreResult.h"
#include "ScoreVersionInfo.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/VectorValue.h"
#include "scoring/scoring_testutil.h"
#include "sequence/HashtableSQPair.h"

namespace QxQuorvis_940 {
namespace {

using SEQUENCE_NAMESPACE_800::SequenceDictionary;
using testutil::ExampleLatticeDocument;
using testutil::LatticeDocument;
using testutil::LatticeEntry;
using testutil::Listing;

// text with its first `from` replaced by `to`; fails the test when `from` does not occur.
std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Every prediction the model gives for a few histories, as current items and as future items
// from the whole history and from its shortened ones: "item:confidence,support,cause" each.
std::string Answers(SequentialAssocModel& model) {
  std::ostringstream out;
  MapCaseRecord record;
  ScoreResult* result = nullptr;
  for (const char* history : {"", "(1)", "(2)", "(1 2)", "(1)(2)", "(2)(1)", "(1 2)(1)(2)",
                              "(1 2)(2 3)", "(1)(2)(3)", "(2 3)(1 2 3)"}) {
    for (int kind = 0; kind < 3; ++kind) {
      record.Clear();
      record.SetField("sequence", history);
      if (kind > 0) record.SetField("returnType", "futureItems");
      if (kind == 2) record.SetField("fromCurrent", "");
      EXPECT_TRUE(model.GetScore(&record, result, false).IsOK());
      out << history << "/" << kind << ":";
      for (const auto& d :
           static_cast<const VectorValue<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor>*>(
               result->GetPrediction())
               ->GetVectorValue()) {
        out << " " << d.GetItem() << ":" << d.GetConfidence() << "," << d.GetSupport() << ","
            << d.GetCause();
      }
      out << "\n";
    }
  }
  delete result;
  return out.str();
}

class SequentialTranslatorTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
  static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

  std::string TakeTrace() { return trace_.Take(); }

  testutil::TraceCapture trace_;
  testutil::ModelLoader loader_;
};

// Elements are known by their place, not their names, and a repeated ItemRef adds its item once:
// neither changes what is loaded.
TEST_F(SequentialTranslatorTest, RebuildsEveryLevelWhateverTheElementNames) {
  const std::unique_ptr<SequentialAssocModel> model = loader_.Load(ExampleLatticeDocument());
  ASSERT_NE(nullptr, model);
  const SequenceDictionary* dictionary = model->GetSequenceDictionary();
  EXPECT_EQ(3, model->GetLevelCount());
  EXPECT_EQ(4, dictionary->getTotalCount());
  EXPECT_EQ(5, dictionary->NumberOfSequences());
  EXPECT_EQ(nullptr, model->GetDictionary());  // no item has a mapped value
  EXPECT_EQ("1.2.1", model->GetVersionInfo()->GetVersionText());
  EXPECT_EQ(model.get(), loader_.translator().GetLastModel());

  std::string text = ExampleLatticeDocument();
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
  const std::string top = "numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>";
  std::string thirtyTwoItems = "numberOfSets=\"16\">\n";
  for (int i = 0; i < 16; ++i) thirtyTwoItems += "<ItemsetRef itemsetRef=\"2\"/>\n";
  const struct {
    std::string from;
    std::string to;
    const char* reason;
  } rows[] = {
      {" version=\"1.2.1\"", "", "the document element has no version"},
      {"<SeqInputStats", "<Stats", "no SeqInputStats element"},
      {"occurrence=\"3\"", "", "Sequence 1: no occurrence"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"2x\"", "maxSequenceSize \"2x\" is no integer"},
      {"occurrence=\"3\"", "occurrence=\"99999999999\"", "is no integer"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"32\"", "maxSequenceSize 32 outside"},
      {"numberOfItems=\"2\" numberOfSets", "numberOfItems=\"-1\" numberOfSets",
       "numberOfItems -1 outside 0.."},
      {"<LatticeLevel level=\"2\"", "<LatticeLevel level=\"3\"", "level 3 outside 0..2"},
      {"<Item id=\"2\"", "<Item id=\"3\"", "Item 2: id 3 outside 1..2"},
      {"<ItemRef itemRef=\"2\"/>\n</Itemset>\n<Itemset id=\"3\"",
       "<ItemRef itemRef=\"5\"/>\n</Itemset>\n<Itemset id=\"3\"",
       "Itemset 2, ItemRef 2: itemRef 5 outside 1..2"},
      {top, "numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"4\"/>",
       "LatticeLevel 3, Sequence 1, ItemsetRef 1: itemsetRef 4 outside 1..3"},
      {"<AdjacentItem itemRef=\"2\" position=\"3\"/>",
       "<AdjacentItem itemRef=\"0\" position=\"3\"/>", "AdjacentItem 2: itemRef 0 outside 1..2"},
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"3\"",
       "count 4 but only 3 LatticeLevel elements"},
      {"<Itemset id=\"3\" numberOfItems=\"1\"", "<Itemset id=\"3\" numberOfItems=\"2\"",
       "Itemset 3: count 2 but only 1 child elements"},
      {"numberOfSets=\"0\">", "numberOfSets=\"-1\">", "Sequence 1: numberOfSets -1 outside"},
      {"<LatticeLevel level=\"1\" numberOfSequences=\"2\"",
       "<LatticeLevel level=\"1\" numberOfSequences=\"0\"", "gives table capacity 0"},
      {top, thirtyTwoItems, "LatticeLevel 3, Sequence 1: more than 31 items"},
  };
  const std::string valid = ExampleLatticeDocument();
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

// What lies inside the limits loads. Each step adds to the example what a lattice never holds
// but a document may say, and which no look-up reaches: the predictions stay the example's.
TEST_F(SequentialTranslatorTest, UnreachableOddsLoadAndChangeNoPrediction) {
  const std::string end = "</LatticeLevel>\n</SeqAssociationLattice>";
  const std::string extra =
      "<Sequence id=\"9\" occurrence=\"1\" numberOfSets=\"2\">\n"
      "<ItemsetRef itemsetRef=\"2\"/>\n<ItemsetRef itemsetRef=\"3\"/>\n"
      "<SeqAdjacentList numberOfAdjacentItems=\"1\">\n<AdjacentItem itemRef=\"1\" "
      "position=\"5\"/>\n</SeqAdjacentList>\n</Sequence>\n"
      "<Sequence id=\"9\" occurrence=\"-7\" numberOfSets=\"1\">\n"
      "<ItemsetRef itemsetRef=\"2\"/>\n<SeqAdjacentList numberOfAdjacentItems=\"0\"/>\n"
      "</Sequence>\n";
  const struct {
    std::string from;
    std::string to;
  } steps[] = {
      // An unused item set without items, and an unused item number given twice.
      {"<LatticeLevel level=\"0\"",
       "<Itemset id=\"4\" numberOfItems=\"0\"/>\n<LatticeLevel level=\"0\""},
      {"numberOfSets=\"3\"", "numberOfSets=\"4\""},
      {"<Item id=\"2\" value=\"2\"/>",
       "<Item id=\"2\" value=\"2\"/>\n<Item id=\"2\" value=\"2\"/>"},
      {"numberOfItems=\"2\" numberOfSets", "numberOfItems=\"3\" numberOfSets"},
      // A sequence of three items at level 2, then <(1 2)> again with another count.
      {end, extra + end},
      {"<LatticeLevel level=\"2\" numberOfSequences=\"2\"",
       "<LatticeLevel level=\"2\" numberOfSequences=\"4\""},
      // Links whose extensions cannot exist or are not held: beyond the sets, negative, into a
      // set that holds the item, above the highest level.
      {"<AdjacentItem itemRef=\"2\" position=\"3\"/>",
       "<AdjacentItem itemRef=\"2\" position=\"3\"/>\n<AdjacentItem itemRef=\"2\" "
       "position=\"9\"/>\n<AdjacentItem itemRef=\"1\" position=\"-4\"/>\n<AdjacentItem "
       "itemRef=\"1\" position=\"0\"/>"},
      {"<SeqAdjacentList numberOfAdjacentItems=\"0\">",
       "<SeqAdjacentList numberOfAdjacentItems=\"2\">\n<AdjacentItem itemRef=\"1\" "
       "position=\"3\"/>\n<AdjacentItem itemRef=\"2\" position=\"2\"/>"},
  };
  const std::unique_ptr<SequentialAssocModel> example = loader_.Load(ExampleLatticeDocument());
  ASSERT_NE(nullptr, example);
  const std::string expected = Answers(*example);
  std::string text = ExampleLatticeDocument();
  for (const auto& step : steps) {
    text = Replace(text, step.from, step.to);
    const std::unique_ptr<SequentialAssocModel> model = loader_.Load(text);
    ASSERT_NE(nullptr, model) << TakeTrace() << text;
    EXPECT_EQ(expected, Answers(*model)) << step.to;
  }
  // Stored as written: the extra sequence at level 2, the first <(1 2)> only.
  const std::unique_ptr<SequentialAssocModel> model = loader_.Load(text);
  ASSERT_NE(nullptr, model);
  EXPECT_EQ(3, model->GetSequenceDictionary()->getLevelTable(2)->getSize());
  EXPECT_EQ(std::string::npos, Listing(*model).find("-7"));

  // Three levels, so that the walk follows links: every sequence also links its first item into
  // its own first set, and beyond and before its sets.
  std::vector<LatticeEntry> entries = {{{}, 5, {{1, 1}, {2, 1}, {3, 1}}}, {{{1}}, 4, {{2, 3}}},
                                       {{{2}}, 4, {{1, 1}, {3, 3}}},      {{{3}}, 4, {{2, 1}}},
                                       {{{1}, {2}}, 3, {{3, 5}}},         {{{2}, {3}}, 3, {{1, 1}}},
                                       {{{1}, {2}, {3}}, 2, {}}};
  const std::unique_ptr<SequentialAssocModel> clean = loader_.Load(LatticeDocument(entries, 5));
  ASSERT_NE(nullptr, clean);
  for (LatticeEntry& entry : entries) {
    const int first = entry.sets.empty() ? 1 : entry.sets[0][0];
    const int sets = static_cast<int>(entry.sets.size());
    entry.adjacent.insert(entry.adjacent.end(), {{first, 0}, {2, 2 * sets + 9}, {3, -2}});
  }
  const std::unique_ptr<SequentialAssocModel> odd = loader_.Load(LatticeDocument(entries, 5));
  ASSERT_NE(nullptr, odd);
  EXPECT_EQ(Answers(*clean), Answers(*odd));
}

// Documents inside the limits that change what is held load as written.
TEST_F(SequentialTranslatorTest, OddCountsAndLevelsLoadAsWritten) {
  const struct {
    const char* from;
    const char* to;
    int levels;
    int total;
    int held;  // sequences over all levels
  } rows[] = {
      {"<Sequence id=\"4\" occurrence=\"2\"", "<Sequence id=\"4\" occurrence=\"-2\"", 3, 4, 5},
      // A level given twice is the later one; the level given by none is empty.
      {"<LatticeLevel level=\"1\"", "<LatticeLevel level=\"2\"", 3, 4, 3},
      // Level 0 without the empty sequence: the total count is 0.
      {"<LatticeLevel level=\"0\" numberOfSequences=\"1\"",
       "<LatticeLevel level=\"0\" numberOfSequences=\"0\"", 3, 0, 4},
      // No levels at all.
      {"maxSequenceSize=\"2\"", "maxSequenceSize=\"-1\"", 0, 0, 0},
  };
  for (const auto& row : rows) {
    const std::unique_ptr<SequentialAssocModel> model =
        loader_.Load(Replace(ExampleLatticeDocument(), row.from, row.to));
    ASSERT_NE(nullptr, model) << TakeTrace();
    const SequenceDictionary* dictionary = model->GetSequenceDictionary();
    EXPECT_EQ(row.levels, model->GetLevelCount()) << row.to;
    EXPECT_EQ(row.total, dictionary->getTotalCount()) << row.to;
    EXPECT_EQ(row.held, dictionary->NumberOfSequences()) << row.to;
    Answers(*model);  // scores safely
  }
  const std::unique_ptr<SequentialAssocModel> negative =
      loader_.Load(Replace(ExampleLatticeDocument(), rows[0].from, rows[0].to));
  // <(1 2)> now has count -2: joining 1, item 2 has support -2/4 and confidence -2/3.
  EXPECT_NE(std::string::npos, Answers(*negative).find("2:-0.666667,-0.5"));
}

// The exported entry and the host's other overloads reach the translator's own.
TEST_F(SequentialTranslatorTest, GiveMyTranslatorServesEveryOverload) {
  std::unique_ptr<ScoreTranslator> translator(GiveMyTranslator());
  ASSERT_NE(nullptr, dynamic_cast<SequentialTranslator*>(translator.get()));
  testutil::DocumentParser parser;
  std::unique_ptr<ScoreModel> model(translator->ParseFromTree(
      static_cast<xercesc::DOMNode*>(parser.Parse(ExampleLatticeDocument()))));
  EXPECT_NE(nullptr, model);
  EXPECT_EQ(nullptr, translator->ParseFromTree(static_cast<xercesc::DOMNode*>(nullptr)));
  EXPECT_NE(std::string::npos, TakeTrace().find("document rejected: no document"));
}

}  // namespace
}  // namespace QxQuorvis_940
