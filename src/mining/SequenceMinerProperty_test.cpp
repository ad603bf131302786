// The miner against exhaustive counting on small random databases.
#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "mining/SequenceMiner.h"
#include "mining/mining_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::CustomerSpec;
using Pattern = std::vector<std::vector<std::int32_t>>;

const std::vector<std::int32_t> kAlphabet = {3, 10, 42, 100};
constexpr int kMaxItems = 4;

// True iff customer contains pattern[k..] from item set `from` on, trying every choice of item
// sets; the pattern's first set was matched at `first`. failed[] remembers (k, from, first) states
// that lead nowhere: whether a state can be completed depends on nothing else.
bool Match(const CustomerSpec& customer, const MiningOptions& options, const Pattern& pattern,
           std::size_t k, std::size_t from, std::size_t first, std::vector<bool>& failed) {
  if (k == pattern.size()) return true;
  const std::size_t n = customer.sets.size();
  const std::size_t state = (k * (n + 1) + from) * (n + 1) + first;
  if (failed[state]) return false;
  const std::vector<double>& t = customer.times;
  for (std::size_t j = from; j < n; ++j) {
    const double gap = k > 0 ? t[j] - t[from - 1] : 0;
    if (k > 0 && ((options.minGap > 0 && gap < options.minGap) ||
                  (options.maxGap > 0 && gap > options.maxGap))) {
      continue;
    }
    const std::size_t start = k == 0 ? j : first;
    if (k + 1 == pattern.size() && options.slidingWindow > 0 &&
        t[j] - t[start] > options.slidingWindow) {
      continue;
    }
    const auto& set = customer.sets[j];
    if (std::includes(set.begin(), set.end(), pattern[k].begin(), pattern[k].end()) &&
        Match(customer, options, pattern, k + 1, j + 1, start, failed)) {
      return true;
    }
  }
  failed[state] = true;
  return false;
}

// Counts every pattern of 1..kMaxItems items over kAlphabet into *counts. Growth stops only at
// patterns that no customer contains, since no customer contains their extensions either.
void Visit(const std::vector<CustomerSpec>& customers, const MiningOptions& options,
           Pattern& pattern, int items, std::map<std::string, std::int32_t>* counts) {
  std::int32_t count = 0;
  for (const CustomerSpec& customer : customers) {
    const std::size_t n = customer.sets.size();
    std::vector<bool> failed(pattern.size() * (n + 1) * (n + 1), false);
    count += Match(customer, options, pattern, 0, 0, 0, failed) ? 1 : 0;
  }
  if (count == 0) return;
  (*counts)[testutil::SetsText(pattern)] = count;
  if (items == kMaxItems) return;
  for (std::int32_t x : kAlphabet) {
    if (x > pattern.back().back()) {
      pattern.back().push_back(x);
      Visit(customers, options, pattern, items + 1, counts);
      pattern.back().pop_back();
    }
    pattern.push_back({x});
    Visit(customers, options, pattern, items + 1, counts);
    pattern.pop_back();
  }
}

// Random customers with equal times now and then, item sets of 1 to setItems items, and one
// customer of longSets item sets (none when 0): its length sets the width of the bitmap
// search's masks (8, 16, 32 or 64 sets), and beyond 64 sets takes the miner off its bitmap
// search.
std::vector<CustomerSpec> RandomCustomers(std::uint32_t seed, int longSets, int setItems) {
  std::mt19937 random(seed);
  auto below = [&random](std::uint32_t n) { return static_cast<std::int32_t>(random() % n); };
  std::vector<CustomerSpec> customers(10 + below(15));
  for (CustomerSpec& customer : customers) {
    const int sets = 1 + below(6);
    double time = below(3);
    for (int s = 0; s < sets; ++s) {
      std::vector<std::int32_t> set;
      const int items = 1 + below(setItems);
      for (int i = 0; i < items; ++i) set.push_back(kAlphabet[below(kAlphabet.size())]);
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
      customer.sets.push_back(set);
      customer.times.push_back(time);
      time += below(4);
    }
  }
  if (longSets > 0) {
    CustomerSpec& customer = customers.emplace_back();
    for (int s = 0; s < longSets; ++s) {
      customer.sets.push_back({kAlphabet[below(kAlphabet.size())]});
      customer.times.push_back(s);
    }
  }
  return customers;
}

