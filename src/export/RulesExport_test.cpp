#include <gtest/gtest.h>

#include <limits>
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

class RulesExportTest : public testing::Test {
 protected:
  // N = 4: <(1)> and <(2)> occur 3 times, <(1)(2)> twice.
  void HoldExample() {
    testutil::SetTotal(dictionary_, 4);
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

  static std::string Extension(const std::string& name, const std::string& value) {
    return "<Extension extender=\"carmaseq\" name=\"" + name + "\" value=\"" + value + "\"/>";
  }

  SequenceDictionary dictionary_{10};
  QxCommon_940::QxStatus status_;
};

TEST_F(RulesExportTest, WritesTheExampleRule) {
  HoldExample();
  dictionary_.setSlidingWindow(7);
  dictionary_.setMinGap(0.5);
  dictionary_.setMaxGap(30);
  const std::string document = Export(0.5);
  ASSERT_TRUE(status_.IsOK());
  EXPECT_EQ(0u, document.find("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                              "<!DOCTYPE PMML SYSTEM \"sequentialmodel.dtd\">\n\n"
                              "<PMML version=\"3.2\" xmlns=\"http://www.dmg.org/PMML-3_2\" "
                              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                              "xsi:schemaLocation=\"http://www.dmg.org/PMML-3_2 pmml-3-2.xsd\">\n"
                              "<Header copyright=\"Copyright (c) carmaseq authors\" "
                              "description=\"Carma model for sequential association rules\">\n"
                              "<Application name=\"carmaseq sequential association\" "
                              "version=\"1.2.1\"/>\n</Header>\n"));
  const std::string model =
      "<SequenceModel modelName=\"Carma model for sequential association\" "
      "functionName=\"sequences\" algorithmName=\"Carma\" numberOfTransactions=\"4\" "
      "maxNumberOfItemsPerTransaction=\"2\" avgNumberOfItemsPerTransaction=\"1.25\">";
  EXPECT_EQ(Lines({model, Extension("minimumSupport", "0.5"), Extension("minimumConfidence", "0"),
                   Extension("numberOfItems", "2"), Extension("numberOfSets", "2"),
                   Extension("numberOfSequences", "3"), Extension("numberOfRules", "1"),
                   Extension("timeWindowWidth", "7"), Extension("minimumTime", "0.5"),
                   Extension("maximumTime", "30"), "<MiningSchema>"}),
            Block(document, model, 11));
  EXPECT_EQ(
      Lines({"<Item id=\"1\" value=\"1\"/>", "<Item id=\"2\" value=\"2\"/>",
             "<Itemset id=\"1\" numberOfItems=\"1\">", "<ItemRef itemRef=\"1\"/>", "</Itemset>",
             "<Itemset id=\"2\" numberOfItems=\"1\">", "<ItemRef itemRef=\"2\"/>", "</Itemset>",
             "<Sequence id=\"1\" numberOfSets=\"1\" occurrence=\"3\" support=\"0.75\">"}),
      Block(document, "<Item id=\"1\" value=\"1\"/>", 9));
  const std::string second =
      "<Sequence id=\"2\" numberOfSets=\"2\" occurrence=\"2\" support=\"0.5\">";
  EXPECT_EQ(
      Lines({second, "<SetReference setId=\"1\"/>",
             "<Delimiter delimiter=\"acrossTimeWindows\" gap=\"unknown\"/>",
             "<SetReference setId=\"2\"/>", "</Sequence>",
             "<Sequence id=\"3\" numberOfSets=\"1\" occurrence=\"3\" support=\"0.75\">",
             "<SetReference setId=\"2\"/>", "</Sequence>",
             "<SequenceRule id=\"1\" support=\"0.5\" numberOfSets=\"2\" occurrence=\"2\" "
             "confidence=\"0.666666666666667\">",
             "<AntecedentSequence>", "<SequenceReference seqId=\"1\"/>", "</AntecedentSequence>",
             "<Delimiter delimiter=\"acrossTimeWindows\" gap=\"unknown\"/>", "<ConsequentSequence>",
             "<SequenceReference seqId=\"3\"/>", "</ConsequentSequence>", "</SequenceRule>",
             "</SequenceModel>", "</PMML>"}),
      Block(document, second, 20));  // the last line has no line feed
}

// <(1)(2)> and <(1)(3)> share their antecedent; <(1)(3)> and <(3)(1 3)> share the set {3}.
TEST_F(RulesExportTest, ListsSharedSequencesAndSetsOnce) {
  testutil::SetTotal(dictionary_, 10);
  const std::pair<testutil::SetList, int> held[] = {
      {{{1}}, 8},      {{{2}}, 6},      {{{3}}, 7},        {{{1, 3}}, 5},
      {{{1}, {2}}, 4}, {{{1}, {3}}, 5}, {{{3}, {1, 3}}, 3}};
  for (const auto& [sets, count] : held) Hold(dictionary_, sets, count);
  const std::string document = Export(0.0, 1.0, 'C');
  ASSERT_TRUE(status_.IsOK());
  // Sequences (1)=1 (1)(2)=2 (1)(3)=3 (1 3)=4 (2)=5 (3)=6 (3)(1 3)=7; sets {1} {1 3} {2} {3}.
  EXPECT_NE(std::string::npos, document.find(Extension("numberOfSequences", "7")));
  EXPECT_NE(
      std::string::npos,
      document.find("<Sequence id=\"7\" numberOfSets=\"2\" occurrence=\"3\" support=\"0.3\">\n"
                    "<SetReference setId=\"4\"/>\n<Delimiter delimiter=\"acrossTimeWindows\" "
                    "gap=\"unknown\"/>\n<SetReference setId=\"2\"/>\n</Sequence>\n"));
  // By confidence: (1)(3) 5/8, (1)(2) 4/8, (3)(1 3) 3/7; each as (antecedent, consequent).
  const std::string prefix = "<SequenceReference seqId=\"";
  std::vector<std::string> references;
  for (const std::string& line : testutil::Lines(document)) {
    if (line.rfind(prefix, 0) == 0) references.push_back(line.substr(prefix.size()));
  }
  EXPECT_EQ(Lines({"1\"/>", "6\"/>", "1\"/>", "5\"/>", "6\"/>", "4\"/>"}), references);
}

TEST_F(RulesExportTest, ReportsTheLargerMinimumSupportAndLeavesOutNonFiniteNumbers) {
  HoldExample();
  dictionary_.reduceAll(1.0);  // records 1 / 4
  EXPECT_NE(std::string::npos, Export(0.1).find(Extension("minimumSupport", "0.25")));
  EXPECT_NE(std::string::npos, Export(0.5).find(Extension("minimumSupport", "0.5")));
  dictionary_.setMaxGap(std::numeric_limits<double>::infinity());
  const std::string document = Export(0.5, std::numeric_limits<double>::quiet_NaN());
  EXPECT_NE(std::string::npos, document.find("maxNumberOfItemsPerTransaction=\"2\">\n"));
  EXPECT_NE(std::string::npos,
            document.find("<Extension extender=\"carmaseq\" name=\"maximumTime\"/>"));
}

TEST_F(RulesExportTest, WithoutRulesWritesAModelWithoutReferences) {
  HoldExample();
  const std::string document = Export(0.9);
  ASSERT_TRUE(status_.IsOK());
  EXPECT_NE(std::string::npos, document.find(Extension("numberOfRules", "0")));
  EXPECT_EQ("</MiningSchema>\n</SequenceModel>\n</PMML>",
            document.substr(document.find("</MiningSchema>")));
}

TEST_F(RulesExportTest, AFailedRuleQueryWritesNothing) {
  HoldExample();
  dictionary_.setCancel();
  EXPECT_EQ("", Export(0.5));
  EXPECT_EQ(QxCommon_940::QxStatus::kCancelled, status_.GetErrorCode());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
