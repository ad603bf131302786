#include "mining/PositionSearch.h"

#include <algorithm>
#include <new>

#include "foundation/Resident.h"

namespace SEQUENCE_NAMESPACE_800 {

void PositionSearch::Projection::Clear() {
  customers.clear();
  begin.clear();
  positions.clear();
  starts.clear();
}

void PositionSearch::Projection::Append(std::uint32_t customer, std::uint32_t position) {
  if (customers.empty() || customers.back() != customer) {
    customers.push_back(customer);
    begin.push_back(static_cast<std::uint32_t>(positions.size()));
  }
  positions.push_back(position);
}

PositionSearch::Roots::Roots(const CompactDatabase& db, bool window) {
  // Sized first, so that the roots, which together hold every item position, grow no copies.
  const std::size_t items = db.NumItems();
  std::size_t words = 4 * items;  // what aligning each array to 8 bytes may skip
  for (std::size_t x = 0; x < items; ++x) {
    const auto item = static_cast<std::int32_t>(x);
    words += 2 * std::size_t{db.CustomersOf(item)} + 1 + db.OccurrencesOf(item);
    if (window) words += db.OccurrencesOf(item);
  }
  const std::size_t bytes = words * sizeof(std::uint32_t);
  block_.reset(AllocateBacked(bytes));
  if (block_ == nullptr) throw std::bad_alloc();
  arena_ = std::make_unique<std::pmr::monotonic_buffer_resource>(block_.get(), bytes);
  roots_.reserve(items);
  for (std::size_t x = 0; x < items; ++x) {
    const auto item = static_cast<std::int32_t>(x);
    Projection& root = roots_.emplace_back(arena_.get());
    root.customers.reserve(db.CustomersOf(item));
    root.begin.reserve(db.CustomersOf(item) + std::size_t{1});
    root.positions.reserve(db.OccurrencesOf(item));
    if (window) root.starts.reserve(db.OccurrencesOf(item));
  }
  // Every occurrence of every frequent item.
  for (std::uint32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t p = db.CustomerBegin(c); p < db.CustomerEnd(c); ++p) {
      Projection& proj = roots_[db.ItemAt(p)];
      proj.Append(c, p);
      if (window) proj.starts.push_back(db.SetOf(p));
    }
  }
  for (Projection& proj : roots_) proj.Finish();
}

void PositionSearch::Tally::Resize(std::size_t items, std::size_t depths) {
  slots.assign(items, Slot());
  child.assign(items, -1);
  touched.assign(items + 1, 0);
  numTouched = 0;
  frequent.resize(depths);
}

void PositionSearch::Tally::Collect(std::int32_t threshold, std::size_t depth) {
  std::vector<std::int32_t>& out = frequent[depth];
  out.clear();
  for (std::size_t i = 0; i < numTouched; ++i) {
    Slot& slot = slots[touched[i]];
    if (slot.customers >= threshold) out.push_back(touched[i]);
    slot.customers = 0;
  }
  numTouched = 0;
  std::sort(out.begin(), out.end());
}

PositionSearch::PositionSearch(MiningRun& run, Roots& roots)
    : run_(run),
      roots_(roots),
      whole_(run.db()),
      db_(&whole_),
      children_(run.options().maxItems + 1) {
  const MiningOptions& options = run.options();
  minGap_ = options.minGap > 0 ? options.minGap : 0;
  maxGap_ = options.maxGap > 0 ? options.maxGap : 0;
  window_ = options.slidingWindow > 0 ? options.slidingWindow : 0;
  timed_ = HasTimeConstraints(options);
  // A part needs each item after a pattern's first set to extend the root under the same
  // constraints; with a maximum gap, inner sets may keep every gap short while the first set
  // and a later one lie far apart.
  parts_ = maxGap_ == 0;
  itemSetTally_.Resize(whole_.NumItems(), options.maxItems + 1);
  sequenceTally_.Resize(whole_.NumItems(), options.maxItems + 1);
  if (parts_) {
    rootItemSet_.assign(whole_.NumItems(), 0);
    rootSequence_.assign(whole_.NumItems(), 0);
  }
}

void PositionSearch::MineRoot(std::int32_t x) {
  db_ = &whole_;
  Grow(roots_.Of(x), parts_ ? x : kNoPart);
  roots_.Release(x);
}

