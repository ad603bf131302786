#include "mining/SequenceMiner.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "input/SequenceDatabase.h"
#include "dictionary/SequenceDictionary.h"

// How the search works.
//
// The database is first copied into a compact form that keeps only the frequent items,
// renumbered 0..F-1 in ascending order of their ids, and drops the item sets and customers left
// empty. The search then grows patterns depth first, one item at a time, either by adding an
// item to the last item set (an item-set extension, always of an item greater than the last) or
// by appending a new item set of one item (a sequence extension). Every sequence has exactly one
// such chain of growth, and a pattern's count is never below the count of its extensions, so a
// rare pattern ends its branch. Two representations of a pattern's occurrences are used:
//
// Bitmaps, when there are no time constraints, no customer has more than 64 item sets and the
// F x customers table of masks is small. Each item has, per customer, the mask of the customer's
// item sets holding it. A pattern keeps, per supporting customer, the mask of the sets at which
// a match of it can end. Its item-set extension by x is that mask ANDed with x's mask; its
// sequence extension by x is x's mask ANDed with the sets after the first bit. Only items that
// extended the parent are tried (an extension of a pattern by x contains the parent's extension
// by x as a subsequence, so it is not more frequent), and of those only items x that enough
// customers hold together with, or after, the pattern's last item y: a table counted once per
// item pair says how many customers hold x in a set with y, and how many hold x in a set after
// one holding y.
//
// Positions, otherwise. A pattern keeps, per supporting customer, the item positions at which
// its last item is matched by the set matching its last item set; with a sliding window each
// also carries the latest set at which such a match can start, the only thing about the earlier
// sets that later extensions need. A node makes one pass over the items its projection reaches
// to count the customers of every extension, and a second pass that builds the projections of
// the frequent ones. Counts, stamps and slots are arrays indexed by item, shared by all nodes
// because a node finishes both passes before it descends. With a maximum gap the candidate
// pruning of the bitmap search would be wrong (removing an inner item set can stretch a gap),
// so this search tries every item.

namespace SEQUENCE_NAMESPACE_800 {

namespace {

struct Projection {
  std::vector<std::uint32_t> cust;   // compact customer index, ascending
  std::vector<std::uint32_t> begin;  // cust.size() + 1 offsets into pos
  std::vector<std::uint32_t> pos;    // match end positions per customer, ascending
  std::vector<std::uint32_t> start;  // with a window: latest start set of each position

  void Clear() {
    cust.clear();
    begin.clear();
    pos.clear();
    start.clear();
  }
  void Append(std::uint32_t c, std::uint32_t p) {
    if (cust.empty() || cust.back() != c) {
      cust.push_back(c);
      begin.push_back(static_cast<std::uint32_t>(pos.size()));
    }
    pos.push_back(p);
  }
  void Finish() { begin.push_back(static_cast<std::uint32_t>(pos.size())); }
  std::int32_t Support() const { return static_cast<std::int32_t>(cust.size()); }
};

// Per supporting customer, the mask of its item sets at which a match can end (never 0).
struct BitProjection {
  std::vector<std::uint32_t> cust;  // compact customer index, ascending
  std::vector<std::uint64_t> mask;
  std::size_t size = 0;  // entries in use; the vectors may be longer

  void Reserve(std::size_t n) {
    if (cust.size() < n) {
      cust.resize(n);
      mask.resize(n);
    }
  }
  void Release() {
    cust = std::vector<std::uint32_t>();
    mask = std::vector<std::uint64_t>();
    size = 0;
  }
};

// A run of candidate items, ascending.
struct ItemSpan {
  const std::int32_t* begin;
  const std::int32_t* end;
};

// Bitmaps are used up to this many F x customers entries (128 MiB of masks).
constexpr std::size_t kMaxBitmapEntries = std::size_t{1} << 24;
constexpr std::uint32_t kMaxBitmapSets = 64;
// The item pair table is counted when it has at most this many entries and counting it takes at
// most kMaxPairWork steps (the sum over customers of their distinct items squared).
constexpr std::size_t kMaxPairEntries = std::size_t{1} << 22;
constexpr std::uint64_t kMaxPairWork = std::uint64_t{1} << 26;

// A set that a sequence extension may use, with the start its match gets.
struct Reach {
  std::uint32_t set;
  std::uint32_t start;
};

class MinerRun {
 public:
  MinerRun(const MiningOptions& options, const SequenceMiner::Visitor& visitor)
      : options_(options), visitor_(visitor) {
    minGap_ = options.minGap > 0 ? options.minGap : 0;
    maxGap_ = options.maxGap > 0 ? options.maxGap : 0;
    window_ = options.slidingWindow > 0 ? options.slidingWindow : 0;
    timed_ = minGap_ > 0 || maxGap_ > 0 || window_ > 0;
  }

