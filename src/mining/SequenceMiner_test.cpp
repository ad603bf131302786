#include "mining/SequenceMiner.h"

#include <atomic>
#include <cctype>
#include <fstream>
#include <limits>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"
#include "mining/mining_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::MakeDatabase;
using testutil::MineAll;

MiningOptions WithSupport(double support, int maxItems = 9) {
  MiningOptions options;
  options.minSupport = support;
  options.maxItems = maxItems;
  return options;
}

TEST(SequenceMinerTest, CountThresholdRoundsLikeDictionaryPruningAndBadOptionsThrow) {
  const std::tuple<double, std::int32_t, std::int32_t> kRows[] = {
      // Support, N, threshold.
      {0.005, 3898, 20},   // 19.49 rounds up
      {0.02, 10000, 200},  // whole
      {0.001, 59601, 60},  // 59.601 rounds up
      {0.3, 10, 3},        // 3.0000000000000004 counts as whole
      {0.25, 10, 3},       // 2.5 rounds up
      {0, 10, 1},          // a reported sequence occurs at least once
      {2.0, 10, 20},       // above N: nothing can be frequent
  };
  for (const auto& [support, customers, threshold] : kRows) {
    EXPECT_EQ(threshold, SequenceMiner::CountThreshold(support, customers))
        << support << " of " << customers;
  }
  MiningOptions bad[3];
  bad[0].minSupport = -0.1;
  bad[1].maxItems = 32;
  bad[2].maxGap = std::numeric_limits<double>::quiet_NaN();
  for (const MiningOptions& options : bad) {
    EXPECT_THROW(SequenceMiner{options}, std::invalid_argument);
  }
}

TEST(SequenceMinerTest, CountsCustomersNotOccurrences) {
  // Counts: (1) 3, (2) 3, (2)(1) 2 (the first customer holds it twice but counts once), and
  // (1)(2), (1)(1), (2)(2), (1 2) 1 each. The customer without items counts in N = 4.
  const SequenceDatabase db =
      MakeDatabase({{{{1}, {2}, {1}, {2}}}, {{{2}, {1}}}, {{{1, 2}}}, {{}}});
  MiningSummary summary;
  const auto found = MineAll(db, WithSupport(0.5), &summary);
  EXPECT_TRUE(summary.countThreshold == 2 && summary.customers == 4);
  EXPECT_EQ((std::map<std::string, std::int32_t>{{"(1)", 3}, {"(2)", 3}, {"(2)(1)", 2}}), found);
  EXPECT_EQ((std::vector<std::int64_t>{0, 2, 1, 0, 0, 0, 0, 0, 0, 0}), summary.perLevel);
}

TEST(SequenceMinerTest, ItemIdsFarApartAreMinedLikeNearOnes) {
  // Ids spread over the whole range take another way of numbering them than ids close together.
  const std::int32_t kFar[] = {0, 7, 2000000000, 2147483647};
  const SequenceDatabase near =
      MakeDatabase({{{{0, 1}, {2}, {3}}}, {{{1}, {2, 3}}}, {{{0}, {3}, {1}}}});
  const SequenceDatabase far = MakeDatabase({{{{kFar[0], kFar[1]}, {kFar[2]}, {kFar[3]}}},
                                             {{{kFar[1]}, {kFar[2], kFar[3]}}},
                                             {{{kFar[0]}, {kFar[3]}, {kFar[1]}}}});
  std::map<std::string, std::int32_t> expected;  // near's patterns with every id (a digit) mapped
  for (const auto& [text, count] : MineAll(near, WithSupport(0.3))) {
    std::string mapped;
    for (const char c : text)
      mapped += std::isdigit(c) ? std::to_string(kFar[c - '0']) : std::string(1, c);
    expected[mapped] = count;
  }
  EXPECT_EQ(expected, MineAll(far, WithSupport(0.3)));
}

TEST(SequenceMinerTest, MaxItemsBoundsTheLongestSequence) {
  const SequenceDatabase db = MakeDatabase({{{{1, 2}, {3}, {4}}}, {{{1, 2}, {3}, {4}}}});
  MiningSummary summary;
  EXPECT_EQ(15u, MineAll(db, WithSupport(1.0, 4), &summary).size());  // 2^4 - 1 subsequences
  EXPECT_EQ(1, summary.perLevel[4]);
  EXPECT_EQ(10u, MineAll(db, WithSupport(1.0, 2)).size());  // 4 singles and 6 pairs
  EXPECT_TRUE(MineAll(db, WithSupport(1.0, 0)).empty());
}

