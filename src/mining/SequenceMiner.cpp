#include "mining/SequenceMiner.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "dictionary/SequenceDictionary.h"
#include "input/SequenceDatabase.h"
#include "mining/BitmapSearch.h"
#include "mining/CompactDatabase.h"
#include "mining/MemoryUse.h"
#include "mining/MinedStream.h"
#include "mining/MiningRun.h"
#include "mining/PositionSearch.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

bool IsNaN(double x) { return std::isnan(x); }

// Resident memory is read once per this many sequences reported or recorded.
constexpr std::int64_t kMemoryCheckInterval = 4096;
// What a sequence recorded by a worker but not yet reported is expected to cost once the caller
// has stored it.
constexpr std::int64_t kPendingAllowance = 240;

// Watches the memory budget: the process's resident memory, plus an allowance for the sequences
// recorded by workers but not yet reported and for the lattice of those reported. Thread-safe.
class MemoryGuard {
 public:
  explicit MemoryGuard(std::int64_t budget) : budget_(budget) {}

  // Counts n more sequences recorded by a worker. Returns false iff the budget is passed.
  bool Recorded(std::int64_t n) {
    recorded_ += n;
    return Check();
  }
  // Counts n more sequences reported to the caller. Returns false iff the budget is passed.
  bool Reported(std::int64_t n) {
    reported_ += n;
    return Check();
  }
  bool exceeded() const { return exceeded_.load(); }

 private:
  bool Check() {
    if (exceeded_.load(std::memory_order_relaxed)) return false;
    const std::int64_t resident = ResidentBytes();
    if (resident < 0) return true;
    const std::int64_t reported = reported_.load(std::memory_order_relaxed);
    const std::int64_t pending = std::max<std::int64_t>(0, recorded_.load() - reported);
    const std::int64_t projected =
        resident + pending * kPendingAllowance + reported * MiningOptions::kLatticeAllowance;
    if (projected <= budget_) return true;
    exceeded_.store(true);
    return false;
  }

  const std::int64_t budget_;
  std::atomic<std::int64_t> recorded_{0}, reported_{0};
  std::atomic<bool> exceeded_{false};
};

// Passes sequences on to the caller's visitor on the calling thread, counting them, reporting
// progress and watching the memory budget. Sets halt to stop the search.
class Reporter {
 public:
  Reporter(const MiningOptions& options, const SequenceMiner::Visitor& visitor,
           MiningSummary* summary, MemoryGuard* guard, std::atomic<bool>* halt)
      : options_(options), visitor_(visitor), summary_(summary), guard_(guard), halt_(halt) {}

  // Returns false iff mining must stop: cancelled, or the budget is passed.
  bool Report(const MinedSequence& found) {
    visitor_(found);
    ++summary_->sequences;
    ++summary_->perLevel[found.numItems];
    if ((summary_->sequences % kMemoryCheckInterval == 0 &&
         !guard_->Reported(kMemoryCheckInterval)) ||
        UserCancelled()) {
      halt_->store(true);
    }
    return !halt_->load(std::memory_order_relaxed);
  }
  // Records that the extensions of `done` one-item sequences have all been reported.
  void RootsDone(std::int32_t done) {
    summary_->firstItemsDone = done;
    if (!options_.progress) return;
    MiningProgress progress;
    progress.done = done;
    progress.total = summary_->firstItems;
    progress.found = summary_->sequences;
    options_.progress(progress);
  }
  bool UserCancelled() const {
    return options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed);
  }

 private:
  const MiningOptions& options_;
  const SequenceMiner::Visitor& visitor_;
  MiningSummary* summary_;
  MemoryGuard* guard_;
  std::atomic<bool>* halt_;
};

// Mines every one-item sequence, in ascending order of item, on the calling thread.
template <typename Search, typename Shared>
void MineOnThisThread(const MiningOptions& options, const CompactDatabase& db, Shared& shared,
                      std::int32_t threshold, Reporter& reporter, std::atomic<bool>* halt) {
  const SequenceMiner::Visitor report = [&reporter](const MinedSequence& found) {
    reporter.Report(found);
  };
  MiningRun run(options, db, threshold, report, halt);
  Search search(run, shared);
  const std::size_t f = db.NumItems();
  for (std::size_t x = 0; x < f && !run.Cancelled(); ++x) {
    run.StartRoot(static_cast<std::int32_t>(x));
    search.MineRoot(static_cast<std::int32_t>(x));
    if (!run.Cancelled()) reporter.RootsDone(static_cast<std::int32_t>(x + 1));
  }
}

