#include "mining/SequenceMiner.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "dictionary/SequenceDictionary.h"
#include "input/SequenceDatabase.h"
#include "mining/BitmapSearch.h"
#include "mining/CompactDatabase.h"
#include "mining/MiningRun.h"
#include "mining/PositionSearch.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

bool IsNaN(double x) { return std::isnan(x); }

// Mines every one-item sequence of run's database, in ascending order of item, with search.
template <typename Search>
void MineRoots(MiningRun& run, Search& search) {
  const std::size_t f = run.db().NumItems();
  for (std::size_t x = 0; x < f && !run.Cancelled(); ++x) {
    run.StartRoot(static_cast<std::int32_t>(x));
    search.MineRoot(static_cast<std::int32_t>(x));
    run.ReportProgress(x + 1, f);
  }
}

}  // namespace

SequenceMiner::SequenceMiner(MiningOptions options) : options_(std::move(options)) {
  if (IsNaN(options_.minSupport) || options_.minSupport < 0) {
    throw std::invalid_argument("minimum support must be a number of at least 0");
  }
  if (options_.maxItems < 0 || options_.maxItems > 31) {
    throw std::invalid_argument("maximum number of items must lie in 0..31");
  }
  if (IsNaN(options_.minGap) || IsNaN(options_.maxGap) || IsNaN(options_.slidingWindow)) {
    throw std::invalid_argument("time constraints must be numbers");
  }
}

MiningSummary SequenceMiner::Mine(const SequenceDatabase& db, const Visitor& visitor) const {
  const std::int32_t threshold = CountThreshold(options_.minSupport, db.NumCustomers());
  MiningSummary summary;
  summary.customers = db.NumCustomers();
  summary.countThreshold = threshold;
  summary.perLevel.assign(options_.maxItems + 1, 0);
  const bool cancelled = options_.cancel != nullptr && options_.cancel->load();
  if (cancelled || options_.maxItems == 0) {
    summary.cancelled = cancelled;
    return summary;
  }

  const CompactDatabase compact(db, threshold);
  MiningRun run(options_, compact, threshold, visitor);
  if (BitmapSearch::Tables::Suit(compact, options_)) {
    const BitmapSearch::Tables tables(compact);
    BitmapSearch search(run, tables);
    MineRoots(run, search);
  } else {
    const PositionSearch::Roots roots(compact, options_.slidingWindow > 0);
    PositionSearch search(run, roots);
    MineRoots(run, search);
  }
  summary = std::move(run.summary());
  summary.customers = db.NumCustomers();
  summary.cancelled = run.cancelled();
  return summary;
}

std::int32_t SequenceMiner::CountThreshold(double minSupport, std::int32_t customers) {
  const std::int32_t threshold = SequenceDictionary::CountThreshold(minSupport * customers);
  return std::max<std::int32_t>(threshold, 1);
}

}  // namespace SEQUENCE_NAMESPACE_800
