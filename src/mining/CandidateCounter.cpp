#include "mining/CandidateCounter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "input/SequenceDatabase.h"
#include "mining/PatternList.h"
#include "mining/SequenceMiner.h"

// How the count works.
//
// The candidates are laid out as a prefix tree: a path from the root spells a sequence token by
// token, each token an item that either starts a new item set or joins the last one. Every
// customer then walks the tree depth first. At a node the customer keeps the ways the node's
// sequence can be matched in its history, as states (end, start): `end` is the item set
// matching the sequence's last set, `start` the latest item set at which such a match can begin
// (a later start only helps a sliding window; the gaps depend on `end` alone). A node with no
// state is not contained, and neither is anything below it, so the walk stops there; every
// candidate node reached counts the customer once.

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr std::int32_t kNoCandidate = -1;

struct TrieChild {
  std::int32_t item;
  bool newSet;
  std::uint32_t node;
};

struct TrieNode {
  std::int32_t candidate = kNoCandidate;
  std::uint32_t childBegin = 0, childEnd = 0;  // range of CandidateTrie::children_
};

// The candidates as a prefix tree with each node's children stored contiguously.
class CandidateTrie {
 public:
  explicit CandidateTrie(const PatternList& candidates) {
    nodes_.emplace_back();
    if (candidates.IsCanonical()) {
      BuildFromCanonical(candidates);
    } else {
      BuildFromAny(candidates);
    }
  }

  const TrieNode& node(std::uint32_t n) const { return nodes_[n]; }
  const TrieChild& child(std::uint32_t k) const { return children_[k]; }

 private:
  struct Token {
    std::int32_t item;
    bool newSet;
    bool operator==(const Token& other) const {
      return item == other.item && newSet == other.newSet;
    }
  };
  struct Edge {
    std::uint32_t parent;
    TrieChild child;
  };

  static void Tokens(const MinedSequence& sequence, std::vector<Token>* tokens) {
    tokens->clear();
    std::int32_t set = 0;
    for (std::int32_t i = 0; i < sequence.numItems; ++i) {
      const bool newSet = i == 0 || i == sequence.setEnds[set];
      if (i > 0 && newSet) ++set;
      tokens->push_back(Token{sequence.items[i], newSet});
    }
  }

  // In the canonical order the candidates sharing a prefix follow one another, so each one
  // shares its path with the one before as far as their tokens agree, and new nodes hang below.
  void BuildFromCanonical(const PatternList& candidates) {
    std::vector<Edge> edges;
    std::vector<std::uint32_t> path{0};  // path[d]: the node of the previous one's first d tokens
    std::vector<Token> previous, tokens;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
      Tokens(candidates.Get(c), &tokens);
      std::size_t shared = 0;
      while (shared < tokens.size() && shared < previous.size() &&
             tokens[shared] == previous[shared]) {
        ++shared;
      }
      path.resize(shared + 1);
      for (std::size_t d = shared; d < tokens.size(); ++d) {
        const auto created = static_cast<std::uint32_t>(nodes_.size());
        nodes_.emplace_back();
        edges.push_back(Edge{path.back(), TrieChild{tokens[d].item, tokens[d].newSet, created}});
        path.push_back(created);
      }
      nodes_[path.back()].candidate = static_cast<std::int32_t>(c);
      previous.swap(tokens);
    }
    // Children grouped by parent (a counting sort), then each group sorted.
    std::vector<std::uint32_t> begin(nodes_.size() + 1, 0);
    for (const Edge& edge : edges) ++begin[edge.parent + 1];
    for (std::size_t n = 0; n < nodes_.size(); ++n) begin[n + 1] += begin[n];
    children_.resize(edges.size());
    std::vector<std::uint32_t> next(begin.begin(), begin.end() - 1);
    for (const Edge& edge : edges) children_[next[edge.parent]++] = edge.child;
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
      nodes_[n].childBegin = begin[n];
      nodes_[n].childEnd = begin[n + 1];
      SortChildren(n);
    }
  }

  void BuildFromAny(const PatternList& candidates) {
    std::vector<std::vector<TrieChild>> children(1);
    std::vector<Token> tokens;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
      Tokens(candidates.Get(c), &tokens);
      std::uint32_t node = 0;
      for (const Token& token : tokens) node = ChildOf(&children, node, token.item, token.newSet);
      nodes_[node].candidate = static_cast<std::int32_t>(c);
    }
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
      nodes_[n].childBegin = static_cast<std::uint32_t>(children_.size());
      children_.insert(children_.end(), children[n].begin(), children[n].end());
      nodes_[n].childEnd = static_cast<std::uint32_t>(children_.size());
      SortChildren(n);
    }
  }

  void SortChildren(std::size_t n) {
    std::sort(children_.begin() + nodes_[n].childBegin, children_.begin() + nodes_[n].childEnd,
              [](const TrieChild& a, const TrieChild& b) {
                return a.item != b.item ? a.item < b.item : a.newSet < b.newSet;
              });
  }

  std::uint32_t ChildOf(std::vector<std::vector<TrieChild>>* children, std::uint32_t node,
                        std::int32_t item, bool newSet) {
    for (const TrieChild& child : (*children)[node]) {
      if (child.item == item && child.newSet == newSet) return child.node;
    }
    const auto created = static_cast<std::uint32_t>(nodes_.size());
    nodes_.emplace_back();
    children->emplace_back();
    (*children)[node].push_back(TrieChild{item, newSet, created});
    return created;
  }

  std::vector<TrieNode> nodes_;
  std::vector<TrieChild> children_;
};

