#include "mining/BitmapSearch.h"

#include <algorithm>
#include <new>

#include "foundation/Resident.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Bitmaps are used up to this many F x customers entries (128 MiB of masks).
constexpr std::size_t kMaxBitmapEntries = std::size_t{1} << 24;
constexpr std::uint32_t kMaxBitmapSets = 64;
// A table of masks up to this size is backed as a whole when it is made.
constexpr std::size_t kMaxBackedTable = std::size_t{16} << 20;
// The item pair table is counted when it has at most this many entries and counting it takes at
// most kMaxPairWork steps (the sum over customers of their distinct items squared).
constexpr std::size_t kMaxPairEntries = std::size_t{1} << 22;
constexpr std::uint64_t kMaxPairWork = std::uint64_t{1} << 26;
// While counting, candidates that can no longer reach the threshold are dropped after every this
// many customers.
constexpr std::size_t kPruneInterval = 16;
// Rows of customers this many places ahead are fetched into the cache while counting.
constexpr std::size_t kPrefetchAhead = 4;
// Customers counted together (see MaskSearch::Count); divides kPruneInterval.
constexpr std::size_t kBlock = 4;

// SetsAfterFirst for a mask of any width: computed in 64 bits, the bits above the mask's width
// are cut off by the conversion back.
template <typename Mask>
Mask After(Mask mask) {
  return static_cast<Mask>(SetsAfterFirst(mask));
}

std::uint32_t LongestCustomer(const CompactDatabase& db) {
  std::uint32_t longest = 0;
  for (std::size_t c = 0; c < db.NumCustomers(); ++c) {
    longest = std::max(longest, db.FirstSet(c + 1) - db.FirstSet(c));
  }
  return longest;
}

}  // namespace

bool BitmapSearch::Tables::Suit(const CompactDatabase& db, const MiningOptions& options) {
  if (HasTimeConstraints(options)) return false;
  if (db.NumItems() * db.NumCustomers() > kMaxBitmapEntries) return false;
  return LongestCustomer(db) <= kMaxBitmapSets;
}

BitmapSearch::Tables::Tables(const CompactDatabase& db)
    : items_(db.NumItems()), customers_(db.NumCustomers()) {
  const std::uint32_t longest = LongestCustomer(db);
  if (longest <= 8) {
    Fill<std::uint8_t>(db);
  } else if (longest <= 16) {
    Fill<std::uint16_t>(db);
  } else if (longest <= 32) {
    Fill<std::uint32_t>(db);
  } else {
    Fill<std::uint64_t>(db);
  }
}

template <typename Mask>
void BitmapSearch::Tables::Fill(const CompactDatabase& db) {
  maskBytes_ = sizeof(Mask);
  // Untyped zeroed memory, so that the masks are objects of their own width.
  rows_.reset(std::calloc(std::max<std::size_t>(items_ * customers_, 1), sizeof(Mask)));
  if (rows_ == nullptr) throw std::bad_alloc();
  // Backing the table at once spares a fault per page. Pages no customer writes to (wide rows
  // of sparse data) would stay unbacked otherwise, so only a table of bounded size is.
  const std::size_t tableBytes = items_ * customers_ * sizeof(Mask);
  if (tableBytes <= kMaxBackedTable) MakeResident(rows_.get(), tableBytes);
  Mask* masks = static_cast<Mask*>(rows_.get());
  for (std::size_t c = 0; c < customers_; ++c) {
    Mask* row = masks + c * items_;
    for (std::uint32_t s = db.FirstSet(c); s < db.FirstSet(c + 1); ++s) {
      const auto bit = static_cast<Mask>(Mask{1} << (s - db.FirstSet(c)));
      for (std::uint32_t p = db.FirstItem(s); p < db.FirstItem(s + 1); ++p) {
        row[db.ItemAt(p)] |= bit;
      }
    }
  }
  CountPairs<Mask>(db);
}