std::uint32_t PositionSearch::NextVisit() {
  if (++visit_ == 0) {
    for (Tally::Slot& slot : itemSetTally_.slots) slot.lastVisit = 0;
    for (Tally::Slot& slot : sequenceTally_.slots) slot.lastVisit = 0;
    visit_ = 1;
  }
  return visit_;
}

void PositionSearch::Grow(const Projection& proj, std::int32_t root) {
  run_.Report(proj.Support());
  if (run_.AtMaxDepth() || run_.Cancelled()) return;
  CountExtensions(proj);
  const std::int32_t depth = run_.depth();
  const std::vector<std::int32_t>& itemSetExtensions = itemSetTally_.frequent[depth];
  const std::vector<std::int32_t>& sequenceExtensions = sequenceTally_.frequent[depth];
  if (itemSetExtensions.empty() && sequenceExtensions.empty()) return;
  const Projection* built = &proj;
  if (root != kNoPart) {
    CopyPart(root, proj);
    db_ = &part_;
    built = &partRoot_;
  }
  std::vector<Projection>& children = children_[depth];
  BuildExtensions(*built, children);
  run_.ForEachExtension(itemSetExtensions, sequenceExtensions,
                        [&](std::size_t child, const std::vector<std::int32_t>&, std::size_t) {
                          Grow(children[child], kNoPart);
                        });
}

void PositionSearch::CopyPart(std::int32_t x, const Projection& root) {
  const std::size_t depth = static_cast<std::size_t>(run_.depth());
  for (std::int32_t y : itemSetTally_.frequent[depth]) rootItemSet_[y] = 1;
  for (std::int32_t y : sequenceTally_.frequent[depth]) rootSequence_[y] = 1;
  part_.StartPart(whole_);
  partRoot_.Clear();
  const std::int32_t* items = whole_.Items();
  for (std::size_t k = 0; k < root.customers.size(); ++k) {
    const std::uint32_t from = root.positions[root.begin[k]];  // the customer's first x
    const std::uint32_t laterSets = whole_.SetEnd(from);
    bool afterX = false;  // within a set holding x, after x
    const auto keep = [&](std::uint32_t p, bool firstOfSet) {
      if (firstOfSet) afterX = false;
      const std::int32_t item = items[p];
      if (item == x) return afterX = true;
      return (afterX && rootItemSet_[item]) || (p >= laterSets && rootSequence_[item]);
    };
    part_.AddCustomer(whole_, from, whole_.CustomerEnd(root.customers[k]), keep);
    const auto customer = static_cast<std::uint32_t>(k);
    for (std::uint32_t p = part_.CustomerBegin(k); p < part_.CustomerEnd(k); ++p) {
      if (part_.ItemAt(p) != x) continue;
      partRoot_.Append(customer, p);
      if (window_ > 0) partRoot_.starts.push_back(part_.SetOf(p));
    }
  }
  partRoot_.Finish();
  for (std::int32_t y : itemSetTally_.frequent[depth]) rootItemSet_[y] = 0;
  for (std::int32_t y : sequenceTally_.frequent[depth]) rootSequence_[y] = 0;
}

template <typename ItemSet, typename Sequence>
void PositionSearch::WalkCustomer(const Projection& proj, std::size_t k, bool wantItemSet,
                                  ItemSet itemSet, bool wantSequence, Sequence sequence) {
  const std::uint32_t* positions = proj.positions.data();
  const std::uint32_t b = proj.begin[k];
  const std::uint32_t e = proj.begin[k + 1];
  const bool window = window_ > 0;
  if (wantItemSet && db_->HasWideSets()) {
    for (std::uint32_t i = b; i < e; ++i) {
      const std::uint32_t from = positions[i] + 1;
      const std::uint32_t to = db_->SetEnd(positions[i]);
      if (from < to) itemSet(from, to, window ? proj.starts[i] : 0);
    }
  }
  if (!wantSequence) return;
  if (!timed_) {
    // Any later set of the customer may hold the appended item set.
    const std::uint32_t from = db_->SetEnd(positions[b]);
    const std::uint32_t to = db_->CustomerEnd(proj.customers[k]);
    if (from < to) sequence(from, to, 0);
  } else {
    ComputeReach(proj, k);
    for (const Reach& r : reach_) {
      sequence(db_->FirstItem(r.set), db_->FirstItem(r.set + 1), r.start);
    }
  }
}

