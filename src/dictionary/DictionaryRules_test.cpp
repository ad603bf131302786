#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/HeldRules.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "foundation/QxStatus.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxCommon_940::QxStatus;
using testutil::Counted;
using testutil::Hold;
using testutil::SetList;
using testutil::ToSequence;
using testutil::ToSets;
using testutil::ToText;

class RulesTest : public testing::Test {
 protected:
  RulesTest() : dictionary_(6) {
    testutil::SetTotal(dictionary_, 10);
    const std::pair<SetList, int> held[] = {
        {{{1}}, 8},         {{{2}}, 6},          {{{3}}, 5},      {{{2, 3}}, 4},
        {{{1, 2}}, 5},      {{{1}, {2}}, 3},     {{{1}, {3}}, 2}, {{{2}, {3}}, 4},
        {{{1}, {2, 3}}, 2}, {{{1}, {2}, {3}}, 1}};
    for (const auto& [sets, count] : held) Hold(dictionary_, sets, count);
  }

  // The rules as "antecedent=>consequent", after checking that the call appended after a
  // sentinel rule and returned OK.
  std::vector<std::string> Rules(char sortBy, double minSupport = 0, double maxSupport = 1,
                                 double minConfidence = 0, double maxConfidence = 1,
                                 double minCause = 0, double maxCause = 1,
                                 bool maximalOnly = false) {
    std::vector<SeqAssociationRule> rules{sentinel_};
    const QxStatus status =
        dictionary_.GetRules(rules, minSupport, maxSupport, minConfidence, maxConfidence, minCause,
                             maxCause, sortBy, maximalOnly);
    EXPECT_TRUE(status.IsOK()) << status.GetErrorCode();
    std::vector<std::string> texts;
    for (const SeqAssociationRule& rule : rules) {
      texts.push_back(ToText(rule.GetAntecedent()) + "=>" + ToText(rule.GetConsequent()));
    }
    EXPECT_EQ("(9)=>(9)", texts.front());
    texts.erase(texts.begin());
    return texts;
  }

  SequenceDictionary dictionary_;
  const SeqAssociationRule sentinel_{ToSequence({{9}}), ToSequence({{9}}), 0, 0, 0, 1};
};

using Texts = std::vector<std::string>;

TEST_F(RulesTest, BandsAreInclusiveAndCountBandRounds) {
  // N = 10: 2.5 truncates to 2 and 2.5 + 0.5 rounds to 3.
  EXPECT_EQ((Texts{"(1)=>(2)", "(1)=>(3)", "(1)=>(2 3)"}), Rules('S', 0.25, 0.25));
  EXPECT_EQ((Texts{"(1)=>(2)"}), Rules('S', 0, 1, 0.375, 0.375));
  EXPECT_EQ((Texts{"(1)=>(3)"}), Rules('S', 0, 1, 0, 1, 0.4, 0.4));
}

TEST_F(RulesTest, RuleSplitsOffTheLastItemSetWithTimeZero) {
  std::vector<SeqAssociationRule> rules;
  ASSERT_TRUE(dictionary_.GetRules(rules, 0.2, 0.2, 0.25, 0.25, 0.5, 0.5, 'S', false).IsOK());
  ASSERT_EQ(1u, rules.size());
  const SeqAssociationRule& rule = rules[0];
  EXPECT_EQ("(1)", ToText(rule.GetAntecedent()));
  EXPECT_EQ("(2 3)", ToText(rule.GetConsequent()));
  EXPECT_EQ(0.0, rule.GetAntecedent().GetTimeOfTimedItemSet(0));
  EXPECT_EQ(0.0, rule.GetConsequent().GetTimeOfTimedItemSet(0));
  EXPECT_EQ(1, rule.GetJoinType());
}

TEST_F(RulesTest, SortsByFallingMeasureWithTiesInGenerationOrder) {
  EXPECT_EQ((Texts{"(2)=>(3)", "(1)=>(2)", "(1)(2)=>(3)", "(1)=>(3)", "(1)=>(2 3)"}), Rules('C'));
  EXPECT_EQ((Texts{"(2)=>(3)", "(1)=>(2)", "(1)=>(2 3)", "(1)=>(3)", "(1)(2)=>(3)"}), Rules('A'));
  EXPECT_TRUE(Rules('s').empty());
  EXPECT_TRUE(Rules('X').empty());
}

// Thousands of rules with measures spread over many values: each order falls throughout.
TEST(RulesOrderTest, ManyRulesFallByTheirMeasure) {
  constexpr int kItems = 60;
  SequenceDictionary dictionary(3);
  testutil::SetTotal(dictionary, 100000);
  for (int a = 1; a <= kItems; ++a) {
    Hold(dictionary, {{a}}, 50000 + 37 * a);
    for (int b = 1; b <= kItems; ++b)
      Hold(dictionary, {{a}, {b}}, 1 + (a * 7919 + b * 104729) % 49999);
  }
  const struct {
    char sortBy;
    double (SeqAssociationRule::*measure)() const;
  } orders[] = {{'S', &SeqAssociationRule::GetSupport},
                {'C', &SeqAssociationRule::GetConfidence},
                {'A', &SeqAssociationRule::GetCause}};
  for (const auto& order : orders) {
    std::vector<SeqAssociationRule> rules;
    ASSERT_TRUE(dictionary.GetRules(rules, 0, 1, 0, 1, 0, 1, order.sortBy, false).IsOK());
    ASSERT_EQ(std::size_t{kItems} * kItems, rules.size());
    for (std::size_t i = 1; i < rules.size(); ++i) {
      ASSERT_GE((rules[i - 1].*order.measure)(), (rules[i].*order.measure)())
          << order.sortBy << " at " << i;
    }
  }
}