template <typename Mask>
void BitmapSearch::Tables::CountPairs(const CompactDatabase& db) {
  const std::size_t f = items_;
  if (f * f > kMaxPairEntries) return;
  // Each customer's distinct items, found with a stamp per item (the customer's index + 1).
  std::vector<std::uint32_t> seen(f, 0);
  auto distinctItems = [&](std::size_t c, std::vector<std::int32_t>* present) {
    present->clear();
    for (std::uint32_t p = db.CustomerBegin(c); p < db.CustomerEnd(c); ++p) {
      if (seen[db.ItemAt(p)] != c + 1) {
        seen[db.ItemAt(p)] = static_cast<std::uint32_t>(c + 1);
        present->push_back(db.ItemAt(p));
      }
    }
  };
  std::vector<std::int32_t> present;
  std::uint64_t work = 0;
  for (std::size_t c = 0; c < customers_; ++c) {
    distinctItems(c, &present);
    work += std::uint64_t{present.size()} * present.size();
  }
  if (work > kMaxPairWork) return;
  heldTogether_.assign(f * f, 0);
  heldAfter_.assign(f * f, 0);
  std::fill(seen.begin(), seen.end(), 0);
  for (std::size_t c = 0; c < customers_; ++c) {
    distinctItems(c, &present);
    const Mask* row = Row<Mask>(c);
    for (std::int32_t y : present) {
      const Mask afterY = After(row[y]);
      for (std::int32_t x : present) {
        heldTogether_[y * f + x] += (row[x] & row[y]) != 0 && x != y;
        heldAfter_[y * f + x] += (row[x] & afterY) != 0;
      }
    }
  }
}

class BitmapSearch::Engine {
 public:
  virtual ~Engine() = default;
  virtual void MineRoot(std::int32_t x) = 0;
};

namespace {

// The search with masks of one width.
//
// A node counts all its candidate extensions in one pass over its customers (reading each
// customer's row once), dropping candidates as soon as they can no longer reach the threshold,
// then builds the projections of the frequent ones in a second pass. Projections live in one
// buffer per depth that only grows, so the recursion allocates nothing once warm.
template <typename Mask>
class MaskSearch final : public BitmapSearch::Engine {
 public:
  MaskSearch(MiningRun& run, const BitmapSearch::Tables& tables)
      : run_(run),
        tables_(tables),
        levels_(run.options().maxItems + 2),
        rowBytes_(run.db().NumItems() * sizeof(Mask)) {
    const std::size_t f = run.db().NumItems();
    allItems_.resize(f);
    for (std::size_t x = 0; x < f; ++x) allItems_[x] = static_cast<std::int32_t>(x);
  }

  void MineRoot(std::int32_t x) override;

 private:
  // Per supporting customer, the mask of its item sets at which a match can end (never 0).
  struct Projection {
    const std::uint32_t* customers;  // compact customer index, ascending
    const Mask* masks;
    std::size_t size;
  };
  // A run of candidate items, ascending.
  struct ItemSpan {
    const std::int32_t* begin;
    const std::int32_t* end;
  };
  // Candidates of one kind of extension and their counts so far.
  struct Tally {
    std::vector<std::int32_t> items;
    std::vector<std::int32_t> counts;
    void Start(ItemSpan candidates, const std::int32_t* pairCounts, std::int32_t need);
    // Drops the candidates that cannot reach need with at most `left` more customers.
    void Prune(std::size_t left, std::int32_t need);
  };
  // What the expansion of one pattern at a depth uses; reused by every pattern at that depth.
  // Once counted, the tallies hold the pattern's frequent extensions, which its children read.
  struct Level {
    Tally itemSet, sequence;
    // The projections of the pattern's frequent extensions, item-set extensions first.
    std::vector<Projection> children;
    std::vector<std::uint32_t> customers;  // storage of children
    std::vector<Mask> masks;
  };

  // Reports the current pattern, whose occurrences are proj and whose last item is last, and
  // its extensions by the candidate items.
  void Grow(const Projection& proj, std::int32_t last, ItemSpan itemSetCandidates,
            ItemSpan sequenceCandidates);
  // Counts the candidates of both tallies over proj's customers.
  void Count(const Projection& proj, Tally& itemSet, Tally& sequence) const;