void PositionSearch::ComputeReach(const Projection& proj, std::size_t k) {
  reach_.clear();
  const std::uint32_t* positions = proj.positions.data();
  const std::uint32_t b = proj.begin[k];
  const std::uint32_t e = proj.begin[k + 1];
  const std::uint32_t endSet = db_->FirstSet(proj.customers[k] + 1);
  for (std::uint32_t j = db_->SetOf(positions[b]) + 1; j < endSet; ++j) {
    const double tj = db_->SetTime(j);
    bool ok = false;
    std::uint32_t best = 0;
    for (std::uint32_t i = b; i < e; ++i) {
      const std::uint32_t si = db_->SetOf(positions[i]);
      if (si >= j) break;
      const double gap = tj - db_->SetTime(si);
      if (minGap_ > 0 && !(gap >= minGap_)) continue;
      if (maxGap_ > 0 && !(gap <= maxGap_)) continue;
      if (window_ > 0) {
        const std::uint32_t start = proj.starts[i];
        if (!ok || db_->SetTime(start) > db_->SetTime(best)) best = start;
      }
      ok = true;
    }
    if (ok && window_ > 0 && !(tj - db_->SetTime(best) <= window_)) ok = false;
    if (ok) reach_.push_back({j, best});
  }
}

void PositionSearch::PrefetchCustomer(const Projection& proj, std::size_t k) const {
  if (k + kPrefetchAhead >= proj.customers.size()) return;
  const std::size_t ahead = k + kPrefetchAhead;
  db_->PrefetchWalk(proj.customers[ahead], proj.positions[proj.begin[ahead]]);
}

void PositionSearch::CountExtensions(const Projection& proj) {
  const std::int32_t* items = db_->Items();
  for (std::size_t k = 0; k < proj.customers.size(); ++k) {
    PrefetchCustomer(proj, k);
    const std::uint32_t visit = NextVisit();
    WalkCustomer(
        proj, k, true,
        [&](std::uint32_t from, std::uint32_t to, std::uint32_t) {
          itemSetTally_.CountRange(items, from, to, visit);
        },
        true,
        [&](std::uint32_t from, std::uint32_t to, std::uint32_t) {
          sequenceTally_.CountRange(items, from, to, visit);
        });
  }
  const std::size_t depth = static_cast<std::size_t>(run_.depth());
  itemSetTally_.Collect(run_.threshold(), depth);
  sequenceTally_.Collect(run_.threshold(), depth);
}

void PositionSearch::BuildExtensions(const Projection& proj, std::vector<Projection>& out) {
  const std::size_t depth = static_cast<std::size_t>(run_.depth());
  const std::vector<std::int32_t>& itemSetExtensions = itemSetTally_.frequent[depth];
  const std::vector<std::int32_t>& sequenceExtensions = sequenceTally_.frequent[depth];
  const std::size_t n = itemSetExtensions.size() + sequenceExtensions.size();
  if (out.size() < n) out.resize(n);
  for (std::size_t i = 0; i < n; ++i) out[i].Clear();
  std::int32_t next = 0;
  for (std::int32_t x : itemSetExtensions) itemSetTally_.child[x] = next++;
  for (std::int32_t x : sequenceExtensions) sequenceTally_.child[x] = next++;

  const std::int32_t* items = db_->Items();
  const bool window = window_ > 0;
  for (std::size_t k = 0; k < proj.customers.size(); ++k) {
    PrefetchCustomer(proj, k);
    const std::uint32_t c = proj.customers[k];
    auto append = [&](const std::vector<std::int32_t>& childOf, std::uint32_t from,
                      std::uint32_t to, std::uint32_t start) {
      const std::int32_t* const child = childOf.data();
      for (std::uint32_t p = from; p < to; ++p) {
        const std::int32_t i = child[items[p]];
        if (i < 0) continue;
        out[i].Append(c, p);
        if (window) out[i].starts.push_back(start);
      }
    };
    WalkCustomer(
        proj, k, !itemSetExtensions.empty(),
        [&](std::uint32_t from, std::uint32_t to, std::uint32_t start) {
          append(itemSetTally_.child, from, to, start);
        },
        !sequenceExtensions.empty(),
        [&](std::uint32_t from, std::uint32_t to, std::uint32_t start) {
          append(sequenceTally_.child, from, to, start);
        });
  }
  for (std::size_t i = 0; i < n; ++i) out[i].Finish();
  for (std::int32_t x : itemSetExtensions) itemSetTally_.child[x] = -1;
  for (std::int32_t x : sequenceExtensions) sequenceTally_.child[x] = -1;
}

}  // namespace SEQUENCE_NAMESPACE_800
