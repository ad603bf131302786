#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/query_testutil.h"
#include "export/ExportCommon.h"
#include "export/export_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::FindLine;
using testutil::Hold;
using testutil::Lines;
using testutil::SetTotal;

class RulesExportTest : public testing::Test {
 protected:
  // N = 4: <(1)> and <(2)> occur 3 times, <(1)(2)> twice.
  void HoldExample() {
    SetTotal(dictionary_, 4);
    Hold(dictionary_, {{1}}, 3);
    Hold(dictionary_, {{2}}, 3);
    Hold(dictionary_, {{1}, {2}}, 2);
  }

  std::string Export(double minSupport, double avgItems = 1.25, char sortBy = 'S') {
    std::ostringstream out;
    status_ = dictionary_.ExportRulesXML(out, minSupport, 1.0, 0.0, 1.0, 0.0, 1.0, 2, avgItems,
                                         sortBy, false);
    return out.str();
  }

  SequenceDictionary dictionary_{10};
  QxCommon_940::QxStatus status_;
};

TEST_F(RulesExportTest, WritesTheWholeDocumentOfOneRule) {
  HoldExample();
  dictionary_.setSlidingWindow(7);
  dictionary_.setMinGap(0.5);
  dictionary_.setMaxGap(30);
  const std::string document = Export(0.5);
  EXPECT_TRUE(status_.IsOK());
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
      "<!DOCTYPE PMML SYSTEM \"sequentialmodel.dtd\">\n"
      "\n"
      "<PMML version=\"3.2\" xmlns=\"http://www.dmg.org/PMML-3_2\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://www.dmg.org/PMML-3_2 pmml-3-2.xsd\">\n"
      "<Header copyright=\"Copyright (c) carmaseq authors\" "
      "description=\"Carma model for sequential association rules\">\n"
      "<Application name=\"carmaseq sequential association\" version=\"1.2.1\"/>\n"
      "</Header>\n"
      "<DataDictionary numberOfFields=\"3\">\n"
      "<DataField name=\"customer\" optype=\"categorical\" dataType=\"string\"/>\n"
      "<DataField name=\"time\" optype=\"categorical\" dataType=\"string\"/>\n"
      "<DataField name=\"item\" optype=\"categorical\" dataType=\"string\"/>\n"
      "</DataDictionary>\n"
      "<TransformationDictionary>\n"
      "<DerivedField name=\"transaction\" optype=\"categorical\" dataType=\"string\">\n"
      "<Aggregate field=\"item\" function=\"multiset\" groupField=\"customer\"/>\n"
      "</DerivedField>\n"
      "</TransformationDictionary>\n"
      "<SequenceModel modelName=\"Carma model for sequential association\" "
      "functionName=\"sequences\" algorithmName=\"Carma\" numberOfTransactions=\"4\" "
      "maxNumberOfItemsPerTransaction=\"2\" avgNumberOfItemsPerTransaction=\"1.25\">\n"
      "<Extension extender=\"carmaseq\" name=\"minimumSupport\" value=\"0.5\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"minimumConfidence\" value=\"0\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"numberOfItems\" value=\"2\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"numberOfSets\" value=\"2\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"numberOfSequences\" value=\"3\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"numberOfRules\" value=\"1\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"timeWindowWidth\" value=\"7\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"minimumTime\" value=\"0.5\"/>\n"
      "<Extension extender=\"carmaseq\" name=\"maximumTime\" value=\"30\"/>\n"
      "<MiningSchema>\n"
      "<MiningField name=\"item\" usageType=\"active\"/>\n"
      "<MiningField name=\"transaction\" usageType=\"active\"/>\n"
      "<MiningField name=\"time\" usageType=\"active\"/>\n"
      "<MiningField name=\"customer\" usageType=\"supplementary\"/>\n"
      "</MiningSchema>\n"
      "<Item id=\"1\" value=\"1\"/>\n"
      "<Item id=\"2\" value=\"2\"/>\n"
      "<Itemset id=\"1\" numberOfItems=\"1\">\n"
      "<ItemRef itemRef=\"1\"/>\n"
      "</Itemset>\n"
      "<Itemset id=\"2\" numberOfItems=\"1\">\n"
      "<ItemRef itemRef=\"2\"/>\n"
      "</Itemset>\n"
      "<Sequence id=\"1\" numberOfSets=\"1\" occurrence=\"3\" support=\"0.75\">\n"
      "<SetReference setId=\"1\"/>\n"
      "</Sequence>\n"
      "<Sequence id=\"2\" numberOfSets=\"2\" occurrence=\"2\" support=\"0.5\">\n"
      "<SetReference setId=\"1\"/>\n"
      "<Delimiter delimiter=\"acrossTimeWindows\" gap=\"unknown\"/>\n"
      "<SetReference setId=\"2\"/>\n"
      "</Sequence>\n"
      "<Sequence id=\"3\" numberOfSets=\"1\" occurrence=\"3\" support=\"0.75\">\n"
      "<SetReference setId=\"2\"/>\n"
      "</Sequence>\n"
      "<SequenceRule id=\"1\" support=\"0.5\" numberOfSets=\"2\" occurrence=\"2\" "
      "confidence=\"0.666666666666667\">\n"
      "<AntecedentSequence>\n"
      "<SequenceReference seqId=\"1\"/>\n"
      "</AntecedentSequence>\n"
      "<Delimiter delimiter=\"acrossTimeWindows\" gap=\"unknown\"/>\n"
      "<ConsequentSequence>\n"
      "<SequenceReference seqId=\"3\"/>\n"
      "</ConsequentSequence>\n"
      "</SequenceRule>\n"
      "</SequenceModel>\n"
      "</PMML>";
  EXPECT_EQ(expected, document);
}