  MiningSummary Run(const SequenceDatabase& db);

 private:
  void Compact(const SequenceDatabase& db);
  bool CanUseBitmaps() const;
  void Push(std::int32_t x, bool newSet) {
    items_.push_back(original_[x]);
    if (newSet) {
      setEnds_.push_back(static_cast<std::int32_t>(items_.size()));
    } else {
      ++setEnds_.back();
    }
  }
  void Pop(bool newSet) {
    items_.pop_back();
    if (newSet) {
      setEnds_.pop_back();
    } else {
      --setEnds_.back();
    }
  }
  void ReportProgress(std::size_t done, std::size_t total);

  // Bitmap search.
  void RunBitmaps();
  // Counts pairTogether_ and pairAfter_ when that is cheap enough; sets usePairs_.
  void CountPairs();
  // Reports the pattern in items_/setEnds_, whose occurrences are proj and whose last item is
  // last, and its extensions by the candidate items.
  void GrowBits(std::int32_t depth, const BitProjection& proj, std::int32_t last,
                ItemSpan extendCandidates, ItemSpan appendCandidates);
  // Fills *out with base[k] & (x's mask) over the customers of proj; returns true iff at
  // least threshold_ customers remain.
  bool ExtendBits(const BitProjection& proj, const std::uint64_t* base, std::int32_t x,
                  BitProjection* out);

  // Position search.
  void RunPositions();
  // Reports the pattern in items_/setEnds_, whose projection is proj, and its extensions.
  void Grow(std::int32_t depth, const Projection& proj);
  // Leaves the frequent extensions of the pattern in childI_ and childS_ at its depth.
  void CountExtensions(const Projection& proj);
  // Builds into out the projections of those extensions, item-set extensions first.
  void BuildExtensions(const Projection& proj, std::vector<Projection>& out);
  // The sets after the first position of customer k of proj that an appended item set may use.
  void ComputeReach(const Projection& proj, std::size_t k);
  void Emit(std::int32_t count);
  bool Cancelled() {
    if (!cancelled_ && options_.cancel != nullptr &&
        options_.cancel->load(std::memory_order_relaxed)) {
      cancelled_ = true;
    }
    return cancelled_;
  }
  // Advances the customer stamp, clearing the stamp arrays when it wraps around.
  std::uint32_t NextVisit() {
    if (++visit_ == 0) {
      std::fill(stampI_.begin(), stampI_.end(), 0);
      std::fill(stampS_.begin(), stampS_.end(), 0);
      visit_ = 1;
    }
    return visit_;
  }

  const MiningOptions& options_;
  const SequenceMiner::Visitor& visitor_;
  double minGap_ = 0, maxGap_ = 0, window_ = 0;
  bool timed_ = false;
  std::int32_t threshold_ = 1;
  std::int32_t maxItems_ = 0;
  bool cancelled_ = false;

  // Compact database.
  std::vector<std::int32_t> original_;  // compact item -> item id
  std::vector<std::uint32_t> custSet_;  // customer -> first set; one extra entry
  std::vector<std::uint32_t> setItem_;  // set -> first item position; one extra entry
  std::vector<double> setTime_;
  std::vector<std::uint32_t> setOf_;  // item position -> set
  std::vector<std::int32_t> item_;    // item position -> compact item