  // kBlock customers of a projection, taken together so that each candidate's item and count are
  // read once per block rather than once per customer.
  struct Block {
    std::uint32_t customers[kBlock];
    const Mask* rows[kBlock];
    Mask masks[kBlock];
    Mask after[kBlock];  // After(masks[b])
  };
  Block LoadBlock(const Projection& proj, std::size_t k) const {
    Block block;
    for (std::size_t b = 0; b < kBlock; ++b) {
      Prefetch(proj, k + b);
      block.customers[b] = proj.customers[k + b];
      block.rows[b] = tables_.template Row<Mask>(block.customers[b]);
      block.masks[b] = proj.masks[k + b];
      block.after[b] = After(block.masks[b]);
    }
    return block;
  }
  // Adds to each candidate's count the customers of the block whose row holds it in a set of
  // their mask in masks. Written out per customer: the compiler keeps the block in registers.
  static void CountBlock(Tally& tally, const Block& block, const Mask (&masks)[kBlock]) {
    static_assert(kBlock == 4, "one term per customer of a block");
    const std::int32_t* items = tally.items.data();
    std::int32_t* counts = tally.counts.data();
    const Mask *r0 = block.rows[0], *r1 = block.rows[1], *r2 = block.rows[2], *r3 = block.rows[3];
    const Mask m0 = masks[0], m1 = masks[1], m2 = masks[2], m3 = masks[3];
    for (std::size_t j = 0, n = tally.items.size(); j < n; ++j) {
      const std::int32_t x = items[j];
      counts[j] +=
          ((r0[x] & m0) != 0) + ((r1[x] & m1) != 0) + ((r2[x] & m2) != 0) + ((r3[x] & m3) != 0);
    }
  }
  // Writes customer c with the sets `held` at `at` and returns where the next customer goes: at
  // again when held is 0 (the write then lands in a spare slot, see Build), else at + 1.
  static std::size_t Put(std::uint32_t* customers, Mask* masks, std::size_t at, std::uint32_t c,
                         Mask held) {
    customers[at] = c;
    masks[at] = held;
    return at + (held != 0);
  }
  // Appends each customer of the block whose row holds items[j] in a set of its mask in masks to
  // children[j], whose size is its fill offset into customers and masks (see Build).
  static void BuildBlock(Projection* children, const std::int32_t* items, std::size_t n,
                         const Block& block, const Mask (&masks)[kBlock], std::uint32_t* customers,
                         Mask* childMasks) {
    const Mask *r0 = block.rows[0], *r1 = block.rows[1], *r2 = block.rows[2], *r3 = block.rows[3];
    const Mask m0 = masks[0], m1 = masks[1], m2 = masks[2], m3 = masks[3];
    const std::uint32_t c0 = block.customers[0], c1 = block.customers[1], c2 = block.customers[2],
                        c3 = block.customers[3];
    for (std::size_t j = 0; j < n; ++j) {
      const std::int32_t x = items[j];
      std::size_t at = children[j].size;
      at = Put(customers, childMasks, at, c0, r0[x] & m0);
      at = Put(customers, childMasks, at, c1, r1[x] & m1);
      at = Put(customers, childMasks, at, c2, r2[x] & m2);
      children[j].size = Put(customers, childMasks, at, c3, r3[x] & m3);
    }
  }
  // CountBlock for one customer: those after the last whole block.
  static void CountOne(Tally& tally, const Mask* row, Mask mask) {
    const std::int32_t* items = tally.items.data();
    std::int32_t* counts = tally.counts.data();
    for (std::size_t j = 0, n = tally.items.size(); j < n; ++j) {
      counts[j] += (row[items[j]] & mask) != 0;
    }
  }

  // Builds the projections of the frequent candidates left in the level's tallies.
  void Build(const Projection& proj, Level& level) const;
  // Asks the cache for the row of the customer kPrefetchAhead places after k in proj, if any.
  void Prefetch(const Projection& proj, std::size_t k) const {
    if (k + kPrefetchAhead >= proj.size) return;
    const char* row = reinterpret_cast<const char*>(
        tables_.template Row<Mask>(proj.customers[k + kPrefetchAhead]));
    for (std::size_t offset = 0; offset < rowBytes_; offset += 64) __builtin_prefetch(row + offset);
  }