TEST_F(RulesExportTest, ReportsTheLargerOfRecordedAndRequestedMinimumSupport) {
  HoldExample();
  dictionary_.reduceAll(1.0);  // records 1 / 4
  const std::string extension = "<Extension extender=\"carmaseq\" name=\"minimumSupport\" value=";
  std::vector<std::string> lines = Lines(Export(0.1));
  EXPECT_LT(FindLine(lines, extension + "\"0.25\"/>"), lines.size());
  lines = Lines(Export(0.5));
  EXPECT_LT(FindLine(lines, extension + "\"0.5\"/>"), lines.size());
}

// <(1)(2)> and <(1)(3)> share their antecedent; <(1)(3)> and <(3)(1 3)> share the set {3}.
TEST_F(RulesExportTest, SharedSequencesAndSetsAreListedOnceAndReferredToAlike) {
  SetTotal(dictionary_, 10);
  Hold(dictionary_, {{1}}, 8);
  Hold(dictionary_, {{2}}, 6);
  Hold(dictionary_, {{3}}, 7);
  Hold(dictionary_, {{1, 3}}, 5);
  Hold(dictionary_, {{1}, {2}}, 4);
  Hold(dictionary_, {{1}, {3}}, 5);
  Hold(dictionary_, {{3}, {1, 3}}, 3);
  const std::vector<std::string> lines = Lines(Export(0.0, 1.0, 'C'));
  ASSERT_TRUE(status_.IsOK());
  // Sequences in key order: (1)=1 (1)(2)=2 (1)(3)=3 (1 3)=4 (2)=5 (3)=6 (3)(1 3)=7.
  // Item sets: {1}=1 {1 3}=2 {2}=3 {3}=4.
  EXPECT_LT(FindLine(lines, "<Itemset id=\"2\" numberOfItems=\"2\">"), lines.size());
  EXPECT_LT(FindLine(lines,
                     "<Extension extender=\"carmaseq\" name=\"numberOfSequences\" "
                     "value=\"7\"/>"),
            lines.size());
  EXPECT_LT(FindLine(lines,
                     "<Extension extender=\"carmaseq\" name=\"numberOfRules\" "
                     "value=\"3\"/>"),
            lines.size());
  const size_t seven =
      FindLine(lines, "<Sequence id=\"7\" numberOfSets=\"2\" occurrence=\"3\" support=\"0.3\">");
  ASSERT_LT(seven + 4, lines.size());
  EXPECT_EQ("<SetReference setId=\"4\"/>", lines[seven + 1]);
  EXPECT_EQ("<SetReference setId=\"2\"/>", lines[seven + 3]);
  // By confidence: (1)(3) 5/8, (1)(2) 4/8, (3)(1 3) 3/7.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"1", "6"}, {"1", "5"}, {"6", "4"}};
  size_t at = 0;
  for (size_t r = 0; r < expected.size(); ++r) {
    at = FindLine(lines, "<AntecedentSequence>", at);
    ASSERT_LT(at + 5, lines.size()) << "rule " << r + 1;
    EXPECT_EQ("<SequenceReference seqId=\"" + expected[r].first + "\"/>", lines[at + 1]);
    EXPECT_EQ("<SequenceReference seqId=\"" + expected[r].second + "\"/>", lines[at + 5]);
    ++at;
  }
}

TEST_F(RulesExportTest, LeavesOutNonFiniteNumbers) {
  HoldExample();
  const std::string document = Export(0.5, std::numeric_limits<double>::quiet_NaN());
  ASSERT_TRUE(status_.IsOK());
  EXPECT_EQ(std::string::npos, document.find("avgNumberOfItemsPerTransaction"));
  EXPECT_NE(std::string::npos, document.find("maxNumberOfItemsPerTransaction=\"2\">"));

  dictionary_.setMaxGap(std::numeric_limits<double>::infinity());
  const std::vector<std::string> lines = Lines(Export(0.5));
  EXPECT_LT(FindLine(lines, "<Extension extender=\"carmaseq\" name=\"maximumTime\"/>"),
            lines.size());
}

TEST_F(RulesExportTest, WithoutRulesWritesAnEmptyModel) {
  HoldExample();
  for (char sortBy : {'S', 's'}) {
    const std::string document = Export(sortBy == 'S' ? 0.9 : 0.5, 1.25, sortBy);
    ASSERT_TRUE(status_.IsOK());
    EXPECT_NE(std::string::npos, document.find("name=\"numberOfRules\" value=\"0\"/>")) << sortBy;
    EXPECT_NE(std::string::npos, document.find("</MiningSchema>\n</SequenceModel>\n</PMML>"))
        << sortBy;
  }
}

TEST_F(RulesExportTest, AFailedRuleQueryWritesNothing) {
  HoldExample();
  dictionary_.setCancel();
  const std::string document = Export(0.5);
  EXPECT_EQ(QxCommon_940::QxStatus::kCancelled, status_.GetErrorCode());
  EXPECT_TRUE(status_.IsError());
  EXPECT_EQ("", document);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