  // Per-item scratch shared by all nodes.
  std::vector<std::int32_t> countI_, countS_;
  std::vector<std::uint32_t> stampI_, stampS_;
  std::vector<std::int32_t> slotI_, slotS_;
  std::vector<std::int32_t> touchedI_, touchedS_;
  std::uint32_t visit_ = 0;
  std::vector<Reach> reach_;

  // Per depth: frequent extensions of the node being expanded and their projections.
  std::vector<std::vector<std::int32_t>> childI_, childS_;
  std::vector<std::vector<Projection>> pool_;

  // Bitmap search: bits_[x * customers_ + c] is the mask of customer c's sets holding x.
  std::vector<std::uint64_t> bits_;
  std::size_t customers_ = 0;
  std::vector<std::uint64_t> after_;
  std::vector<std::vector<BitProjection>> bitPool_;
  // pairTogether_[y * F + x]: customers holding x and y in one set; pairAfter_[y * F + x]:
  // customers holding x in a set after one holding y.
  bool usePairs_ = false;
  std::vector<std::int32_t> pairTogether_, pairAfter_;

  // The pattern being reported.
  std::vector<std::int32_t> items_;
  std::vector<std::int32_t> setEnds_;
  MiningSummary summary_;
};

void MinerRun::Compact(const SequenceDatabase& db) {
  const std::int32_t* items = db.items();
  std::vector<std::int32_t> ids(items, items + db.NumItems());
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  auto dense = [&ids](std::int32_t id) {
    return static_cast<std::int32_t>(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
  };

  // Customers per item, each customer counted once.
  std::vector<std::int32_t> support(ids.size(), 0);
  std::vector<std::int32_t> seen(ids.size(), -1);
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t p = db.setBegin(db.customerBegin(c));
         p < db.setBegin(db.customerBegin(c + 1)); ++p) {
      const std::int32_t d = dense(items[p]);
      if (seen[d] != c) {
        seen[d] = c;
        ++support[d];
      }
    }
  }
  std::vector<std::int32_t> remap(ids.size(), -1);
  for (std::size_t d = 0; d < ids.size(); ++d) {
    if (support[d] >= threshold_) {
      remap[d] = static_cast<std::int32_t>(original_.size());
      original_.push_back(ids[d]);
    }
  }

  custSet_.assign(1, 0);
  setItem_.assign(1, 0);
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
      const std::uint32_t set = static_cast<std::uint32_t>(setTime_.size());
      for (std::uint32_t p = db.setBegin(s); p < db.setBegin(s + 1); ++p) {
        const std::int32_t x = remap[dense(items[p])];
        if (x >= 0) {
          item_.push_back(x);
          setOf_.push_back(set);
        }
      }
      if (item_.size() > setItem_.back()) {
        setTime_.push_back(db.setTime(s));
        setItem_.push_back(static_cast<std::uint32_t>(item_.size()));
      }
    }
    if (setTime_.size() > custSet_.back()) {
      custSet_.push_back(static_cast<std::uint32_t>(setTime_.size()));
    }
  }
}

MiningSummary MinerRun::Run(const SequenceDatabase& db) {
  summary_.customers = db.NumCustomers();
  threshold_ = SequenceMiner::CountThreshold(options_.minSupport, db.NumCustomers());
  summary_.countThreshold = threshold_;
  maxItems_ = options_.maxItems;
  summary_.perLevel.assign(maxItems_ + 1, 0);
  if (Cancelled()) {
    summary_.cancelled = true;
    return summary_;
  }
  if (maxItems_ == 0) return summary_;
  Compact(db);
  customers_ = custSet_.size() - 1;
  childI_.resize(maxItems_ + 1);
  childS_.resize(maxItems_ + 1);
  if (CanUseBitmaps()) {
    RunBitmaps();
  } else {
    RunPositions();
  }
  summary_.cancelled = cancelled_;
  return summary_;
}

bool MinerRun::CanUseBitmaps() const {
  if (timed_) return false;
  if (original_.size() * customers_ > kMaxBitmapEntries) return false;
  for (std::size_t c = 0; c < customers_; ++c) {
    if (custSet_[c + 1] - custSet_[c] > kMaxBitmapSets) return false;
  }
  return true;
}

