#include "mining/BitmapSearch.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Bitmaps are used up to this many F x customers entries (128 MiB of masks).
constexpr std::size_t kMaxBitmapEntries = std::size_t{1} << 24;
constexpr std::uint32_t kMaxBitmapSets = 64;
// The item pair table is counted when it has at most this many entries and counting it takes at
// most kMaxPairWork steps (the sum over customers of their distinct items squared).
constexpr std::size_t kMaxPairEntries = std::size_t{1} << 22;
constexpr std::uint64_t kMaxPairWork = std::uint64_t{1} << 26;

}  // namespace

bool BitmapSearch::Tables::Suit(const CompactDatabase& db, const MiningOptions& options) {
  if (options.minGap > 0 || options.maxGap > 0 || options.slidingWindow > 0) return false;
  if (db.NumItems() * db.NumCustomers() > kMaxBitmapEntries) return false;
  for (std::size_t c = 0; c < db.NumCustomers(); ++c) {
    if (db.FirstSet(c + 1) - db.FirstSet(c) > kMaxBitmapSets) return false;
  }
  return true;
}

BitmapSearch::Tables::Tables(const CompactDatabase& db)
    : items_(db.NumItems()), customers_(db.NumCustomers()) {
  masks_.assign(items_ * customers_, 0);
  for (std::size_t c = 0; c < customers_; ++c) {
    for (std::uint32_t p = db.CustomerBegin(c); p < db.CustomerEnd(c); ++p) {
      masks_[db.ItemAt(p) * customers_ + c] |= std::uint64_t{1} << (db.SetOf(p) - db.FirstSet(c));
    }
  }
  CountPairs(db);
}

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
    for (std::int32_t y : present) {
      const std::uint64_t my = masks_[y * customers_ + c];
      const std::uint64_t afterY = SetsAfterFirst(my);
      for (std::int32_t x : present) {
        const std::uint64_t mx = masks_[x * customers_ + c];
        heldTogether_[y * f + x] += (mx & my) != 0 && x != y;
        heldAfter_[y * f + x] += (mx & afterY) != 0;
      }
    }
  }
}

void BitmapSearch::Projection::Reserve(std::size_t n) {
  if (customers.size() < n) {
    customers.resize(n);
    masks.resize(n);
  }
}

BitmapSearch::BitmapSearch(MiningRun& run, const Tables& tables)
    : run_(run),
      tables_(tables),
      children_(run.options().maxItems + 2),
      itemSetExtensions_(run.options().maxItems + 1),
      sequenceExtensions_(run.options().maxItems + 1) {
  const std::size_t f = run.db().NumItems();
  allItems_.resize(f);
  for (std::size_t x = 0; x < f; ++x) allItems_[x] = static_cast<std::int32_t>(x);
  root_.Reserve(run.db().NumCustomers());
}

void BitmapSearch::MineRoot(std::int32_t x) {
  root_.size = 0;
  const std::uint64_t* masks = tables_.Masks(x);
  for (std::size_t c = 0; c < run_.db().NumCustomers(); ++c) {
    if (masks[c] == 0) continue;
    root_.customers[root_.size] = static_cast<std::uint32_t>(c);
    root_.masks[root_.size++] = masks[c];
  }
  // Every frequent item is a candidate below the one-item sequences.
  const std::int32_t* all = allItems_.data();
  Grow(root_, x, {all + x + 1, all + allItems_.size()}, {all, all + allItems_.size()});
}

void BitmapSearch::Grow(const Projection& proj, std::int32_t last, ItemSpan itemSetCandidates,
                        ItemSpan sequenceCandidates) {
  run_.Report(static_cast<std::int32_t>(proj.size));
  if (run_.AtMaxDepth() || run_.Cancelled()) return;
  const std::int32_t depth = run_.depth();
  std::vector<Projection>& children = children_[depth + 1];
  const std::size_t most =
      static_cast<std::size_t>(itemSetCandidates.end - itemSetCandidates.begin) +
      static_cast<std::size_t>(sequenceCandidates.end - sequenceCandidates.begin);
  if (children.size() < most) children.resize(most);

  std::vector<std::int32_t>& itemSetExtensions = itemSetExtensions_[depth];
  std::vector<std::int32_t>& sequenceExtensions = sequenceExtensions_[depth];
  itemSetExtensions.clear();
  sequenceExtensions.clear();
  Extend(proj, proj.masks.data(), itemSetCandidates, tables_.HeldTogether(last), children.data(),
         itemSetExtensions);
  if (sequenceCandidates.begin != sequenceCandidates.end) {
    if (setsAfterFirst_.size() < proj.size) setsAfterFirst_.resize(proj.size);
    for (std::size_t k = 0; k < proj.size; ++k) setsAfterFirst_[k] = SetsAfterFirst(proj.masks[k]);
    Extend(proj, setsAfterFirst_.data(), sequenceCandidates, tables_.HeldAfter(last),
           children.data() + itemSetExtensions.size(), sequenceExtensions);
  }

  // Below an extension, the candidates are the later extensions of its own kind, and every
  // sequence extension.
  const ItemSpan appended = {sequenceExtensions.data(),
                             sequenceExtensions.data() + sequenceExtensions.size()};
  run_.ForEachExtension(
      itemSetExtensions, sequenceExtensions,
      [&](std::size_t child, const std::vector<std::int32_t>& extensions, std::size_t i) {
        Grow(children[child], extensions[i],
             {extensions.data() + i + 1, extensions.data() + extensions.size()}, appended);
      });
}

void BitmapSearch::Extend(const Projection& proj, const std::uint64_t* base, ItemSpan candidates,
                          const std::int32_t* pairCounts, Projection* children,
                          std::vector<std::int32_t>& extensions) const {
  for (const std::int32_t* x = candidates.begin; x != candidates.end; ++x) {
    if (pairCounts != nullptr && pairCounts[*x] < run_.threshold()) continue;
    if (ExtendBy(proj, base, *x, &children[extensions.size()])) extensions.push_back(*x);
  }
}

bool BitmapSearch::ExtendBy(const Projection& proj, const std::uint64_t* base, std::int32_t x,
                            Projection* out) const {
  const std::uint64_t* masks = tables_.Masks(x);
  out->Reserve(proj.size);
  std::uint32_t* customers = out->customers.data();
  std::uint64_t* outMasks = out->masks.data();
  const std::size_t need = static_cast<std::size_t>(run_.threshold());
  std::size_t kept = 0;
  for (std::size_t k = 0; k < proj.size; ++k) {
    // Give up as soon as the remaining customers cannot reach the threshold.
    if (kept + (proj.size - k) < need) return false;
    const std::uint32_t c = proj.customers[k];
    const std::uint64_t m = base[k] & masks[c];
    customers[kept] = c;
    outMasks[kept] = m;
    kept += m != 0;
  }
  out->size = kept;
  return kept >= need;
}

}  // namespace SEQUENCE_NAMESPACE_800
