// Rules and predictions of small random dictionaries checked against counts recomputed by brute
// force over the customers the dictionaries were counted from.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "sequence/sequence_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::SetList;
using Items = std::vector<int>;

constexpr int kLevels = 6;  // sequences of up to 5 items
constexpr int kAlphabet = 10;

bool IsSubset(const Items& small, const Items& big) {
  return std::includes(big.begin(), big.end(), small.begin(), small.end());
}

// Whether x occurs in s: each set of x inside a set of s, in order.
bool Occurs(const SetList& x, const SetList& s) {
  return testutil::Contains(s, s.size(), x, x.size());
}

std::set<SetList> SubsequencesOf(const SetList& s) {
  return testutil::SubsequencesOf(s, kLevels - 1);
}

std::string Text(const SetList& s) { return testutil::ToText(testutil::ToSequence(s)); }

SetList RandomSequence(std::mt19937& random) {
  SetList s(1 + random() % 4);
  for (Items& set : s) {
    std::set<int> items;
    const size_t size = 1 + random() % 3;
    while (items.size() < size) items.insert(1 + static_cast<int>(random() % kAlphabet));
    set.assign(items.begin(), items.end());
  }
  return s;
}

// Customers, and a dictionary holding every subsequence counted at least minCount times.
struct RandomDictionary {
  RandomDictionary(std::mt19937& random, int customerCount, int minCount) : dictionary(kLevels) {
    std::map<SetList, int> counts;
    for (int c = 0; c < customerCount; ++c) {
      customers.push_back(RandomSequence(random));
      for (const SetList& s : SubsequencesOf(customers.back())) ++counts[s];
    }
    for (const auto& [s, count] : counts) {
      if (s.empty()) {
        testutil::SetTotal(dictionary, count);
      } else {
        testutil::Hold(dictionary, s, count);
      }
      if (count >= minCount) held.insert(s);
    }
    dictionary.reduceAll(minCount);
    largest = dictionary.LargestSequence();
    EXPECT_TRUE(dictionary.buildLattice().IsOK());
  }

  // The count recomputed from the customers, or 0 when s is not held.
  double Count(const SetList& s) const {
    if (held.count(s) == 0) return 0;
    return static_cast<double>(std::count_if(customers.begin(), customers.end(),
                                             [&](const SetList& c) { return Occurs(s, c); }));
  }

  SequenceDictionary dictionary;
  std::vector<SetList> customers;
  std::set<SetList> held;
  int largest = 0;
};

// Every held sequence of two or more sets makes one rule; its numbers are recounted.
void CheckRules(RandomDictionary& d, char sortBy) {
  const double total = d.Count({});
  std::multiset<std::string> expected, actual;
  for (const SetList& s : d.held) {
    if (s.size() > 1) expected.insert(Text({s.begin(), s.end() - 1}) + "=>" + Text({s.back()}));
  }
  std::vector<SeqAssociationRule> rules;
  ASSERT_TRUE(d.dictionary.GetRules(rules, 0, 1, 0, 1, 0, 1, sortBy, false).IsOK());
  const auto measure = [sortBy](const SeqAssociationRule& rule) {
    return sortBy == 'S'   ? rule.GetSupport()
           : sortBy == 'C' ? rule.GetConfidence()
                           : rule.GetCause();
  };
  for (size_t i = 0; i < rules.size(); ++i) {
    const Sequence& antecedent = rules[i].GetAntecedent();
    const Sequence& consequent = rules[i].GetConsequent();
    actual.insert(testutil::ToText(antecedent) + "=>" + testutil::ToText(consequent));
    SetList whole = testutil::ToSets(antecedent);
    whole.emplace_back(consequent[0].Begin(), consequent[0].End());
    const double count = d.Count(whole);
    EXPECT_EQ(count / total, rules[i].GetSupport());
    EXPECT_EQ(count / d.Count({whole.begin(), whole.end() - 1}), rules[i].GetConfidence());
    EXPECT_EQ(count / d.Count({whole.back()}), rules[i].GetCause());
    if (i > 0) {
      EXPECT_GE(measure(rules[i - 1]), measure(rules[i])) << i;
    }
  }
  EXPECT_EQ(expected, actual);
}

struct Score {
  double confidence, support, cause;
};
using ScoresByItem = std::map<int, std::vector<Score>>;

