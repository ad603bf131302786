// Synthetic customer histories with planted sequential patterns, so that every machine has data
// to mine.
#ifndef CARMASEQ_INPUT_SEQUENCEGENERATOR_H_
#define CARMASEQ_INPUT_SEQUENCEGENERATOR_H_

#include <cstdint>
#include <random>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

class SequenceDatabase;

// The shape of the generated data. Copyable.
struct CARMASEQ_MINING_EXPORT GeneratorOptions {
  std::int32_t customers = 1000;
  double avgSetsPerCustomer = 8;     // item sets per customer, at least 1
  double avgItemsPerSet = 2.5;       // items per item set, at least 1
  std::int32_t distinctItems = 200;  // item ids are 1..distinctItems
  std::int32_t patterns = 50;        // planted patterns
  double avgPatternItems = 4;        // items per pattern over all its sets, at least 1
  std::uint32_t seed = 1;
};

// A planted pattern: its item sets (ascending ids) and its share of the plantings.
struct CARMASEQ_MINING_EXPORT PlantedPattern {
  std::vector<std::vector<std::int32_t>> sets;
  double weight = 0;  // the weights of all patterns add up to 1
};

// How a customer is made: a number of item sets drawn around the average, each with a target
// size drawn around avgItemsPerSet; then patterns, chosen by weight, are planted whole into
// increasing item sets until half the target items are placed; the remaining room is filled
// with single items drawn by popularity. Item popularity and pattern weights fall off as
// 1 / rank. Item set k + 1 comes 1 to 4 time units after item set k, the first at time 0.
//
// Deterministic: the same options give the same data on every platform (a std::mt19937 stream
// turned into numbers by this class's own integer and IEEE arithmetic; no standard
// distributions, no math library calls). Copyable.
class CARMASEQ_MINING_EXPORT SequenceGenerator {
 public:
  // Draws the planted patterns. Throws std::invalid_argument when a count is below 1, an
  // average below 1 or not finite, avgPatternItems above 31, or avgSetsPerCustomer or
  // avgItemsPerSet above 10000.
  explicit SequenceGenerator(const GeneratorOptions& options);

  const std::vector<PlantedPattern>& patterns() const { return patterns_; }

  // Appends options.customers customers to *db.
  void Generate(SequenceDatabase* db);

 private:
  std::uint32_t Next();
  // Uniform in 0..n-1. REQUIRES: n > 0.
  std::uint32_t Below(std::uint32_t n);
  // Uniform in [0, 1) with 53 random bits.
  double Real();
  // A whole number from 1 to 2 * mean - 1 (rounded down), mean on average for whole 2 * mean.
  std::int32_t AroundMean(double mean);
  std::int32_t PopularItem();
  const PlantedPattern& ChoosePattern();

  GeneratorOptions options_;
  std::mt19937 engine_;
  std::vector<std::int32_t> itemByRank_;
  std::vector<double> itemCumulative_;
  std::vector<double> patternCumulative_;
  std::vector<PlantedPattern> patterns_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_SEQUENCEGENERATOR_H_
