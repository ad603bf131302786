#include "input/SequenceGenerator.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "input/SequenceDatabase.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr double kMaxAverage = 10000;
constexpr int kMaxPatternItems = 31;
constexpr int kPlantingAttempts = 8;

// Cumulative 1 / rank weights scaled to end at 1.
std::vector<double> HarmonicCumulative(std::size_t n) {
  std::vector<double> cumulative(n);
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sum += 1.0 / static_cast<double>(i + 1);
    cumulative[i] = sum;
  }
  for (double& c : cumulative) c /= sum;
  return cumulative;
}

std::size_t Pick(const std::vector<double>& cumulative, double u) {
  const auto it = std::upper_bound(cumulative.begin(), cumulative.end(), u);
  return std::min<std::size_t>(it - cumulative.begin(), cumulative.size() - 1);
}

void CheckAverage(double value, double most, const char* what) {
  if (!(value >= 1) || !(value <= most)) {
    throw std::invalid_argument(std::string(what) + " out of range");
  }
}

}  // namespace

SequenceGenerator::SequenceGenerator(const GeneratorOptions& options)
    : options_(options), engine_(options.seed) {
  if (options.customers < 1 || options.distinctItems < 1 || options.patterns < 1) {
    throw std::invalid_argument("generator counts must be at least 1");
  }
  CheckAverage(options.avgSetsPerCustomer, kMaxAverage, "average item sets per customer");
  CheckAverage(options.avgItemsPerSet, kMaxAverage, "average items per item set");
  CheckAverage(options.avgPatternItems, kMaxPatternItems, "average items per pattern");

  // Popularity ranks are given to the item ids in a random order.
  itemByRank_.resize(options.distinctItems);
  for (std::int32_t i = 0; i < options.distinctItems; ++i) itemByRank_[i] = i + 1;
  for (std::size_t i = itemByRank_.size(); i > 1; --i) {
    std::swap(itemByRank_[i - 1], itemByRank_[Below(static_cast<std::uint32_t>(i))]);
  }
  itemCumulative_ = HarmonicCumulative(itemByRank_.size());
  patternCumulative_ = HarmonicCumulative(options.patterns);

  patterns_.resize(options.patterns);
  double previous = 0;
  for (std::int32_t p = 0; p < options.patterns; ++p) {
    PlantedPattern& pattern = patterns_[p];
    pattern.weight = patternCumulative_[p] - previous;
    previous = patternCumulative_[p];
    const std::int32_t items = std::min(AroundMean(options.avgPatternItems), kMaxPatternItems);
    // Each item after the first opens a new set with probability 1 / avgItemsPerSet.
    pattern.sets.emplace_back();
    for (std::int32_t k = 0; k < items; ++k) {
      if (k > 0 && Real() * options.avgItemsPerSet < 1) pattern.sets.emplace_back();
      std::vector<std::int32_t>& set = pattern.sets.back();
      const std::int32_t item = PopularItem();
      if (std::find(set.begin(), set.end(), item) == set.end()) set.push_back(item);
    }
    for (auto& set : pattern.sets) std::sort(set.begin(), set.end());
  }
}

std::uint32_t SequenceGenerator::Next() { return static_cast<std::uint32_t>(engine_()); }

std::uint32_t SequenceGenerator::Below(std::uint32_t n) {
  // Rejects the top partial block of 2^32 so that every value is equally likely.
  const std::uint32_t limit = static_cast<std::uint32_t>(0x100000000ull - 0x100000000ull % n);
  for (;;) {
    const std::uint32_t v = Next();
    if (limit == 0 || v < limit) return v % n;
  }
}

double SequenceGenerator::Real() {
  const std::uint64_t high = Next() >> 5;                               // 27 bits
  const std::uint64_t low = Next() >> 6;                                // 26 bits
  return static_cast<double>((high << 26) | low) / 9007199254740992.0;  // 2^53
}

std::int32_t SequenceGenerator::AroundMean(double mean) {
  return 1 + static_cast<std::int32_t>(Real() * (2 * mean - 1));
}

std::int32_t SequenceGenerator::PopularItem() { return itemByRank_[Pick(itemCumulative_, Real())]; }

const PlantedPattern& SequenceGenerator::ChoosePattern() {
  return patterns_[Pick(patternCumulative_, Real())];
}

void SequenceGenerator::Generate(SequenceDatabase* db) {
  std::vector<std::vector<std::int32_t>> sets;
  std::vector<std::int32_t> room;
  std::vector<std::uint32_t> chosen;
  for (std::int32_t c = 0; c < options_.customers; ++c) {
    const std::int32_t n = AroundMean(options_.avgSetsPerCustomer);
    sets.assign(n, {});
    room.resize(n);
    std::int64_t target = 0;
    for (std::int32_t s = 0; s < n; ++s) {
      room[s] = AroundMean(options_.avgItemsPerSet);
      target += room[s];
    }
    std::int64_t placed = 0;
    for (int attempt = 0; attempt < kPlantingAttempts && 2 * placed < target; ++attempt) {
      const PlantedPattern& pattern = ChoosePattern();
      const std::uint32_t k = static_cast<std::uint32_t>(pattern.sets.size());
      if (k > static_cast<std::uint32_t>(n)) continue;
      // k increasing set positions out of n, each subset equally likely (selection sampling).
      chosen.clear();
      for (std::uint32_t s = 0; s < static_cast<std::uint32_t>(n) && chosen.size() < k; ++s) {
        if (Below(n - s) < k - chosen.size()) chosen.push_back(s);
      }
      for (std::uint32_t j = 0; j < k; ++j) {
        std::vector<std::int32_t>& set = sets[chosen[j]];
        set.insert(set.end(), pattern.sets[j].begin(), pattern.sets[j].end());
        placed += static_cast<std::int64_t>(pattern.sets[j].size());
      }
    }
    db->StartCustomer();
    double time = 0;
    for (std::int32_t s = 0; s < n; ++s) {
      for (std::int32_t fill = static_cast<std::int32_t>(sets[s].size()); fill < room[s]; ++fill) {
        sets[s].push_back(PopularItem());
      }
      db->AddItemSet(sets[s], time);
      time += 1 + Below(4);
    }
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
