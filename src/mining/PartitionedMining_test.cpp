// Partitioned mining against mining all customers at once, and its files.
#include "mining/PartitionedMining.h"

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "gtest/gtest.h"
#include "input/SequenceDatabase.h"
#include "mining/mining_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::CustomerSpec;

std::vector<CustomerSpec> RandomCustomers(std::uint32_t seed, int count) {
  std::mt19937 random(seed);
  auto below = [&random](std::uint32_t n) { return static_cast<std::int32_t>(random() % n); };
  std::vector<CustomerSpec> customers(count);
  for (CustomerSpec& customer : customers) {
    double time = below(3);
    for (int s = 1 + below(7); s > 0; --s) {
      std::vector<std::int32_t> set;
      for (int i = 1 + below(3); i > 0; --i) set.push_back(1 + below(6));
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
      customer.sets.push_back(set);
      customer.times.push_back(time);
      time += below(4);
    }
  }
  return customers;
}

// Both documents of a dictionary: every held sequence, count and link, in table order.
std::string Documents(const BuildResult& built) {
  EXPECT_TRUE(built.status.IsOK());
  if (built.dictionary == nullptr) return "no dictionary";
  std::ostringstream out;
  EXPECT_TRUE(built.dictionary->ExportLatticeXML(out, 0).IsOK());
  EXPECT_TRUE(built.dictionary->ExportRulesXML(out, 0, 1, 0, 1, 0, 1, 0, 0.0, 'C', false).IsOK());
  return out.str();
}

template <typename T, typename Write, typename Read>
T ThroughFile(const T& value, Write write, Read read) {
  std::stringstream file;
  write(value, file);
  return read(file, "part.bin");
}

// Runs both passes and the merge over the `parts` partitions SplitCustomers deals out, every
// step's result through its file; pass 1 looks for at most candidateItems items (0: all).
BuildResult MinePartitioned(const SequenceDatabase& db, int parts, const MiningOptions& options,
                            int threads, std::int32_t candidateItems = 0) {
  const std::vector<SequenceDatabase> split = SplitCustomers(db, parts);
  MiningOptions pass1 = options;
  if (candidateItems > 0) pass1.maxItems = candidateItems;
  std::vector<CandidateSet> candidates;
  for (const SequenceDatabase& part : split) {
    candidates.push_back(
        ThroughFile(MineCandidates(part, pass1), WriteCandidateSet, ReadCandidateSet));
  }
  const PatternList all = UnionCandidates(candidates);
  std::vector<PartitionCounts> counts;
  for (const SequenceDatabase& part : split) {
    counts.push_back(ThroughFile(CountPartition(part, all, options, threads), WritePartitionCounts,
                                 ReadPartitionCounts));
  }
  SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  return MergeCounts(all, counts, options, settings, pass1.maxItems);
}

// The customers of db as "first-item:items" words, a partition's customers in its order.
std::string CustomersText(const SequenceDatabase& db) {
  std::string text;
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    const std::uint32_t begin = db.setBegin(db.customerBegin(c));
    const std::uint32_t end = db.setBegin(db.customerBegin(c + 1));
    text +=
        (c > 0 ? " " : "") + std::to_string(db.items()[begin]) + ":" + std::to_string(end - begin);
  }
  return text;
}

TEST(PartitionedMiningTest, SplitDealsWholeCustomersOutLongestFirst) {
  // Customer k's first item is k; its length in items is the second number.
  const std::vector<CustomerSpec> customers = {
      {{{0}}}, {{{1, 7}, {7}, {8, 9}}}, {{{2}, {9}}}, {{{3, 4}, {5, 6}, {7}}}, {{{4}, {5}, {6}}},
      {{{5}}}, {{{6, 7, 8, 9}}}};
  const SequenceDatabase db = testutil::MakeDatabase(customers);
  const struct {
    int parts;
    std::vector<std::string> expected;
  } kCases[] = {
      {1, {"0:1 1:5 2:2 3:5 4:3 5:1 6:4"}},
      {3, {"1:5 4:3 5:1", "2:2 3:5", "0:1 6:4"}},
      {9, {"1:5", "3:5", "6:4", "4:3", "2:2", "0:1", "5:1", "", ""}},
  };
  for (const auto& test : kCases) {
    const std::vector<SequenceDatabase> split = SplitCustomers(db, test.parts);
    ASSERT_EQ(test.expected.size(), split.size());
    for (std::size_t p = 0; p < split.size(); ++p) {
      EXPECT_EQ(test.expected[p], CustomersText(split[p])) << test.parts << " parts, part " << p;
    }
  }
}

TEST(PartitionedMiningTest, MergedDictionaryEqualsMiningAllCustomers) {
  const double kConstraints[][3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 3}, {1, 3, 5}};
  for (std::uint32_t seed = 1; seed <= 2; ++seed) {
    const std::vector<CustomerSpec> customers = RandomCustomers(seed, 30);
    const SequenceDatabase db = testutil::MakeDatabase(customers);
    for (const auto& [minGap, maxGap, window] : kConstraints) {
      for (const double support : {0.1, 0.3}) {
        MiningOptions options;
        options.maxItems = 4;
        options.minSupport = support;
        options.minGap = minGap;
        options.maxGap = maxGap;
        options.slidingWindow = window;
        const std::string expected = Documents(BuildDictionary(db, options));
        for (const int parts : {1, 3, 7}) {
          EXPECT_EQ(expected, Documents(MinePartitioned(db, parts, options, parts % 3)))
              << "seed " << seed << ", constraints " << minGap << "/" << maxGap << "/" << window
              << ", support " << support << ", " << parts << " partitions";
        }
      }
    }
  }
}