// One customer with item sets {1} at 0, {2} at 1, {3} at 5 and {4} at 5.
TEST(SequenceMinerTest, TimeConstraintsFollowTheDocumentedSemantics) {
  const SequenceDatabase db = MakeDatabase({{{{1}, {2}, {3}, {4}}, {0, 1, 5, 5}}});
  // Minimum gap, maximum gap, sliding window, pattern, contained.
  const std::tuple<double, double, double, const char*, bool> kRows[] = {
      {0, 0, 0, "(3)(4)", true},  // equal times, distinct sets
      {2, 0, 0, "(1)(2)", false},    {2, 0, 0, "(1)(3)", true},    {2, 0, 0, "(1)(2)(3)", false},
      {0, 3, 0, "(1)(2)", true},     {0, 3, 0, "(1)(3)", false},   {0, 3, 0, "(1)(2)(3)", false},
      {0, 4, 0, "(1)(2)(3)", true},  {0, 0, 4, "(2)(3)(4)", true},  // span 4
      {0, 0, 4, "(1)(2)(3)", false},  // span 5 although each gap is small
  };
  for (const auto& [minGap, maxGap, window, pattern, contained] : kRows) {
    MiningOptions options = WithSupport(1.0);
    options.minGap = minGap;
    options.maxGap = maxGap;
    options.slidingWindow = window;
    EXPECT_EQ(contained, MineAll(db, options).count(pattern) == 1)
        << pattern << " gaps " << minGap << "/" << maxGap << " window " << window;
  }
}

TEST(SequenceMinerTest, ProgressAndCancel) {
  const SequenceDatabase db = MakeDatabase({{{{1, 2, 3}, {1, 2, 3}}}, {{{1, 2, 3}, {1, 2, 3}}}});
  MiningOptions options = WithSupport(1.0);
  std::vector<std::int32_t> done;
  options.progress = [&done](const MiningProgress& progress) {
    EXPECT_EQ(3, progress.total);
    done.push_back(progress.done);
  };
  MiningSummary full;
  const std::size_t all = MineAll(db, options, &full).size();
  EXPECT_FALSE(full.cancelled);
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3}), done);

  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  options.progress = nullptr;
  std::size_t reported = 0;
  const MiningSummary summary = SequenceMiner(options).Mine(db, [&](const MinedSequence&) {
    if (++reported == 5) cancel = true;
  });
  EXPECT_TRUE(summary.cancelled && reported == 5 && reported < all) << reported;
}

// The classic four-customer example: the 18 sequences at support 0.4 listed, with their
// supports, in the saved test output of a widely used open-source miner.
TEST(SequenceMinerTest, ZakiExampleMatchesPublishedResult) {
  const std::string dir = std::string(CARMASEQ_SHARED_DIR) + "/data/zaki/";
  std::ifstream data(dir + "zaki.spmf.txt");
  std::ifstream saved(dir + "arulesSequences-tests-zaki.Rout.save");
  if (!data || !saved) GTEST_SKIP() << "shared data not found under " << dir;
  SequenceDatabase db;
  ReadSpmf(data, "zaki.spmf.txt", &db);

  // Rows such as "17 <{D},{B,F},{A}>    0.50    3      4      1    TRUE"; letters A..H are
  // items 1..8.
  const std::regex row(R"(^\s*\d+\s+(<\{.*\}>)\s+([0-9.]+)\s+\d+\s+\d+\s+\d+\s+(TRUE|FALSE)\s*$)");
  std::map<std::string, std::int32_t> expected;
  std::string line;
  while (std::getline(saved, line)) {
    std::smatch match;
    if (!std::regex_match(line, match, row)) continue;
    std::string text;
    for (char c : match[1].str()) {
      if (c == '{') text += "(";
      if (c == '}') text += ")";
      if (c == ',' && text.back() != ')') text += " ";
      if (c >= 'A' && c <= 'H') text += std::to_string(c - 'A' + 1);
    }
    expected[text] = static_cast<std::int32_t>(std::stod(match[2]) * 4 + 0.5);
  }
  ASSERT_EQ(18u, expected.size());
  EXPECT_EQ(expected, MineAll(db, WithSupport(0.4)));
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