TEST(SequenceMinerPropertyTest, EqualsExhaustiveCounting) {
  // Minimum gap, maximum gap, sliding window.
  const double kConstraints[][3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 3}, {1, 3, 5}};
  // Per seed; the last two have one item per set (click streams), which the miner stores apart.
  const int kLongSets[] = {0, 70, 12, 40, 20, 0, 70};
  const int kSetItems[] = {3, 3, 3, 3, 3, 1, 1};
  for (std::uint32_t seed = 1; seed <= 7; ++seed) {
    const std::vector<CustomerSpec> customers =
        RandomCustomers(seed, kLongSets[seed - 1], kSetItems[seed - 1]);
    const SequenceDatabase db = testutil::MakeDatabase(customers);
    for (const auto& [minGap, maxGap, window] : kConstraints) {
      MiningOptions options;
      options.maxItems = kMaxItems;
      options.minGap = minGap;
      options.maxGap = maxGap;
      options.slidingWindow = window;
      std::map<std::string, std::int32_t> counts;
      for (std::int32_t x : kAlphabet) {
        Pattern pattern = {{x}};
        Visit(customers, options, pattern, 1, &counts);
      }
      for (double support : {0.05, 0.2, 0.5}) {
        options.minSupport = support;
        MiningSummary summary;
        const auto mined = testutil::MineAll(db, options, &summary);
        std::map<std::string, std::int32_t> frequent;
        for (const auto& [text, count] : counts) {
          if (count >= summary.countThreshold) frequent.emplace(text, count);
        }
        EXPECT_EQ(frequent, mined) << "seed " << seed << ", gaps " << minGap << "/" << maxGap
                                   << ", window " << window << ", support " << support;
        EXPECT_EQ(static_cast<std::int64_t>(mined.size()), summary.sequences);
      }
    }
  }
}

// Below each one-item sequence, a search without a maximum gap walks only the part of the
// database that the root's frequent extensions can use. A maximum gap longer than any history
// constrains nothing but has the search walk the whole database: both must find the same, with
// no other constraint, a minimum gap, a window or both. Items are drawn from a wider alphabet,
// skewed, so that most are rare after a given root and the part drops most positions; the long
// customer keeps the runs without constraints off the bitmap search.
TEST(SequenceMinerPropertyTest, PartBelowARootFindsWhatTheWholeDatabaseGives) {
  struct Case {
    int setItems;  // at most, per item set
    double supports[2];
  };
  const Case kCases[] = {{1, {0.03, 0.08}}, {3, {0.1, 0.2}}};
  // Minimum gap, sliding window.
  const double kConstraints[][2] = {{0, 0}, {2, 0}, {0, 6}, {2, 9}};
  for (const Case& c : kCases) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
      std::mt19937 random(seed);
      auto item = [&random] {  // 1..24, small ones far more often
        const std::uint32_t a = random() % 24, b = random() % 24;
        return static_cast<std::int32_t>(1 + std::min(a, b));
      };
      std::vector<CustomerSpec> customers(60);
      customers.back().sets.resize(70);
      for (CustomerSpec& customer : customers) {
        if (customer.sets.empty()) customer.sets.resize(2 + random() % 12);
        double time = 0;
        for (auto& set : customer.sets) {
          const int items = 1 + static_cast<int>(random() % c.setItems);
          for (int i = 0; i < items; ++i) set.push_back(item());
          std::sort(set.begin(), set.end());
          set.erase(std::unique(set.begin(), set.end()), set.end());
          customer.times.push_back(time);
          time += random() % 3;
        }
      }
      const SequenceDatabase db = testutil::MakeDatabase(customers);
      for (const auto& [minGap, window] : kConstraints) {
        for (double support : c.supports) {
          MiningOptions options;
          options.maxItems = 5;
          options.minSupport = support;
          options.minGap = minGap;
          options.slidingWindow = window;
          const auto part = testutil::MineAll(db, options);
          options.maxGap = 1000;
          const auto whole = testutil::MineAll(db, options);
          EXPECT_EQ(whole, part) << "set items " << c.setItems << ", seed " << seed << ", gap "
                                 << minGap << ", window " << window << ", support " << support;
          EXPECT_GT(part.size(), 20u);
        }
      }
    }
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