// Adds the scores of the extensions by a non-excluded item of every held sequence that occurs in
// query ending in its last set; with `future` the item comes in a new set, else it joins the
// last. `sure` gets those that the history walk never misses: the matched sequence has one item
// in each set but the last (and one item in all when the lattice has at most two levels).
void AddScores(const RandomDictionary& d, const SetList& query, const Items& excluded, bool future,
               ScoresByItem& all, ScoresByItem& sure) {
  const SetList head(query.begin(), query.end() - 1);
  for (const SetList& s : SubsequencesOf(query)) {
    if (s.empty() || !IsSubset(s.back(), query.back()) || !Occurs({s.begin(), s.end() - 1}, head))
      continue;
    const double matched = d.Count(s);
    if (matched == 0) continue;
    bool walked = d.largest > 2 || testutil::SizeOf(s) == 1;
    for (size_t k = 0; k + 1 < s.size(); ++k) walked = walked && s[k].size() == 1;
    for (int a = 1; a <= kAlphabet; ++a) {
      if (std::count(excluded.begin(), excluded.end(), a) > 0) continue;
      SetList e = s;
      if (future) {
        e.push_back({a});
      } else {
        e.back().insert(std::upper_bound(e.back().begin(), e.back().end(), a), a);
      }
      const double count = d.Count(e);
      if (count == 0) continue;
      const Score score{count / matched, count / d.Count({}), count / d.Count({{a}})};
      all[a].push_back(score);
      if (walked) sure[a].push_back(score);
    }
  }
}

// Each prediction has the score of some extension; none is worse than a sure extension; the
// order is confidence descending, then item descending.
void CheckPredictions(const std::vector<SeqConsequentDescriptor>& predictions,
                      const ScoresByItem& all, const ScoresByItem& sure) {
  std::map<int, const SeqConsequentDescriptor*> byItem;
  for (size_t i = 0; i < predictions.size(); ++i) {
    const SeqConsequentDescriptor& p = predictions[i];
    SCOPED_TRACE(testing::Message() << "item " << p.GetItem());
    ASSERT_TRUE(byItem.emplace(p.GetItem(), &p).second) << "proposed twice";
    if (i > 0) {
      const SeqConsequentDescriptor& q = predictions[i - 1];
      EXPECT_TRUE(q.GetConfidence() > p.GetConfidence() ||
                  (q.GetConfidence() == p.GetConfidence() && q.GetItem() > p.GetItem()));
    }
    ASSERT_EQ(1u, all.count(p.GetItem())) << "excluded or never extending";
    const std::vector<Score>& scores = all.at(p.GetItem());
    EXPECT_TRUE(std::any_of(scores.begin(), scores.end(), [&](const Score& s) {
      return s.confidence == p.GetConfidence() && s.support == p.GetSupport() &&
             s.cause == p.GetCause();
    }));
  }
  for (const auto& [item, scores] : sure) {
    ASSERT_EQ(1u, byItem.count(item)) << "missed item " << item;
    const SeqConsequentDescriptor& p = *byItem[item];
    for (const Score& s : scores) {
      EXPECT_TRUE(p.GetConfidence() > s.confidence ||
                  (p.GetConfidence() == s.confidence && p.GetSupport() >= s.support))
          << "item " << item;
    }
  }
}

void CheckQuery(RandomDictionary& d, const SetList& query) {
  SCOPED_TRACE("query " + Text(query));
  const Sequence sequence = testutil::ToSequence(query);
  for (const bool whole : {true, false}) {
    ScoresByItem all, sure;
    for (size_t skip = 0; skip < (whole ? 1 : query.size()); ++skip) {
      Items excluded;
      for (size_t k = query.size() - skip; k < query.size(); ++k) {
        excluded.insert(excluded.end(), query[k].begin(), query[k].end());
      }
      AddScores(d, {query.begin(), query.end() - skip}, excluded, true, all, sure);
    }
    std::vector<SeqConsequentDescriptor> predictions;
    ASSERT_TRUE(d.dictionary.GetFutureItems(predictions, &sequence, 100, whole).IsOK());
    CheckPredictions(predictions, all, sure);
  }
  ScoresByItem all, sure;
  AddScores(d, query, query.back(), false, all, sure);
  std::vector<SeqConsequentDescriptor> predictions;
  ASSERT_TRUE(d.dictionary.GetCurrentItems(predictions, &sequence, 100).IsOK());
  CheckPredictions(predictions, all, sure);
}

TEST(DictionaryQueriesPropertyTest, RulesAndPredictionsMatchBruteForceCounts) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    RandomDictionary d(random, 30 + static_cast<int>(seed), 2 + static_cast<int>(seed % 3));
    for (const char sortBy : {'S', 'C', 'A'}) CheckRules(d, sortBy);
    for (int round = 0; round < 15; ++round) CheckQuery(d, RandomSequence(random));
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
