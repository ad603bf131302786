// Running out of memory at every allocation of a query in turn: the query reports status 60000
// and leaves the caller's vector as it was. This program replaces the global operator new.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "foundation/Exceptions.h"
#include "foundation/QxStatus.h"
#include "foundation/failing_new_testutil.h"
#include "sequence/SequenceCounter.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxCommon_940::QxStatus;
using testutil::Hold;
using testutil::ToSequence;

// Runs query with 0, 1, 2, ... allocations allowed until it succeeds; every failing run must
// report 60000 and leave out as it was. Returns out's size after the successful run.
template <typename Vector, typename Query>
size_t FailEachAllocation(const Vector& out, Query query) {
  const size_t before = out.size();
  for (long budget = 0;; ++budget) {
    ::testutil::allocationsLeft = budget;
    const QxStatus status = query();
    ::testutil::allocationsLeft = -1;
    if (status.IsOK()) return out.size();
    EXPECT_EQ(QxStatus::kOutOfMemory, status.GetErrorCode()) << "budget " << budget;
    EXPECT_EQ(before, out.size()) << "budget " << budget;
  }
}

TEST(DictionaryQueriesOomTest, QueriesAppendNothingWhenMemoryRunsOut) {
  SequenceDictionary dictionary(5);
  testutil::SetTotal(dictionary, 10);
  for (const testutil::SetList& sets : std::vector<testutil::SetList>{
           {{1}}, {{2}}, {{3}}, {{1, 2}}, {{1}, {2}}, {{2}, {3}}, {{1}, {3}}, {{1}, {2}, {3}}}) {
    Hold(dictionary, sets, 6 - static_cast<int>(sets.size()));
  }
  ASSERT_TRUE(dictionary.buildLattice().IsOK());
  const Sequence history = ToSequence({{1}, {2}});
  const Sequence basket = ToSequence({{1}});

  std::vector<SeqConsequentDescriptor> predictions(2);  // full: the append must allocate
  EXPECT_EQ(3u, FailEachAllocation(predictions, [&] {
              return dictionary.GetFutureItems(predictions, &history, 9, false);
            }));
  predictions.resize(2);
  predictions.shrink_to_fit();
  EXPECT_EQ(3u, FailEachAllocation(predictions, [&] {
              return dictionary.GetCurrentItems(predictions, &basket, 9);
            }));
  std::vector<SeqAssociationRule> rules{SeqAssociationRule(basket, basket, 0, 0, 0, 1)};
  EXPECT_EQ(5u, FailEachAllocation(rules, [&] {
              return dictionary.GetRules(rules, 0, 1, 0, 1, 0, 1, 'C', false);
            }));
}

// Storing in batches runs out of memory at every allocation in turn: the dictionary then holds
// the first sequences, as a run of addSequence calls stopped early would leave it, and nothing
// else. Keys grow from batch to batch, so that building a key of a later batch may fail too.
TEST(DictionaryQueriesOomTest, AddSequencesKeepsFirstSequencesWhenMemoryRunsOut) {
  constexpr int kSequences = 48;  // three batches
  std::vector<std::unique_ptr<testutil::Counted>> keys;
  std::vector<int**> sets;
  std::vector<int> n;
  for (int i = 0; i < kSequences; ++i) {
    testutil::SetList list;
    for (int set = 0; set <= i / 16 * 2; ++set) list.push_back({100 + i, 200 + set});
    keys.push_back(std::make_unique<testutil::Counted>(list));
    sets.push_back(keys.back()->sets());
    n.push_back(keys.back()->n());
  }
  SequenceCounter counter(0, 7, nullptr);
  const std::vector<SequenceCounter*> counters(keys.size(), &counter);
  int failures = 0;
  for (long budget = 0;; ++budget) {
    SequenceDictionary dictionary(16);
    bool failed = false;
    ::testutil::allocationsLeft = budget;
    try {
      dictionary.addSequences(sets.data(), n.data(), counters.data(), kSequences);
    } catch (const SeqExceptions::DictionaryFailure&) {
      failed = true;
    }
    ::testutil::allocationsLeft = -1;
    const int held = dictionary.NumberOfSequences() - 1;  // level 0 holds the empty sequence
    for (int i = 0; i < kSequences; ++i) {
      EXPECT_EQ(i < held, dictionary.hasSequence(sets[i], n[i])) << "budget " << budget;
    }
    if (!failed) {
      EXPECT_EQ(kSequences, held);
      break;
    }
    ++failures;
  }
  EXPECT_GT(failures, 3) << "allocations in later batches must fail too";
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