  MiningRun& run_;
  const BitmapSearch::Tables& tables_;
  std::vector<std::int32_t> allItems_;  // 0..F-1
  std::vector<Level> levels_;           // by depth of the pattern being expanded
  std::size_t rowBytes_;                // bytes in one customer's row of masks
};

template <typename Mask>
void MaskSearch<Mask>::Tally::Start(ItemSpan candidates, const std::int32_t* pairCounts,
                                    std::int32_t need) {
  items.clear();
  for (const std::int32_t* x = candidates.begin; x != candidates.end; ++x) {
    if (pairCounts == nullptr || pairCounts[*x] >= need) items.push_back(*x);
  }
  counts.assign(items.size(), 0);
}

template <typename Mask>
void MaskSearch<Mask>::Tally::Prune(std::size_t left, std::int32_t need) {
  std::size_t kept = 0;
  for (std::size_t j = 0; j < items.size(); ++j) {
    if (static_cast<std::size_t>(counts[j]) + left < static_cast<std::size_t>(need)) continue;
    items[kept] = items[j];
    counts[kept++] = counts[j];
  }
  items.resize(kept);
  counts.resize(kept);
}

template <typename Mask>
void MaskSearch<Mask>::MineRoot(std::int32_t x) {
  Level& root = levels_[0];
  const std::size_t customers = run_.db().NumCustomers();
  root.customers.resize(customers);
  root.masks.resize(customers);
  std::size_t size = 0;
  for (std::size_t c = 0; c < customers; ++c) {
    const Mask m = tables_.template Row<Mask>(c)[x];
    if (m == 0) continue;
    root.customers[size] = static_cast<std::uint32_t>(c);
    root.masks[size++] = m;
  }
  // Every frequent item is a candidate below the one-item sequences.
  const std::int32_t* all = allItems_.data();
  Grow({root.customers.data(), root.masks.data(), size}, x, {all + x + 1, all + allItems_.size()},
       {all, all + allItems_.size()});
}

template <typename Mask>
void MaskSearch<Mask>::Grow(const Projection& proj, std::int32_t last, ItemSpan itemSetCandidates,
                            ItemSpan sequenceCandidates) {
  run_.Report(static_cast<std::int32_t>(proj.size));
  if (run_.AtMaxDepth() || run_.Cancelled()) return;
  Level& level = levels_[run_.depth()];
  const std::int32_t need = run_.threshold();
  level.itemSet.Start(itemSetCandidates, tables_.HeldTogether(last), need);
  level.sequence.Start(sequenceCandidates, tables_.HeldAfter(last), need);
  if (level.itemSet.items.empty() && level.sequence.items.empty()) return;
  Count(proj, level.itemSet, level.sequence);
  Build(proj, level);

  // Below an extension, the candidates are the later extensions of its own kind, and every
  // sequence extension.
  const std::vector<std::int32_t>& sequenceExtensions = level.sequence.items;
  const ItemSpan appended = {sequenceExtensions.data(),
                             sequenceExtensions.data() + sequenceExtensions.size()};
  run_.ForEachExtension(
      level.itemSet.items, sequenceExtensions,
      [&](std::size_t child, const std::vector<std::int32_t>& extensions, std::size_t i) {
        Grow(level.children[child], extensions[i],
             {extensions.data() + i + 1, extensions.data() + extensions.size()}, appended);
      });
}

template <typename Mask>
void MaskSearch<Mask>::Count(const Projection& proj, Tally& itemSet, Tally& sequence) const {
  const std::int32_t need = run_.threshold();
  // Customers are taken kBlock at a time, so that each candidate's item and count are read once
  // per block rather than once per customer.
  std::size_t k = 0;
  for (; k + kBlock <= proj.size; k += kBlock) {
    const Block block = LoadBlock(proj, k);
    CountBlock(itemSet, block, block.masks);
    CountBlock(sequence, block, block.after);
    const std::size_t left = proj.size - k - kBlock;
    // No candidate can fall short while at least the threshold of customers is left.
    if ((k + kBlock) % kPruneInterval == 0 && left < static_cast<std::size_t>(need)) {
      itemSet.Prune(left, need);
      sequence.Prune(left, need);
      if (itemSet.items.empty() && sequence.items.empty()) return;
    }
  }
  for (; k < proj.size; ++k) {
    const Mask* row = tables_.template Row<Mask>(proj.customers[k]);
    const Mask mask = proj.masks[k];
    CountOne(itemSet, row, mask);
    CountOne(sequence, row, After(mask));
  }
  itemSet.Prune(0, need);
  sequence.Prune(0, need);
}

template <typename Mask>
void MaskSearch<Mask>::Build(const Projection& proj, Level& level) const {
  const std::size_t ni = level.itemSet.items.size();
  const std::size_t n = ni + level.sequence.items.size();
  // Child j's customers start at its offset, kept in children[j].size while filling; each child
  // gets one spare slot, so that writing before checking the mask never reaches the next child.
  std::vector<Projection>& children = level.children;
  children.resize(n);
  std::size_t total = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const std::int32_t count = j < ni ? level.itemSet.counts[j] : level.sequence.counts[j - ni];
    children[j].size = total;  // the offset, until filled
    total += static_cast<std::size_t>(count) + 1;
  }
  if (level.customers.size() < total) {
    level.customers.resize(total);
    level.masks.resize(total);
  }
  std::uint32_t* customers = level.customers.data();
  Mask* masks = level.masks.data();
  // Appends customer c with mask m to child j (at its offset, kept in size while filling).
  auto append = [&](Projection& child, std::uint32_t c, Mask m) {
    const std::size_t at = child.size;
    customers[at] = c;
    masks[at] = m;
    child.size = at + (m != 0);
  };
  const std::int32_t* items = level.itemSet.items.data();
  const std::int32_t* appended = level.sequence.items.data();
  const std::size_t ns = n - ni;
  Projection* const itemSetChildren = children.data();
  Projection* const sequenceChildren = children.data() + ni;
  std::size_t k = 0;
  for (; k + kBlock <= proj.size; k += kBlock) {
    const Block block = LoadBlock(proj, k);
    BuildBlock(itemSetChildren, items, ni, block, block.masks, customers, masks);
    BuildBlock(sequenceChildren, appended, ns, block, block.after, customers, masks);
  }
  for (; k < proj.size; ++k) {
    const std::uint32_t c = proj.customers[k];
    const Mask* row = tables_.template Row<Mask>(c);
    const Mask mask = proj.masks[k];
    const Mask after = After(mask);
    for (std::size_t j = 0; j < ni; ++j) append(itemSetChildren[j], c, row[items[j]] & mask);
    for (std::size_t j = 0; j < ns; ++j) append(sequenceChildren[j], c, row[appended[j]] & after);
  }
  std::size_t start = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const std::size_t end = children[j].size;
    children[j] = {customers + start, masks + start, end - start};
    const std::int32_t count = j < ni ? level.itemSet.counts[j] : level.sequence.counts[j - ni];
    start += static_cast<std::size_t>(count) + 1;
  }
}

}  // namespace

BitmapSearch::BitmapSearch(MiningRun& run, const Tables& tables) {
  switch (tables.MaskBytes()) {
    case 1:
      engine_ = std::make_unique<MaskSearch<std::uint8_t>>(run, tables);
      break;
    case 2:
      engine_ = std::make_unique<MaskSearch<std::uint16_t>>(run, tables);
      break;
    case 4:
      engine_ = std::make_unique<MaskSearch<std::uint32_t>>(run, tables);
      break;
    default:
      engine_ = std::make_unique<MaskSearch<std::uint64_t>>(run, tables);
      break;
  }
}

BitmapSearch::~BitmapSearch() = default;

void BitmapSearch::MineRoot(std::int32_t x) { engine_->MineRoot(x); }

}  // namespace SEQUENCE_NAMESPACE_800