void MinerRun::ReportProgress(std::size_t done, std::size_t total) {
  if (!options_.progress || cancelled_) return;
  MiningProgress progress;
  progress.done = static_cast<std::int32_t>(done);
  progress.total = static_cast<std::int32_t>(total);
  progress.found = summary_.sequences;
  options_.progress(progress);
}

void MinerRun::RunBitmaps() {
  const std::size_t f = original_.size();
  bits_.assign(f * customers_, 0);
  for (std::size_t c = 0; c < customers_; ++c) {
    for (std::uint32_t p = setItem_[custSet_[c]]; p < setItem_[custSet_[c + 1]]; ++p) {
      bits_[item_[p] * customers_ + c] |= std::uint64_t{1} << (setOf_[p] - custSet_[c]);
    }
  }
  CountPairs();
  // Every frequent item is a candidate below the one-item sequences.
  std::vector<std::int32_t> all(f);
  for (std::size_t x = 0; x < f; ++x) all[x] = static_cast<std::int32_t>(x);
  bitPool_.resize(maxItems_ + 2);
  bitPool_[1].resize(1);
  BitProjection& root = bitPool_[1][0];
  root.Reserve(customers_);
  for (std::size_t x = 0; x < f && !Cancelled(); ++x) {
    root.size = 0;
    const std::uint64_t* column = &bits_[x * customers_];
    for (std::size_t c = 0; c < customers_; ++c) {
      if (column[c] == 0) continue;
      root.cust[root.size] = static_cast<std::uint32_t>(c);
      root.mask[root.size++] = column[c];
    }
    items_.assign(1, original_[x]);
    setEnds_.assign(1, 1);
    const ItemSpan greater = {all.data() + x + 1, all.data() + f};
    const ItemSpan every = {all.data(), all.data() + f};
    GrowBits(1, root, static_cast<std::int32_t>(x), greater, every);
    ReportProgress(x + 1, f);
  }
}

void MinerRun::CountPairs() {
  const std::size_t f = original_.size();
  if (f * f > kMaxPairEntries) return;
  std::uint64_t work = 0;
  std::vector<std::uint32_t> distinct(customers_, 0);
  std::vector<std::uint32_t> seen(f, 0);
  for (std::size_t c = 0; c < customers_; ++c) {
    for (std::uint32_t p = setItem_[custSet_[c]]; p < setItem_[custSet_[c + 1]]; ++p) {
      if (seen[item_[p]] != c + 1) {
        seen[item_[p]] = static_cast<std::uint32_t>(c + 1);
        ++distinct[c];
      }
    }
    work += std::uint64_t{distinct[c]} * distinct[c];
  }
  if (work > kMaxPairWork) return;
  pairTogether_.assign(f * f, 0);
  pairAfter_.assign(f * f, 0);
  std::vector<std::int32_t> present;
  std::fill(seen.begin(), seen.end(), 0);
  for (std::size_t c = 0; c < customers_; ++c) {
    present.clear();
    for (std::uint32_t p = setItem_[custSet_[c]]; p < setItem_[custSet_[c + 1]]; ++p) {
      if (seen[item_[p]] != c + 1) {
        seen[item_[p]] = static_cast<std::uint32_t>(c + 1);
        present.push_back(item_[p]);
      }
    }
    for (std::int32_t y : present) {
      const std::uint64_t my = bits_[y * customers_ + c];
      const std::uint64_t afterY = ~(((my & (~my + 1)) << 1) - 1);
      for (std::int32_t x : present) {
        const std::uint64_t mx = bits_[x * customers_ + c];
        pairTogether_[y * f + x] += (mx & my) != 0 && x != y;
        pairAfter_[y * f + x] += (mx & afterY) != 0;
      }
    }
  }
  usePairs_ = true;
}