struct MatchState {
  std::uint32_t end;    // item set matching the last set
  std::uint32_t start;  // latest item set a match ending at `end` can start at
};

// One customer's walk of the tree; the scratch buffers are reused from customer to customer.
class CustomerWalk {
 public:
  CustomerWalk(const SequenceDatabase& db, const CandidateTrie& trie, const MiningOptions& options,
               std::vector<std::int64_t>* counts)
      : db_(db), trie_(trie), options_(options), counts_(*counts) {}

  void Count(std::int32_t customer) {
    firstSet_ = db_.customerBegin(customer);
    const std::uint32_t endSet = db_.customerBegin(customer + 1);
    occurrences_.clear();
    for (std::uint32_t s = firstSet_; s < endSet; ++s) {
      for (std::uint32_t i = db_.setBegin(s); i < db_.setBegin(s + 1); ++i) {
        occurrences_.emplace_back(db_.items()[i], s);
      }
    }
    std::sort(occurrences_.begin(), occurrences_.end());
    distinct_.clear();
    for (std::uint32_t k = 0; k < occurrences_.size(); ++k) {
      if (distinct_.empty() || distinct_.back().item != occurrences_[k].first) {
        distinct_.push_back(ItemRange{occurrences_[k].first, k, k});
      }
      distinct_.back().end = k + 1;
    }
    Walk(0, /*depth=*/0);
  }

 private:
  using Occurrence = std::pair<std::int32_t, std::uint32_t>;  // (item, item set)
  struct ItemRange {
    std::int32_t item;
    std::uint32_t begin, end;  // the item's occurrences_
  };

  // Counts the node and walks on to each child whose item the customer holds: by looking up the
  // children's items among the customer's, or the customer's among the children's, whichever
  // list is shorter.
  void Walk(std::uint32_t node, std::size_t depth) {
    const TrieNode& here = trie_.node(node);
    if (here.candidate != kNoCandidate) ++counts_[here.candidate];
    if (here.childEnd - here.childBegin <= distinct_.size()) {
      for (std::uint32_t k = here.childBegin; k < here.childEnd; ++k) {
        const TrieChild& child = trie_.child(k);
        const auto found = std::lower_bound(
            distinct_.begin(), distinct_.end(), child.item,
            [](const ItemRange& range, std::int32_t item) { return range.item < item; });
        if (found != distinct_.end() && found->item == child.item) Extend(child, *found, depth);
      }
      return;
    }
    const TrieChild* first = &trie_.child(here.childBegin);
    const TrieChild* last = first + (here.childEnd - here.childBegin);
    for (const ItemRange& range : distinct_) {
      const TrieChild* child = std::lower_bound(
          first, last, range.item,
          [](const TrieChild& candidate, std::int32_t item) { return candidate.item < item; });
      for (; child != last && child->item == range.item; ++child) Extend(*child, range, depth);
      first = child;
    }
  }

  void Extend(const TrieChild& child, const ItemRange& range, std::size_t depth) {
    std::vector<MatchState>& next = states_[depth + 1];
    next.clear();
    if (child.newSet) {
      AppendSet(depth, occurrences_.begin() + range.begin, occurrences_.begin() + range.end, &next);
    } else {
      JoinLastSet(states_[depth], child.item, &next);
    }
    if (!next.empty()) Walk(child.node, depth + 1);
  }