TEST(PartitionedMiningTest, MergeAcceptsAShorterPass1OnlyWhenItWasEnough) {
  const SequenceDatabase db = testutil::MakeDatabase(RandomCustomers(3, 40));
  MiningOptions options;
  options.maxItems = 6;
  options.minSupport = 0.25;
  const BuildResult whole = BuildDictionary(db, options);
  std::int32_t longest = 0;
  for (std::size_t items = 1; items < whole.summary.perLevel.size(); ++items) {
    if (whole.summary.perLevel[items] > 0) longest = static_cast<std::int32_t>(items);
  }
  ASSERT_GT(longest, 1);
  ASSERT_LT(longest + 1, options.maxItems);
  const std::string expected = Documents(whole);
  for (const int parts : {1, 4}) {
    EXPECT_EQ(expected, Documents(MinePartitioned(db, parts, options, 1, longest + 1)));
    EXPECT_THROW(MinePartitioned(db, parts, options, 1, longest), PartitionError);
  }
}

TEST(PartitionedMiningTest, Pass1StoppedAtTheMemoryLimitIsAnError) {
  const SequenceDatabase db = testutil::MakeDatabase(RandomCustomers(5, 200));
  MiningOptions options;
  options.minSupport = 0.01;  // over 4096 sequences: the budget is looked at
  ASSERT_GT(MineCandidates(db, options).patterns.size(), 4096u);
  options.maxMemory = 1;
  EXPECT_THROW(MineCandidates(db, options), PartitionError);
}

TEST(PartitionedMiningTest, CountsAndUnitesListsInAnyOrder) {
  const SequenceDatabase db = testutil::MakeDatabase(RandomCustomers(11, 40));
  MiningOptions options;
  options.minSupport = 0.1;
  options.maxGap = 3;
  const CandidateSet mined = MineCandidates(db, options);
  ASSERT_GT(mined.patterns.size(), 50u);
  CandidateSet reversed = mined;
  reversed.patterns.Clear();
  for (std::size_t i = mined.patterns.size(); i-- > 0;) {
    reversed.patterns.AddFrom(mined.patterns, i);
  }
  ASSERT_FALSE(reversed.patterns.IsCanonical());
  // Counted again, each candidate has the count mining found, whatever the list's order.
  const PartitionCounts inOrder = CountPartition(db, mined.patterns, options, 1);
  const PartitionCounts outOfOrder = CountPartition(db, reversed.patterns, options, 2);
  const std::size_t n = mined.patterns.size();
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_EQ(mined.patterns.count(i), inOrder.counts[i]) << mined.patterns.Text(i);
    EXPECT_EQ(mined.patterns.count(i), outOfOrder.counts[n - 1 - i]) << mined.patterns.Text(i);
  }
  // United with a part of itself, in either order: the list once, in the canonical order.
  CandidateSet half = mined;
  half.patterns.Clear();
  for (std::size_t i = 0; i < n; i += 2) half.patterns.AddFrom(mined.patterns, i);
  const std::uint32_t expected = CandidateDigest(mined.patterns);
  EXPECT_EQ(expected, CandidateDigest(UnionCandidates({half, mined})));
  EXPECT_EQ(expected, CandidateDigest(UnionCandidates({reversed, half})));
}

TEST(PartitionedMiningTest, RefusesMismatchedAndDamagedFiles) {
  const SequenceDatabase db = testutil::MakeDatabase(RandomCustomers(9, 20));
  MiningOptions options;
  options.minSupport = 0.2;
  const CandidateSet mined = MineCandidates(db, options);
  MiningOptions other = options;
  other.maxGap = 2;
  const CandidateSet mismatched = MineCandidates(db, other);
  EXPECT_THROW(UnionCandidates({mined, mismatched}), PartitionError);

  const PatternList all = UnionCandidates({mined});
  const PartitionCounts counts = CountPartition(db, all, options, 1);
  EXPECT_THROW(MergeCounts(all, {counts}, other, SeqDictionarySettings()), PartitionError);
  PatternList fewer;
  for (std::size_t i = 1; i < all.size(); ++i) fewer.AddFrom(all, i);
  EXPECT_THROW(MergeCounts(fewer, {counts}, options, SeqDictionarySettings()), PartitionError);

  std::stringstream file;
  WriteCandidateSet(mined, file);
  const std::string bytes = file.str();
  for (std::size_t at : {std::size_t{3}, bytes.size() / 2, bytes.size() - 1}) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
    std::istringstream in(damaged);
    EXPECT_THROW(ReadCandidateSet(in, "c.bin"), PartitionError) << "byte " << at;
  }
  std::istringstream truncated(bytes.substr(0, bytes.size() - 5));
  EXPECT_THROW(ReadCandidateSet(truncated, "c.bin"), PartitionError);
  std::istringstream wrongKind(bytes);
  EXPECT_THROW(ReadPartitionCounts(wrongKind, "c.bin"), PartitionError);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