void MinerRun::GrowBits(std::int32_t depth, const BitProjection& proj, std::int32_t last,
                        ItemSpan extendCandidates, ItemSpan appendCandidates) {
  Emit(static_cast<std::int32_t>(proj.size));
  if (depth == maxItems_ || Cancelled()) return;
  std::vector<BitProjection>& children = bitPool_[depth + 1];
  const std::size_t most = static_cast<std::size_t>(extendCandidates.end - extendCandidates.begin) +
                           static_cast<std::size_t>(appendCandidates.end - appendCandidates.begin);
  if (children.size() < most) children.resize(most);

  std::vector<std::int32_t>& extendSet = childI_[depth];
  std::vector<std::int32_t>& appendSet = childS_[depth];
  extendSet.clear();
  appendSet.clear();
  std::size_t used = 0;
  const std::int32_t* together = usePairs_ ? &pairTogether_[last * original_.size()] : nullptr;
  const std::int32_t* after = usePairs_ ? &pairAfter_[last * original_.size()] : nullptr;
  for (const std::int32_t* x = extendCandidates.begin; x != extendCandidates.end; ++x) {
    if (together != nullptr && together[*x] < threshold_) continue;
    if (ExtendBits(proj, proj.mask.data(), *x, &children[used])) {
      extendSet.push_back(*x);
      ++used;
    }
  }
  if (appendCandidates.begin != appendCandidates.end) {
    // The sets strictly after the first set of each customer's mask.
    if (after_.size() < proj.size) after_.resize(proj.size);
    for (std::size_t k = 0; k < proj.size; ++k) {
      const std::uint64_t m = proj.mask[k];
      after_[k] = ~(((m & (~m + 1)) << 1) - 1);
    }
    for (const std::int32_t* x = appendCandidates.begin; x != appendCandidates.end; ++x) {
      if (after != nullptr && after[*x] < threshold_) continue;
      if (ExtendBits(proj, after_.data(), *x, &children[used])) {
        appendSet.push_back(*x);
        ++used;
      }
    }
  }

  std::size_t slot = 0;
  const ItemSpan appended = {appendSet.data(), appendSet.data() + appendSet.size()};
  for (std::size_t i = 0; i < extendSet.size() && !cancelled_; ++i) {
    Push(extendSet[i], false);
    GrowBits(depth + 1, children[slot++], extendSet[i],
             {extendSet.data() + i + 1, extendSet.data() + extendSet.size()}, appended);
    Pop(false);
  }
  for (std::size_t i = 0; i < appendSet.size() && !cancelled_; ++i) {
    Push(appendSet[i], true);
    GrowBits(depth + 1, children[slot++], appendSet[i],
             {appendSet.data() + i + 1, appendSet.data() + appendSet.size()}, appended);
    Pop(true);
  }
}

bool MinerRun::ExtendBits(const BitProjection& proj, const std::uint64_t* base, std::int32_t x,
                          BitProjection* out) {
  const std::uint64_t* column = &bits_[static_cast<std::size_t>(x) * customers_];
  out->Reserve(proj.size);
  std::uint32_t* cust = out->cust.data();
  std::uint64_t* mask = out->mask.data();
  const std::size_t need = static_cast<std::size_t>(threshold_);
  std::size_t kept = 0;
  for (std::size_t k = 0; k < proj.size; ++k) {
    // Give up as soon as the remaining customers cannot reach the threshold.
    if (kept + (proj.size - k) < need) return false;
    const std::uint32_t c = proj.cust[k];
    const std::uint64_t m = base[k] & column[c];
    cust[kept] = c;
    mask[kept] = m;
    kept += m != 0;
  }
  out->size = kept;
  return kept >= need;
}

void MinerRun::RunPositions() {
  const std::size_t f = original_.size();
  countI_.assign(f, 0);
  countS_.assign(f, 0);
  stampI_.assign(f, 0);
  stampS_.assign(f, 0);
  slotI_.assign(f, -1);
  slotS_.assign(f, -1);
  pool_.resize(maxItems_ + 1);

  // Projections of the one-item sequences: every occurrence of every frequent item.
  std::vector<Projection>& roots = pool_[1];
  roots.resize(f);
  for (std::uint32_t c = 0; c < customers_; ++c) {
    for (std::uint32_t p = setItem_[custSet_[c]]; p < setItem_[custSet_[c + 1]]; ++p) {
      Projection& proj = roots[item_[p]];
      proj.Append(c, p);
      if (window_ > 0) proj.start.push_back(setOf_[p]);
    }
  }
  for (std::size_t x = 0; x < f && !Cancelled(); ++x) {
    roots[x].Finish();
    items_.assign(1, original_[x]);
    setEnds_.assign(1, 1);
    Grow(1, roots[x]);
    roots[x] = Projection();  // release its memory
    ReportProgress(x + 1, f);
  }
}

