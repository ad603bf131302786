#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/query_testutil.h"
#include "export/export_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::FindLine;
using testutil::Hold;
using testutil::Lines;
using testutil::SetTotal;

class LatticeExportTest : public testing::Test {
 protected:
  std::string Export(double minSupport) {
    std::ostringstream out;
    EXPECT_TRUE(dictionary_.ExportLatticeXML(out, minSupport).IsOK());
    return out.str();
  }

  // The lines from the start tag of a level through its end tag.
  std::vector<std::string> Level(const std::vector<std::string>& lines, int level) {
    const std::string prefix = "<LatticeLevel level=\"" + std::to_string(level) + "\"";
    size_t begin = 0;
    while (begin < lines.size() && lines[begin].compare(0, prefix.size(), prefix) != 0) ++begin;
    const size_t end = FindLine(lines, "</LatticeLevel>", begin);
    if (end == lines.size()) return {};
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                                    lines.begin() + static_cast<std::ptrdiff_t>(end) + 1);
  }

  SequenceDictionary dictionary_{10};
};

TEST_F(LatticeExportTest, WritesTheDocumentOfTheEmptySequenceAlone) {
  SetTotal(dictionary_, 5);
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
      "<!DOCTYPE SequentialAssociationLattice SYSTEM \"sequentiallattice.dtd\">\n"
      "\n"
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
      "</SequentialAssociationLattice>";
  EXPECT_EQ(expected, Export(0.1));
}

// N = 4: <(1)> 3, <(2)> 3, <(1 2)> 2, <(1)(2)> 2.
TEST_F(LatticeExportTest, WritesLevelsInTableOrderWithNumberedSetsAndLinks) {
  SetTotal(dictionary_, 4);
  Hold(dictionary_, {{1}}, 3);
  Hold(dictionary_, {{2}}, 3);
  Hold(dictionary_, {{1, 2}}, 2);
  Hold(dictionary_, {{1}, {2}}, 2);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  const std::vector<std::string> lines = Lines(Export(0.0));

  EXPECT_LT(FindLine(lines,
                     "<SeqInputStats numberOfTransactions=\"4\" minimumSupport=\"0\" "
                     "maxSequenceSize=\"2\" numberOfItems=\"2\" numberOfSets=\"3\" "
                     "numberOfSequences=\"5\"/>"),
            lines.size());
  const size_t items = FindLine(lines, "<Item id=\"1\" value=\"1\"/>");
  ASSERT_LT(items + 14, lines.size());
  const std::vector<std::string> tables = {"<Item id=\"1\" value=\"1\"/>",
                                           "<Item id=\"2\" value=\"2\"/>",
                                           "<Itemset id=\"1\" numberOfItems=\"1\">",
                                           "<ItemRef itemRef=\"1\"/>",
                                           "</Itemset>",
                                           "<Itemset id=\"2\" numberOfItems=\"2\">",
                                           "<ItemRef itemRef=\"1\"/>",
                                           "<ItemRef itemRef=\"2\"/>",
                                           "</Itemset>",
                                           "<Itemset id=\"3\" numberOfItems=\"1\">",
                                           "<ItemRef itemRef=\"2\"/>",
                                           "</Itemset>",
                                           "<LatticeLevel level=\"0\" numberOfSequences=\"1\">"};
  for (size_t i = 0; i < tables.size(); ++i) EXPECT_EQ(tables[i], lines[items + i]);

  EXPECT_EQ(std::vector<std::string>({
                "<LatticeLevel level=\"0\" numberOfSequences=\"1\">",
                "<Sequence id=\"1\" support=\"1\" occurrence=\"4\" numberOfSets=\"0\">",
                "<SeqAdjacentList numberOfAdjacentItems=\"2\">",
                "<AdjacentItem itemRef=\"1\" position=\"1\"/>",
                "<AdjacentItem itemRef=\"2\" position=\"1\"/>",
                "</SeqAdjacentList>",
                "</Sequence>",
                "</LatticeLevel>",
            }),
            Level(lines, 0));

  // Level 1 in table order; each one-item sequence's links, whatever its place.
  const std::vector<std::string> level1 = Level(lines, 1);
  const size_t one = FindLine(level1, "<ItemsetRef itemsetRef=\"1\"/>");
  const size_t two = FindLine(level1, "<ItemsetRef itemsetRef=\"3\"/>");
  ASSERT_LT(one + 5, level1.size());
  ASSERT_LT(two + 5, level1.size());
  EXPECT_EQ("<AdjacentItem itemRef=\"2\" position=\"0\"/>", level1[one + 2]);
  EXPECT_EQ("<AdjacentItem itemRef=\"2\" position=\"3\"/>", level1[one + 3]);
  EXPECT_EQ("<AdjacentItem itemRef=\"1\" position=\"0\"/>", level1[two + 2]);
  EXPECT_EQ("<AdjacentItem itemRef=\"1\" position=\"1\"/>", level1[two + 3]);

  // Level 2 follows the table's iteration order. With the default level-2 capacity (23039),
  // <(1)(2)> (bucket 11739) comes before <(1 2)> (bucket 19273).
  std::vector<const Sequence*> listed;
  dictionary_.getSequencesOfSize(listed, 2, false);
  ASSERT_EQ(2u, listed.size());
  EXPECT_EQ("(1)(2)", testutil::ToText(*listed[0]));
  for (const Sequence* sequence : listed) delete sequence;
  EXPECT_EQ(std::vector<std::string>({
                "<LatticeLevel level=\"2\" numberOfSequences=\"2\">",
                "<Sequence id=\"4\" support=\"0.5\" occurrence=\"2\" numberOfSets=\"2\">",
                "<ItemsetRef itemsetRef=\"1\"/>",
                "<ItemsetRef itemsetRef=\"3\"/>",
                "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>",
                "</Sequence>",
                "<Sequence id=\"5\" support=\"0.5\" occurrence=\"2\" numberOfSets=\"1\">",
                "<ItemsetRef itemsetRef=\"2\"/>",
                "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>",
                "</Sequence>",
                "</LatticeLevel>",
            }),
            Level(lines, 2));
}