TEST_F(RulesTest, MaximalOnlyNeedsTheLattice) {
  EXPECT_EQ(5u, Rules('S', 0, 1, 0, 1, 0, 1, /*maximalOnly=*/true).size());
  ASSERT_TRUE(dictionary_.buildLattice().IsOK());
  EXPECT_EQ((Texts{"(1)=>(2 3)", "(1)(2)=>(3)"}), Rules('S', 0, 1, 0, 1, 0, 1, true));
}

TEST_F(RulesTest, FailuresAppendNothing) {
  std::vector<SeqAssociationRule> rules{sentinel_};
  int set[] = {1, 7};
  int* sets[] = {set, set};
  dictionary_.addSequence(sets, 2, nullptr);  // <(7)(7)> without a counter
  QxStatus status = dictionary_.GetRules(rules, 0, 1, 0, 1, 0, 1, 'S', false);
  EXPECT_EQ(QxStatus::kOutOfMemory, status.GetErrorCode());
  EXPECT_EQ(1u, rules.size());

  SequenceDictionary cancelled(6);
  testutil::SetTotal(cancelled, 4);
  Hold(cancelled, {{1}}, 2);
  Hold(cancelled, {{1}, {1}}, 2);
  cancelled.setCancel();
  status = cancelled.GetRules(rules, 0, 1, 0, 1, 0, 1, 'S', false);
  EXPECT_EQ(QxStatus::kCancelled, status.GetErrorCode());
  EXPECT_EQ(-1, status.GetSeverity());
  EXPECT_EQ(1u, rules.size());
}

// The held form of every query gives the copies' rules, measures and order, in place of what it
// held before; its keys are the dictionary's own.
TEST_F(RulesTest, HeldRulesAreTheRulesOfTheCopies) {
  for (const char sortBy : {'S', 'C', 'A'}) {
    for (const bool maximalOnly : {false, true}) {
      const RuleQuery query{0.1, 1, 0.3, 1, 0, 1, sortBy, maximalOnly};
      std::vector<SeqAssociationRule> copies;
      ASSERT_TRUE(dictionary_
                      .GetRules(copies, query.minSupport, query.maxSupport, query.minConfidence,
                                query.maxConfidence, query.minCause, query.maxCause, sortBy,
                                maximalOnly)
                      .IsOK());
      HeldRules held;
      ASSERT_TRUE(
          FindHeldRules(dictionary_, RuleQuery{0, 1, 0, 1, 0, 1, 'S', false}, &held).IsOK());
      ASSERT_TRUE(FindHeldRules(dictionary_, query, &held).IsOK());
      ASSERT_EQ(copies.size(), held.size());
      for (std::size_t i = 0; i < copies.size(); ++i) {
        const HeldRule& rule = held[i];
        std::unique_ptr<Sequence> whole(rule.whole->createSequence());
        std::unique_ptr<Sequence> antecedent(rule.antecedent->createSequence());
        std::unique_ptr<Sequence> consequent(rule.consequent->createSequence());
        EXPECT_EQ(ToText(copies[i].GetAntecedent()), ToText(*antecedent));
        EXPECT_EQ(ToText(copies[i].GetConsequent()), ToText(*consequent));
        EXPECT_EQ(ToText(*antecedent) + ToText(*consequent), ToText(*whole));
        EXPECT_EQ(rule.whole,
                  dictionary_.getSequence(Counted(ToSets(*whole)).sets(), whole->Length()));
        EXPECT_EQ(dictionary_.getDescriptor(whole.get())->getCount(), rule.count);
        EXPECT_EQ(copies[i].GetSupport(), rule.support);
        EXPECT_EQ(copies[i].GetConfidence(), rule.confidence);
        EXPECT_EQ(copies[i].GetCause(), rule.cause);
      }
    }
  }
  // The entries of held keys, of absent ones and of one too long to be held.
  std::vector<NTSequence> keys;
  for (const SetList& sets :
       {SetList{{2}, {3}}, SetList{{3}, {2}}, SetList{{1}}, SetList(40, {1})}) {
    const Sequence sequence = ToSequence(sets);
    keys.emplace_back(&sequence);
  }
  const NTSequence* pointers[] = {&keys[0], &keys[1], &keys[2], &keys[3]};
  const ISQCPair* found[4];
  FindHeldEntries(dictionary_, pointers, 4, found);
  ASSERT_NE(nullptr, found[0]);
  EXPECT_EQ(4, found[0]->value->getCount());
  EXPECT_EQ(nullptr, found[1]);
  ASSERT_NE(nullptr, found[2]);
  EXPECT_EQ(8, found[2]->value->getCount());
  EXPECT_EQ(nullptr, found[3]);
}

TEST(SeqAssociationRuleTest, AssignmentReplacesAndDisplayPrints) {
  SeqAssociationRule rule(ToSequence({{1}}), ToSequence({{2, 3}}), 0.2, 1.0 / 3, 0.5, 1);
  SeqAssociationRule other(ToSequence({{4}, {5}}), ToSequence({{6}}), 0.1, 0.1, 0.1, 0);
  other = rule;
  const SeqAssociationRule& self = other;
  other = self;
  std::ostringstream captured;
  std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
  const std::streamsize precision = std::cout.precision();
  other.Display();
  SeqAssociationRule(ToSequence({{4}}), ToSequence({{5}}), 1, 1, 1, 0).Display();
  std::cout.precision(precision);
  std::cout.rdbuf(old);
  EXPECT_EQ(
      "<(1)>\n=>\n<(2 3)>\nSupport 0.2 Confidence 0.3333 Cause 0.5\n"
      "<(4)>\n&\n<(5)>\nSupport 1 Confidence 1 Cause 1\n",
      captured.str());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