  // Matches of the sequence with a new last set {item}: one per item set holding the item that
  // some match of the parent can precede within the gaps, starting as late as possible.
  void AppendSet(std::size_t depth, std::vector<Occurrence>::const_iterator first,
                 std::vector<Occurrence>::const_iterator last, std::vector<MatchState>* next) {
    for (auto it = first; it != last; ++it) {
      const std::uint32_t set = it->second;
      if (depth == 0) {
        next->push_back(MatchState{set, set});
        continue;
      }
      bool found = false;
      std::uint32_t bestStart = 0;
      for (const MatchState& state : states_[depth]) {
        if (state.end >= set) break;
        if (!GapsAllow(state.end, set)) continue;
        if (!found || state.start > bestStart) bestStart = state.start;
        found = true;
      }
      if (found && WindowAllows(bestStart, set)) next->push_back(MatchState{set, bestStart});
    }
  }

  // Matches of the sequence with item added to its last set: the parent's matches whose last
  // set also holds the item.
  void JoinLastSet(const std::vector<MatchState>& states, std::int32_t item,
                   std::vector<MatchState>* next) const {
    for (const MatchState& state : states) {
      const std::int32_t* begin = db_.items() + db_.setBegin(state.end);
      const std::int32_t* end = db_.items() + db_.setBegin(state.end + 1);
      if (std::binary_search(begin, end, item)) next->push_back(state);
    }
  }

  bool GapsAllow(std::uint32_t previous, std::uint32_t next) const {
    const double gap = db_.setTime(next) - db_.setTime(previous);
    if (options_.minGap > 0 && gap < options_.minGap) return false;
    return !(options_.maxGap > 0 && gap > options_.maxGap);
  }
  bool WindowAllows(std::uint32_t start, std::uint32_t end) const {
    return !(options_.slidingWindow > 0 &&
             db_.setTime(end) - db_.setTime(start) > options_.slidingWindow);
  }

  const SequenceDatabase& db_;
  const CandidateTrie& trie_;
  const MiningOptions& options_;
  std::vector<std::int64_t>& counts_;
  std::uint32_t firstSet_ = 0;
  std::vector<Occurrence> occurrences_;
  std::vector<ItemRange> distinct_;  // the customer's items, ascending
  // states_[d]: matches at depth d of the walk; a sequence has at most 31 items.
  std::vector<std::vector<MatchState>> states_ = std::vector<std::vector<MatchState>>(33);
};

// Counts batches of customers taken from *nextCustomer until none is left or the count is
// cancelled.
void CountShare(const SequenceDatabase& db, const CandidateTrie& trie, const MiningOptions& options,
                std::vector<std::int64_t>* counts, std::atomic<std::int32_t>* nextCustomer,
                std::atomic<bool>* cancelled) {
  constexpr std::int32_t kBatch = 64;
  CustomerWalk walk(db, trie, options, counts);
  const std::int32_t customers = db.NumCustomers();
  for (;;) {
    if (*cancelled ||
        (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed))) {
      *cancelled = true;
      return;
    }
    const std::int32_t first = nextCustomer->fetch_add(kBatch);
    if (first >= customers) return;
    for (std::int32_t c = first; c < std::min(customers, first + kBatch); ++c) walk.Count(c);
  }
}

}  // namespace

std::vector<std::int64_t> CountCandidates(const SequenceDatabase& db, const PatternList& candidates,
                                          const MiningOptions& options, int threads) {
  if (std::isnan(options.minGap) || std::isnan(options.maxGap) ||
      std::isnan(options.slidingWindow)) {
    throw std::invalid_argument("a time constraint is not a number");
  }
  const CandidateTrie trie(candidates);
  const std::int32_t customers = db.NumCustomers();
  const int workers = std::max(1, std::min(threads, std::max(customers, 1)));
  std::vector<std::vector<std::int64_t>> counts(workers,
                                                std::vector<std::int64_t>(candidates.size()));
  std::atomic<std::int32_t> nextCustomer{0};
  std::atomic<bool> cancelled{false};
  std::exception_ptr failure;
  std::mutex failureMutex;
  const auto work = [&](int worker) {
    try {
      CountShare(db, trie, options, &counts[worker], &nextCustomer, &cancelled);
    } catch (...) {
      const std::lock_guard<std::mutex> lock(failureMutex);
      if (!failure) failure = std::current_exception();
      cancelled = true;
    }
  };
  std::vector<std::thread> pool;
  for (int worker = 1; worker < workers; ++worker) pool.emplace_back(work, worker);
  work(0);
  for (std::thread& thread : pool) thread.join();
  if (failure) std::rethrow_exception(failure);
  if (cancelled) return {};
  for (int worker = 1; worker < workers; ++worker) {
    for (std::size_t c = 0; c < candidates.size(); ++c) counts[0][c] += counts[worker][c];
  }
  return std::move(counts[0]);
}

}  // namespace SEQUENCE_NAMESPACE_800