TEST_F(LatticeExportTest, ReportsTheLargerMinimumSupportAndWritesTheSameSequences) {
  SetTotal(dictionary_, 20);
  Hold(dictionary_, {{4}}, 9);
  Hold(dictionary_, {{6}}, 1);
  dictionary_.reduceAll(2.0);  // records 0.1 and removes <(6)>
  const std::string low = Export(0.05);
  const std::string high = Export(0.4);
  EXPECT_NE(std::string::npos, low.find(" minimumSupport=\"0.1\" "));
  EXPECT_NE(std::string::npos, high.find(" minimumSupport=\"0.4\" "));
  const size_t levels = low.find("<LatticeLevel");
  ASSERT_NE(std::string::npos, levels);
  EXPECT_EQ(low.substr(levels), high.substr(high.find("<LatticeLevel")));
  EXPECT_EQ(std::string::npos, low.find("value=\"6\""));
}

TEST_F(LatticeExportTest, LeavesOutSupportsWhenNoCaseWasCounted) {
  Hold(dictionary_, {{3}}, 0);
  const std::string document = Export(0.0);
  EXPECT_EQ(std::string::npos, document.find("support="));
  EXPECT_NE(std::string::npos, document.find("numberOfTransactions=\"0\""));
  EXPECT_NE(std::string::npos,
            document.find("<Sequence id=\"2\" occurrence=\"0\" numberOfSets=\"1\">"));
}

// Without pruning a held sequence may use sets and items that are not held alone.
TEST_F(LatticeExportTest, RefersToMissingItemsAndSetsAsMinusOne) {
  SetTotal(dictionary_, 3);
  Hold(dictionary_, {{1}}, 2);
  Hold(dictionary_, {{1}, {7}}, 1);
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  const std::vector<std::string> level2 = Level(Lines(Export(0.0)), 2);
  ASSERT_EQ(7u, level2.size());
  EXPECT_EQ("<ItemsetRef itemsetRef=\"1\"/>", level2[2]);
  EXPECT_EQ("<ItemsetRef itemsetRef=\"-1\"/>", level2[3]);
  const std::vector<std::string> level1 = Level(Lines(Export(0.0)), 1);
  EXPECT_NE(level1.size(), FindLine(level1, "<AdjacentItem itemRef=\"-1\" position=\"3\"/>"));
}

TEST_F(LatticeExportTest, AnEntryWithoutACounterHasNoCountAndNoLinks) {
  SetTotal(dictionary_, 2);
  testutil::Counted bare({{5}});
  dictionary_.addSequence(bare.sets(), bare.n(), nullptr);
  const std::vector<std::string> level1 = Level(Lines(Export(0.0)), 1);
  EXPECT_EQ(std::vector<std::string>({
                "<LatticeLevel level=\"1\" numberOfSequences=\"1\">",
                "<Sequence id=\"2\" numberOfSets=\"1\">",
                "<ItemsetRef itemsetRef=\"1\"/>",
                "<SeqAdjacentList numberOfAdjacentItems=\"0\"/>",
                "</Sequence>",
                "</LatticeLevel>",
            }),
            level1);
}

TEST(LatticeExportShellTest, TheEmptyShellWritesAnEmptyLevelZero) {
  SequenceDictionary shell;
  std::ostringstream out;
  ASSERT_TRUE(shell.ExportLatticeXML(out, 0.0).IsOK());
  const std::string document = out.str();
  EXPECT_NE(std::string::npos,
            document.find("\n<LatticeLevel level=\"0\" numberOfSequences=\"0\"/>\n"));
  EXPECT_EQ(std::string::npos, document.find("<Sequence "));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
