#include "RulesCsvWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "input/ItemNameMap.h"

namespace carmaseq_cli {
namespace {

namespace seq = SEQUENCE_NAMESPACE_800;
using seq::testutil::Hold;
using seq::testutil::SetList;
using seq::testutil::ToSequence;

constexpr char kHeader[] = "antecedent,consequent,support,confidence,cause\n";

std::string Csv(const std::vector<seq::SeqAssociationRule>& rules, const ItemText& text) {
  std::ostringstream out;
  WriteRulesCsv(rules, text, out);
  return out.str();
}

TEST(RulesCsvWriterTest, QuotesFieldsAndWritesFifteenDigits) {
  seq::ItemNameMap names;
  names.Add(1, "whole milk");
  names.Add(2, "say \"hi\", now");
  names.Add(3, "line\nbreak");
  const ItemText text(&names);
  const struct {
    SetList antecedent;
    SetList consequent;
    double support, confidence, cause;
    const char* row;
  } rows[] = {
      {{{1}}, {{4}}, 0.5, 1, 0.25, "(whole milk),(4),0.5,1,0.25\n"},
      {{{1, 4}},
       {{5}},
       0.1,
       1.0 / 3,
       2.0 / 3,
       "\"(whole milk, 4)\",(5),0.1,0.333333333333333,0.666666666666667\n"},
      {{{2}},
       {{1}},
       1e-20,
       0.0101,
       123456789012345678.0,
       "\"(\"\"say \"\"\"\"hi\"\"\"\", now\"\")\",(whole "
       "milk),1e-20,0.0101,1.23456789012346e+17\n"},
      {{{3}, {-7}}, {{2000000000}}, 0, 0.125, 1, "\"(line\nbreak)(-7)\",(2000000000),0,0.125,1\n"},
      {{}, {{1}, {4}}, 0.75, 0.5, 0.5, "(),(whole milk)(4),0.75,0.5,0.5\n"},
  };
  std::vector<seq::SeqAssociationRule> rules;
  std::string expected = kHeader;
  for (const auto& row : rows) {
    rules.emplace_back(ToSequence(row.antecedent), ToSequence(row.consequent), row.support,
                       row.confidence, row.cause, 1);
    EXPECT_EQ(std::string(kHeader) + row.row, Csv({rules.back()}, text));
    expected += row.row;
  }
  // The item texts made for earlier rows serve later ones.
  EXPECT_EQ(expected, Csv(rules, text));
}

TEST(RulesCsvWriterTest, HeldRulesGiveTheRowsOfTheirCopies) {
  seq::SequenceDictionary dictionary(6);
  seq::testutil::SetTotal(dictionary, 10);
  const std::pair<SetList, int> held[] = {
      {{{1}}, 8},      {{{2}}, 6},      {{{3}}, 5},         {{{2, 3}}, 4},       {{{1}, {2}}, 3},
      {{{1}, {3}}, 2}, {{{2}, {3}}, 4}, {{{1}, {2, 3}}, 2}, {{{1}, {2}, {3}}, 1}};
  for (const auto& [sets, count] : held) Hold(dictionary, sets, count);
  std::vector<seq::SeqAssociationRule> copies;
  ASSERT_TRUE(dictionary.GetRules(copies, 0, 1, 0, 1, 0, 1, 'A', false).IsOK());
  seq::HeldRules rules;
  ASSERT_TRUE(
      seq::FindHeldRules(dictionary, seq::RuleQuery{0, 1, 0, 1, 0, 1, 'A', false}, &rules).IsOK());
  ASSERT_EQ(5u, rules.size());
  // Names that need quotes of their own, and plain ids, where only a set of several items does.
  seq::ItemNameMap names;
  names.Add(2, "a, b");
  for (const ItemText& text : {ItemText(&names), ItemText(nullptr)}) {
    std::vector<std::size_t> reports;
    std::ostringstream out;
    WriteRulesCsv(rules, text, out, [&reports](std::size_t done) { reports.push_back(done); });
    EXPECT_EQ(Csv(copies, text), out.str());
    EXPECT_EQ(std::vector<std::size_t>{5}, reports);
  }
}

// Enough rules for the writing to be shared by two threads: the rows must still come in order.
TEST(RulesCsvWriterTest, ManyHeldRulesComeInTheirOrder) {
  constexpr int kItems = 220;  // 48,400 two-set rules: several runs of rules each
  seq::SequenceDictionary dictionary(3);
  seq::testutil::SetTotal(dictionary, 1000);
  for (int a = 1; a <= kItems; ++a) {
    Hold(dictionary, {{a}}, 900);
    for (int b = 1; b <= kItems; ++b) Hold(dictionary, {{a}, {b}}, 1 + (a * 31 + b * 17) % 800);
  }
  std::vector<seq::SeqAssociationRule> copies;
  ASSERT_TRUE(dictionary.GetRules(copies, 0, 1, 0, 1, 0, 1, 'C', false).IsOK());
  seq::HeldRules rules;
  ASSERT_TRUE(
      seq::FindHeldRules(dictionary, seq::RuleQuery{0, 1, 0, 1, 0, 1, 'C', false}, &rules).IsOK());
  ASSERT_EQ(std::size_t{kItems} * kItems, rules.size());
  const ItemText text(nullptr);
  std::vector<std::size_t> reports;
  std::ostringstream out;
  WriteRulesCsv(rules, text, out, [&reports](std::size_t done) { reports.push_back(done); });
  // Compared by hand: a printed difference of two texts this long would take minutes.
  const std::string expected = Csv(copies, text), written = out.str();
  const auto [e, w] =
      std::mismatch(expected.begin(), expected.end(), written.begin(), written.end());
  EXPECT_TRUE(e == expected.end() && w == written.end())
      << "first difference at byte " << (e - expected.begin()) << " of " << expected.size();
  ASSERT_FALSE(reports.empty());
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(rules.size(), reports.back());
}

TEST(RulesCsvWriterTest, WritesBlocksAndTheRestOnFlush) {
  const ItemText text(nullptr);
  const seq::SeqAssociationRule rule(ToSequence({{12345, 67890}}), ToSequence({{42}}), 0.5, 0.25,
                                     0.125, 1);
  const std::string row = "\"(12345, 67890)\",(42),0.5,0.25,0.125\n";
  constexpr int kRows = 100000;  // several blocks
  std::ostringstream out;
  {
    RulesCsvWriter writer(text, out);
    for (int i = 0; i < kRows; ++i) writer.Write(rule);
    EXPECT_LT(out.str().size(), sizeof kHeader - 1 + row.size() * kRows);
    EXPECT_EQ(0u, (out.str().size() - (sizeof kHeader - 1)) % row.size());
  }
  const std::string written = out.str();
  ASSERT_EQ(sizeof kHeader - 1 + row.size() * kRows, written.size());
  EXPECT_EQ(row, written.substr(written.size() - row.size()));
}

}  // namespace
}  // namespace carmaseq_cli