void MinerRun::Emit(std::int32_t count) {
  MinedSequence found;
  found.items = items_.data();
  found.setEnds = setEnds_.data();
  found.numItems = static_cast<std::int32_t>(items_.size());
  found.numSets = static_cast<std::int32_t>(setEnds_.size());
  found.count = count;
  ++summary_.sequences;
  ++summary_.perLevel[found.numItems];
  visitor_(found);
}

void MinerRun::Grow(std::int32_t depth, const Projection& proj) {
  Emit(proj.Support());
  if (depth == maxItems_ || Cancelled()) return;
  CountExtensions(proj);
  std::vector<std::int32_t>& extendSet = childI_[depth];
  std::vector<std::int32_t>& appendSet = childS_[depth];
  if (extendSet.empty() && appendSet.empty()) return;
  std::vector<Projection>& children = pool_[depth + 1];
  BuildExtensions(proj, children);

  std::size_t slot = 0;
  for (std::size_t i = 0; i < extendSet.size() && !cancelled_; ++i) {
    Push(extendSet[i], false);
    Grow(depth + 1, children[slot++]);
    Pop(false);
  }
  for (std::size_t i = 0; i < appendSet.size() && !cancelled_; ++i) {
    Push(appendSet[i], true);
    Grow(depth + 1, children[slot++]);
    Pop(true);
  }
}

void MinerRun::ComputeReach(const Projection& proj, std::size_t k) {
  reach_.clear();
  const std::uint32_t* pos = proj.pos.data();
  const std::uint32_t b = proj.begin[k];
  const std::uint32_t e = proj.begin[k + 1];
  const std::uint32_t endSet = custSet_[proj.cust[k] + 1];
  for (std::uint32_t j = setOf_[pos[b]] + 1; j < endSet; ++j) {
    const double tj = setTime_[j];
    bool ok = false;
    std::uint32_t best = 0;
    for (std::uint32_t i = b; i < e; ++i) {
      const std::uint32_t si = setOf_[pos[i]];
      if (si >= j) break;
      const double gap = tj - setTime_[si];
      if (minGap_ > 0 && !(gap >= minGap_)) continue;
      if (maxGap_ > 0 && !(gap <= maxGap_)) continue;
      if (window_ > 0) {
        const std::uint32_t start = proj.start[i];
        if (!ok || setTime_[start] > setTime_[best]) best = start;
      }
      ok = true;
    }
    if (ok && window_ > 0 && !(tj - setTime_[best] <= window_)) ok = false;
    if (ok) reach_.push_back({j, best});
  }
}

