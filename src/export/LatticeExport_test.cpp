#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "export/export_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::Block;
using testutil::Hold;
using Lines = std::vector<std::string>;

class LatticeExportTest : public testing::Test {
 protected:
  std::string Export(double minSupport) {
    std::ostringstream out;
    EXPECT_TRUE(dictionary_.ExportLatticeXML(out, minSupport).IsOK());
    return out.str();
  }

  SequenceDictionary dictionary_{10};
};

TEST_F(LatticeExportTest, WritesTheDocumentOfTheEmptySequenceAlone) {
  testutil::SetTotal(dictionary_, 5);
  EXPECT_EQ(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
      "<!DOCTYPE SequentialAssociationLattice SYSTEM \"sequentiallattice.dtd\">\n\n"
      "<SequentialAssociationLattice version=\"1.2.1\">\n"
      "<Header copyright=\"Copyright (c) carmaseq authors\" "
      "description=\"Carma model for sequential association lattice\">\n"
      "<Application name=\"carmaseq sequential association\" version=\"1.2.1\"/>\n"
      "</Header>\n"
      "<DataDictionary numberOfFields=\"1\">\n"
      "<DataField name=\"item\" optype=\"categorical\"/>\n"
      "</DataDictionary>\n"
      "<SeqAssociationLattice>\n"
      "<SeqInputStats numberOfTransactions=\"5\" minimumSupport=\"0.1\" maxSequenceSize=\"0\" "
      "numberOfItems=\"0\" numberOfSets=\"0\" numberOfSequences=\"1\"/>\n"
      "<LatticeLevel level=\"0\" numberOfSequences=\"1\">\n"
      "<Sequence id=\"1\" support=\"1\" occurrence=\"5\" numberOfSets=\"0\">\n"
      "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>\n"
      "</Sequence>\n"
      "</LatticeLevel>\n"
      "</SeqAssociationLattice>\n"
      "</SequentialAssociationLattice>",
      Export(0.1));
}

// N = 4: <(1)> 3, <(2)> 3, <(1 2)> 2, <(1)(2)> 2.
TEST_F(LatticeExportTest, WritesLevelsInTableOrderWithNumberedSetsAndLinks) {
  testutil::SetTotal(dictionary_, 4);
  Hold(dictionary_, {{1}}, 3);
  Hold(dictionary_, {{2}}, 3);
  Hold(dictionary_, {{1, 2}}, 2);
  Hold(dictionary_, {{1}, {2}}, 2);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  const std::string document = Export(0.0);
  const std::string stats =
      "<SeqInputStats numberOfTransactions=\"4\" minimumSupport=\"0\" maxSequenceSize=\"2\" "
      "numberOfItems=\"2\" numberOfSets=\"3\" numberOfSequences=\"5\"/>";
  EXPECT_EQ(Lines({stats, "<Item id=\"1\" value=\"1\"/>", "<Item id=\"2\" value=\"2\"/>",
                   "<Itemset id=\"1\" numberOfItems=\"1\">", "<ItemRef itemRef=\"1\"/>",
                   "</Itemset>", "<Itemset id=\"2\" numberOfItems=\"2\">",
                   "<ItemRef itemRef=\"1\"/>", "<ItemRef itemRef=\"2\"/>", "</Itemset>",
                   "<Itemset id=\"3\" numberOfItems=\"1\">", "<ItemRef itemRef=\"2\"/>",
                   "</Itemset>", "<LatticeLevel level=\"0\" numberOfSequences=\"1\">",
                   "<Sequence id=\"1\" support=\"1\" occurrence=\"4\" numberOfSets=\"0\">",
                   "<SeqAdjacentList numberOfAdjacentItems=\"2\">",
                   "<AdjacentItem itemRef=\"1\" position=\"1\"/>",
                   "<AdjacentItem itemRef=\"2\" position=\"1\"/>"}),
            Block(document, stats, 18));
  // The one-item sequences' links, wherever the table puts them.
  EXPECT_EQ(
      Lines({"<ItemsetRef itemsetRef=\"1\"/>", "<SeqAdjacentList numberOfAdjacentItems=\"2\">",
             "<AdjacentItem itemRef=\"2\" position=\"0\"/>",
             "<AdjacentItem itemRef=\"2\" position=\"3\"/>"}),
      Block(document, "<ItemsetRef itemsetRef=\"1\"/>", 4));
  EXPECT_EQ(
      Lines({"<ItemsetRef itemsetRef=\"3\"/>", "<SeqAdjacentList numberOfAdjacentItems=\"2\">",
             "<AdjacentItem itemRef=\"1\" position=\"0\"/>",
             "<AdjacentItem itemRef=\"1\" position=\"1\"/>"}),
      Block(document, "<ItemsetRef itemsetRef=\"3\"/>", 4));
  // Level 2 follows the table's iteration order, which for the default level-2 capacity (23039)
  // puts <(1)(2)> (bucket 11739) before <(1 2)> (bucket 19273).
  const std::string level = "<LatticeLevel level=\"2\" numberOfSequences=\"2\">";
  EXPECT_EQ(
      Lines({level, "<Sequence id=\"4\" support=\"0.5\" occurrence=\"2\" numberOfSets=\"2\">",
             "<ItemsetRef itemsetRef=\"1\"/>", "<ItemsetRef itemsetRef=\"3\"/>",
             "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>", "</Sequence>",
             "<Sequence id=\"5\" support=\"0.5\" occurrence=\"2\" numberOfSets=\"1\">",
             "<ItemsetRef itemsetRef=\"2\"/>", "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>",
             "</Sequence>", "</LatticeLevel>"}),
      Block(document, level, 11));
}

TEST_F(LatticeExportTest, ReportsTheLargerMinimumSupportOnly) {
  testutil::SetTotal(dictionary_, 20);
  Hold(dictionary_, {{4}}, 9);
  Hold(dictionary_, {{6}}, 1);
  dictionary_.reduceAll(2.0);  // records 0.1 and removes <(6)>
  const std::string low = Export(0.05);
  const std::string high = Export(0.4);
  EXPECT_NE(std::string::npos, low.find(" minimumSupport=\"0.1\" "));
  EXPECT_NE(std::string::npos, high.find(" minimumSupport=\"0.4\" "));
  EXPECT_EQ(low.substr(low.find("<Item ")), high.substr(high.find("<Item ")));
}

// Without pruning, held sequences may lack counts, counters, or held one-set parts.
TEST_F(LatticeExportTest, WritesWhatItCanOfIncompleteEntries) {
  Hold(dictionary_, {{1}}, 2);
  Hold(dictionary_, {{1}, {7}}, 0);
  testutil::Counted bare({{5}});
  dictionary_.addSequence(bare.sets(), bare.n(), nullptr);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  const std::string document = Export(0.0);
  EXPECT_EQ(std::string::npos, document.find("support=\"")) << "N is 0";
  EXPECT_NE(std::string::npos, document.find("<AdjacentItem itemRef=\"-1\" position=\"3\"/>"));
  EXPECT_NE(std::string::npos, document.find("<ItemsetRef itemsetRef=\"1\"/>\n"
                                             "<ItemsetRef itemsetRef=\"-1\"/>\n"));
  // <(5)> has no counter: no occurrence, no support, no links; its id depends on table order.
  const std::string bareEntry =
      " numberOfSets=\"1\">\n<ItemsetRef itemsetRef=\"2\"/>\n"
      "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>";
  EXPECT_TRUE(document.find("<Sequence id=\"2\"" + bareEntry) != std::string::npos ||
              document.find("<Sequence id=\"3\"" + bareEntry) != std::string::npos);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
