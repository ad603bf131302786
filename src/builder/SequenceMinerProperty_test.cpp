// The miner against exhaustive counting on small random databases.
#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "builder/SequenceMiner.h"
#include "builder/builder_testutil.h"
#include "gtest/gtest.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::CustomerSpec;
using Pattern = std::vector<std::vector<std::int32_t>>;

const std::vector<std::int32_t> kAlphabet = {3, 10, 42, 100};
constexpr int kMaxItems = 4;

std::string Text(const Pattern& pattern) {
  std::string text;
  for (const auto& set : pattern) {
    text += "(";
    for (std::size_t i = 0; i < set.size(); ++i) {
      text += (i > 0 ? " " : "") + std::to_string(set[i]);
    }
    text += ")";
  }
  return text;
}

// Exhaustive search for one match of pattern in customer, trying every choice of item sets.
// failed_ remembers (pattern set, next position, first matched set) states that lead nowhere;
// whether a state can be completed depends on nothing else.
class Matcher {
 public:
  Matcher(const CustomerSpec& customer, const MiningOptions& options)
      : customer_(customer), options_(options) {}

  bool Contains(const Pattern& pattern) {
    pattern_ = &pattern;
    const std::size_t n = customer_.sets.size();
    failed_.assign(pattern.size() * (n + 1) * (n + 1), false);
    return Match(0, 0, 0);
  }

 private:
  double Time(std::size_t j) const { return customer_.times[j]; }

  bool Match(std::size_t k, std::size_t from, std::size_t first) {
    const Pattern& pattern = *pattern_;
    if (k == pattern.size()) return true;
    const std::size_t n = customer_.sets.size();
    const std::size_t state = (k * (n + 1) + from) * (n + 1) + first;
    if (failed_[state]) return false;
    for (std::size_t j = from; j < n; ++j) {
      if (k > 0) {
        const double gap = Time(j) - Time(from - 1);
        if (options_.minGap > 0 && gap < options_.minGap) continue;
        if (options_.maxGap > 0 && gap > options_.maxGap) continue;
      }
      const std::size_t start = k == 0 ? j : first;
      if (k + 1 == pattern.size() && options_.slidingWindow > 0 &&
          Time(j) - Time(start) > options_.slidingWindow) {
        continue;
      }
      const auto& set = customer_.sets[j];
      if (std::includes(set.begin(), set.end(), pattern[k].begin(), pattern[k].end()) &&
          Match(k + 1, j + 1, start)) {
        return true;
      }
    }
    failed_[state] = true;
    return false;
  }

  const CustomerSpec& customer_;
  const MiningOptions& options_;
  const Pattern* pattern_ = nullptr;
  std::vector<bool> failed_;
};

// Counts every pattern of 1..kMaxItems items over kAlphabet. Growth stops only at patterns that
// no customer contains, since no customer contains their extensions either.
class BruteForce {
 public:
  BruteForce(const std::vector<CustomerSpec>& customers, const MiningOptions& options)
      : customers_(customers), options_(options) {
    for (std::int32_t x : kAlphabet) {
      Pattern pattern = {{x}};
      Visit(pattern, 1);
    }
  }

  std::map<std::string, std::int32_t> Frequent(std::int32_t threshold) const {
    std::map<std::string, std::int32_t> frequent;
    for (const auto& [text, count] : counts_) {
      if (count >= threshold) frequent.emplace(text, count);
    }
    return frequent;
  }

 private:
  void Visit(Pattern& pattern, int items) {
    std::int32_t count = 0;
    for (const CustomerSpec& customer : customers_) {
      count += Matcher(customer, options_).Contains(pattern) ? 1 : 0;
    }
    if (count == 0) return;
    counts_[Text(pattern)] = count;
    if (items == kMaxItems) return;
    for (std::int32_t x : kAlphabet) {
      if (x > pattern.back().back()) {
        pattern.back().push_back(x);
        Visit(pattern, items + 1);
        pattern.back().pop_back();
      }
      pattern.push_back({x});
      Visit(pattern, items + 1);
      pattern.pop_back();
    }
  }

  const std::vector<CustomerSpec>& customers_;
  const MiningOptions& options_;
  std::map<std::string, std::int32_t> counts_;
};

// Random customers with equal times now and then; withLongCustomer adds one of more than 64
// item sets, which takes the miner off its bitmap search.
std::vector<CustomerSpec> RandomCustomers(std::uint32_t seed, bool withLongCustomer) {
  std::mt19937 random(seed);
  auto below = [&random](std::uint32_t n) { return static_cast<std::int32_t>(random() % n); };
  std::vector<CustomerSpec> customers(10 + below(15));
  for (CustomerSpec& customer : customers) {
    const int sets = 1 + below(6);
    double time = below(3);
    for (int s = 0; s < sets; ++s) {
      std::vector<std::int32_t> set;
      const int items = 1 + below(3);
      for (int i = 0; i < items; ++i) set.push_back(kAlphabet[below(kAlphabet.size())]);
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
      customer.sets.push_back(set);
      customer.times.push_back(time);
      time += below(4);
    }
  }
  if (withLongCustomer) {
    CustomerSpec& customer = customers.emplace_back();
    for (int s = 0; s < 70; ++s) {
      customer.sets.push_back({kAlphabet[below(kAlphabet.size())]});
      customer.times.push_back(s);
    }
  }
  return customers;
}

struct Constraints {
  const char* name;
  double minGap, maxGap, slidingWindow;
};

TEST(SequenceMinerPropertyTest, EqualsExhaustiveCounting) {
  const Constraints kConstraints[] = {{"none", 0, 0, 0},
                                      {"minGap 2", 2, 0, 0},
                                      {"maxGap 2", 0, 2, 0},
                                      {"window 3", 0, 0, 3},
                                      {"all three", 1, 3, 5}};
  const double kSupports[] = {0.05, 0.2, 0.5};
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    const std::vector<CustomerSpec> customers = RandomCustomers(seed, seed % 2 == 0);
    const SequenceDatabase db = testutil::MakeDatabase(customers);
    for (const Constraints& constraints : kConstraints) {
      MiningOptions options;
      options.maxItems = kMaxItems;
      options.minGap = constraints.minGap;
      options.maxGap = constraints.maxGap;
      options.slidingWindow = constraints.slidingWindow;
      const BruteForce brute(customers, options);
      for (double support : kSupports) {
        options.minSupport = support;
        MiningSummary summary;
        const auto mined = testutil::MineAll(db, options, &summary);
        EXPECT_EQ(brute.Frequent(summary.countThreshold), mined)
            << "seed " << seed << ", " << constraints.name << ", support " << support;
        EXPECT_EQ(static_cast<std::int64_t>(mined.size()), summary.sequences);
      }
    }
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