// Mines with `threads` worker threads, each taking the next one-item sequence not yet taken and
// recording its subtree in a stream of its own; the calling thread replays the streams in
// ascending order of item, so the reporter sees exactly what MineOnThisThread would report.
template <typename Search, typename Shared>
void MineWithWorkers(const MiningOptions& options, const CompactDatabase& db, Shared& shared,
                     std::int32_t threshold, Reporter& reporter, MemoryGuard& guard,
                     std::atomic<bool>* halt, std::int32_t threads) {
  const std::size_t f = db.NumItems();
  std::vector<MinedStream> streams(f);
  std::vector<char> finished(f, 0);  // guarded by mutex
  std::int32_t running = threads;    // guarded by mutex
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<std::size_t> next{0};

  std::exception_ptr failure;  // the first exception of a worker; guarded by mutex

  auto work = [&] {
    try {
      MinedStream* stream = nullptr;
      std::int64_t recorded = 0;
      const SequenceMiner::Visitor record = [&](const MinedSequence& found) {
        stream->Record(found);
        if (++recorded % kMemoryCheckInterval == 0 && !guard.Recorded(kMemoryCheckInterval)) {
          halt->store(true);
        }
      };
      MiningRun run(options, db, threshold, record, halt);
      Search search(run, shared);
      for (std::size_t x = next++; x < f && !run.Cancelled(); x = next++) {
        stream = &streams[x];
        run.StartRoot(static_cast<std::int32_t>(x));
        search.MineRoot(static_cast<std::int32_t>(x));
        if (run.Cancelled()) break;
        std::lock_guard<std::mutex> lock(mutex);
        finished[x] = 1;
        changed.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!failure) failure = std::current_exception();
      halt->store(true);
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    changed.notify_all();
  };

  std::vector<std::thread> workers;
  // Stops the workers and waits for them; runs however the replay below ends.
  auto stopWorkers = [&] {
    halt->store(true);
    for (std::thread& worker : workers) worker.join();
  };
  try {
    for (std::int32_t t = 0; t < threads; ++t) {
      workers.emplace_back(work);
    }
    for (std::size_t x = 0; x < f; ++x) {
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return finished[x] || running == 0 || halt->load(); });
        if (!finished[x]) break;  // the workers stopped: cancelled, out of budget or failed
      }
      const bool complete = streams[x].Replay(
          [&reporter](const MinedSequence& found) { return reporter.Report(found); });
      streams[x].Release();
      if (!complete) break;
      reporter.RootsDone(static_cast<std::int32_t>(x + 1));
    }
  } catch (...) {  // from the visitor, or a thread that could not start
    stopWorkers();
    throw;
  }
  stopWorkers();
  if (failure) std::rethrow_exception(failure);
}

template <typename Search, typename Shared>
void MineAll(const MiningOptions& options, const CompactDatabase& db, Shared& shared,
             std::int32_t threshold, Reporter& reporter, MemoryGuard& guard,
             std::atomic<bool>* halt) {
  std::int32_t threads = options.threads;
  if (threads == 0) threads = static_cast<std::int32_t>(std::thread::hardware_concurrency());
  threads = std::min<std::int32_t>(std::max(threads, 1), static_cast<std::int32_t>(db.NumItems()));
  if (threads <= 1) {
    MineOnThisThread<Search>(options, db, shared, threshold, reporter, halt);
  } else {
    MineWithWorkers<Search>(options, db, shared, threshold, reporter, guard, halt, threads);
  }
}

}  // namespace

bool MiningOrder::operator()(const MinedSequence& a, const MinedSequence& b) const {
  const std::int32_t n = std::min(a.numItems, b.numItems);
  std::int32_t setA = 0, setB = 0;  // the set holding item i
  for (std::int32_t i = 0; i < n; ++i) {
    const bool newA = i == 0 || a.setEnds[setA] == i;
    const bool newB = i == 0 || b.setEnds[setB] == i;
    if (i > 0) {
      setA += newA;
      setB += newB;
    }
    if (newA != newB) return newB;  // adding to the last set comes first
    if (a.items[i] != b.items[i]) return a.items[i] < b.items[i];
  }
  return a.numItems < b.numItems;
}

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
  if (options_.threads < 0) throw std::invalid_argument("number of threads must be at least 0");
  if (options_.maxMemory < 0) throw std::invalid_argument("memory budget must be at least 0");
}

MiningSummary SequenceMiner::Mine(const SequenceDatabase& db, const Visitor& visitor) const {
  const std::int32_t threshold = CountThreshold(options_.minSupport, db.NumCustomers());
  MiningSummary summary;
  summary.customers = db.NumCustomers();
  summary.countThreshold = threshold;
  summary.perLevel.assign(options_.maxItems + 1, 0);
  std::atomic<bool> halt{false};
  MemoryGuard guard(options_.maxMemory > 0 ? options_.maxMemory : DefaultMemoryBudget());
  Reporter reporter(options_, visitor, &summary, &guard, &halt);
  if (reporter.UserCancelled() || options_.maxItems == 0) {
    summary.cancelled = reporter.UserCancelled();
    return summary;
  }

  const CompactDatabase compact(db, threshold, HasTimeConstraints(options_));
  summary.firstItems = static_cast<std::int32_t>(compact.NumItems());
  if (BitmapSearch::Tables::Suit(compact, options_)) {
    const BitmapSearch::Tables tables(compact);
    MineAll<BitmapSearch>(options_, compact, tables, threshold, reporter, guard, &halt);
  } else {
    PositionSearch::Roots roots(compact, options_.slidingWindow > 0);
    MineAll<PositionSearch>(options_, compact, roots, threshold, reporter, guard, &halt);
  }
  summary.memoryLimitReached = guard.exceeded();
  summary.cancelled = !summary.memoryLimitReached && summary.firstItemsDone < summary.firstItems;
  return summary;
}

std::int32_t SequenceMiner::CountThreshold(double minSupport, std::int32_t customers) {
  const std::int32_t threshold = SequenceDictionary::CountThreshold(minSupport * customers);
  return std::max<std::int32_t>(threshold, 1);
}

}  // namespace SEQUENCE_NAMESPACE_800
