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

// Runs both passes and the merge over `parts` partitions (customer c goes to partition
// c * 7 % parts), every step's result through its file.
BuildResult MinePartitioned(const std::vector<CustomerSpec>& customers, int parts,
                            const MiningOptions& options, int threads) {
  std::vector<std::vector<CustomerSpec>> split(parts);
  for (std::size_t c = 0; c < customers.size(); ++c) split[c * 7 % parts].push_back(customers[c]);
  std::vector<CandidateSet> candidates;
  for (const auto& part : split) {
    candidates.push_back(ThroughFile(MineCandidates(testutil::MakeDatabase(part), options),
                                     WriteCandidateSet, ReadCandidateSet));
  }
  const PatternList all = UnionCandidates(candidates);
  std::vector<PartitionCounts> counts;
  for (const auto& part : split) {
    counts.push_back(
        ThroughFile(CountPartition(testutil::MakeDatabase(part), all, options, threads),
                    WritePartitionCounts, ReadPartitionCounts));
  }
  SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  return MergeCounts(all, counts, options, settings);
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
          EXPECT_EQ(expected, Documents(MinePartitioned(customers, parts, options, parts % 3)))
              << "seed " << seed << ", constraints " << minGap << "/" << maxGap << "/" << window
              << ", support " << support << ", " << parts << " partitions";
        }
      }
    }
  }
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