void MinerRun::CountExtensions(const Projection& proj) {
  const std::uint32_t* pos = proj.pos.data();
  const std::int32_t* item = item_.data();
  auto mark = [](std::int32_t x, std::uint32_t visit, std::vector<std::uint32_t>& stamp,
                 std::vector<std::int32_t>& count, std::vector<std::int32_t>& touched) {
    if (stamp[x] != visit) {
      stamp[x] = visit;
      if (count[x]++ == 0) touched.push_back(x);
    }
  };
  touchedI_.clear();
  touchedS_.clear();
  for (std::size_t k = 0; k < proj.cust.size(); ++k) {
    const std::uint32_t visit = NextVisit();
    const std::uint32_t b = proj.begin[k];
    const std::uint32_t e = proj.begin[k + 1];
    for (std::uint32_t i = b; i < e; ++i) {
      const std::uint32_t setEnd = setItem_[setOf_[pos[i]] + 1];
      for (std::uint32_t p = pos[i] + 1; p < setEnd; ++p) {
        mark(item[p], visit, stampI_, countI_, touchedI_);
      }
    }
    if (!timed_) {
      const std::uint32_t from = setItem_[setOf_[pos[b]] + 1];
      const std::uint32_t to = setItem_[custSet_[proj.cust[k] + 1]];
      for (std::uint32_t p = from; p < to; ++p) mark(item[p], visit, stampS_, countS_, touchedS_);
    } else {
      ComputeReach(proj, k);
      for (const Reach& r : reach_) {
        for (std::uint32_t p = setItem_[r.set]; p < setItem_[r.set + 1]; ++p) {
          mark(item[p], visit, stampS_, countS_, touchedS_);
        }
      }
    }
  }
  auto collect = [this](std::vector<std::int32_t>& touched, std::vector<std::int32_t>& count,
                        std::vector<std::int32_t>& out) {
    out.clear();
    for (std::int32_t x : touched) {
      if (count[x] >= threshold_) out.push_back(x);
      count[x] = 0;
    }
    std::sort(out.begin(), out.end());
  };
  const std::int32_t depth = static_cast<std::int32_t>(items_.size());
  collect(touchedI_, countI_, childI_[depth]);
  collect(touchedS_, countS_, childS_[depth]);
}

void MinerRun::BuildExtensions(const Projection& proj, std::vector<Projection>& out) {
  const std::int32_t depth = static_cast<std::int32_t>(items_.size());
  const std::vector<std::int32_t>& extendSet = childI_[depth];
  const std::vector<std::int32_t>& appendSet = childS_[depth];
  const std::size_t n = extendSet.size() + appendSet.size();
  if (out.size() < n) out.resize(n);
  for (std::size_t i = 0; i < n; ++i) out[i].Clear();
  std::int32_t slot = 0;
  for (std::int32_t x : extendSet) slotI_[x] = slot++;
  for (std::int32_t x : appendSet) slotS_[x] = slot++;

  const std::uint32_t* pos = proj.pos.data();
  const std::int32_t* item = item_.data();
  const bool window = window_ > 0;
  for (std::size_t k = 0; k < proj.cust.size(); ++k) {
    const std::uint32_t c = proj.cust[k];
    const std::uint32_t b = proj.begin[k];
    const std::uint32_t e = proj.begin[k + 1];
    if (!extendSet.empty()) {
      for (std::uint32_t i = b; i < e; ++i) {
        const std::uint32_t setEnd = setItem_[setOf_[pos[i]] + 1];
        for (std::uint32_t p = pos[i] + 1; p < setEnd; ++p) {
          const std::int32_t s = slotI_[item[p]];
          if (s < 0) continue;
          out[s].Append(c, p);
          if (window) out[s].start.push_back(proj.start[i]);
        }
      }
    }
    if (appendSet.empty()) continue;
    if (!timed_) {
      const std::uint32_t from = setItem_[setOf_[pos[b]] + 1];
      const std::uint32_t to = setItem_[custSet_[c + 1]];
      for (std::uint32_t p = from; p < to; ++p) {
        const std::int32_t s = slotS_[item[p]];
        if (s >= 0) out[s].Append(c, p);
      }
    } else {
      ComputeReach(proj, k);
      for (const Reach& r : reach_) {
        for (std::uint32_t p = setItem_[r.set]; p < setItem_[r.set + 1]; ++p) {
          const std::int32_t s = slotS_[item[p]];
          if (s < 0) continue;
          out[s].Append(c, p);
          if (window) out[s].start.push_back(r.start);
        }
      }
    }
  }
  for (std::size_t i = 0; i < n; ++i) out[i].Finish();
  for (std::int32_t x : extendSet) slotI_[x] = -1;
  for (std::int32_t x : appendSet) slotS_[x] = -1;
}

bool IsNaN(double x) { return std::isnan(x); }

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
  MinerRun run(options_, visitor);
  return run.Run(db);
}

std::int32_t SequenceMiner::CountThreshold(double minSupport, std::int32_t customers) {
  const std::int32_t threshold = SequenceDictionary::CountThreshold(minSupport * customers);
  return std::max<std::int32_t>(threshold, 1);
}

}  // namespace SEQUENCE_NAMESPACE_800
