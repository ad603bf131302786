#include "Mining.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "Database.h"
#include "Model.h"
#include "mining/DictionaryBuilder.h"

namespace carmaseq_python {

namespace seq = SEQUENCE_NAMESPACE_800;

// The mining options by their Python names: the one place that knows them. Keys are the keyword
// arguments of carmaseq.mine that reach the miner; an unknown key is a programming error of the
// package and raises ValueError.
seq::MiningOptions ReadMiningOptions(const py::dict& given) {
  seq::MiningOptions options;
  for (const auto& [key, value] : given) {
    const std::string name = py::cast<std::string>(key);
    if (name == "min_support") {
      options.minSupport = value.cast<double>();
    } else if (name == "max_items") {
      options.maxItems = value.cast<std::int32_t>();
    } else if (name == "min_gap") {
      options.minGap = value.cast<double>();
    } else if (name == "max_gap") {
      options.maxGap = value.cast<double>();
    } else if (name == "window") {
      options.slidingWindow = value.cast<double>();
    } else {
      throw std::invalid_argument("unknown mining option '" + name + "'");
    }
  }
  return options;
}

namespace {

// Builds a dictionary on a thread of its own, so that the calling thread can watch for signals
// and report progress while the miner runs without the interpreter's lock. The destructor cancels
// a run still going and waits for it. Not copyable.
class MiningRun {
 public:
  MiningRun(const seq::SequenceDatabase& db, seq::MiningOptions options) {
    options.cancel = &cancel_;
    options.progress = [this](const seq::MiningProgress& p) {
      std::lock_guard<std::mutex> lock(mutex_);
      progress_ = p;
    };
    thread_ = std::thread([this, &db, options = std::move(options)] {
      try {
        result_ = seq::BuildDictionary(db, options);
      } catch (...) {
        error_ = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
      done_.notify_all();
    });
  }
  ~MiningRun() {
    cancel_ = true;
    if (!thread_.joinable()) return;
    if (PyGILState_Check()) {
      py::gil_scoped_release unlocked;
      thread_.join();
    } else {
      thread_.join();
    }
  }
  MiningRun(const MiningRun&) = delete;
  MiningRun& operator=(const MiningRun&) = delete;

  // Waits up to `wait` for the run to end. Returns true iff it has. Call without the GIL.
  bool Wait(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, wait, [this] { return finished_; });
  }
  seq::MiningProgress Progress() {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_;
  }
  // The finished run's result. Rethrows what the builder threw. REQUIRES: Wait returned true.
  seq::BuildResult Take() {
    thread_.join();
    if (error_) std::rethrow_exception(error_);
    return std::move(result_);
  }

 private:
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;         // guarded by mutex_
  seq::MiningProgress progress_;  // guarded by mutex_
  seq::BuildResult result_;       // written by the thread before finished_
  std::exception_ptr error_;      // written by the thread before finished_
  std::thread thread_;
};

void Report(const py::object& progress, const seq::MiningProgress& p) {
  if (!progress.is_none()) progress(p.done, p.total, p.found);
}

// Mines d with the given options. progress, unless None, is called on this thread about every
// `interval` seconds with (first items done, first items in all, sequences found), and once at
// the end. A signal handler that raises (Ctrl-C: KeyboardInterrupt) or a progress callback that
// raises stops the miner; the exception then propagates and nothing is kept.
// What the model records about its input: the texts Python describes it with (input, format,
// customer, time, item, delimiter, time_format) and the options.
seq::ModelSource Source(const py::dict& described, const seq::MiningOptions& options) {
  seq::ModelSource source;
  auto text = [&described](const char* key) {
    return described.contains(key) ? py::cast<std::string>(described[key]) : std::string();
  };
  source.input = text("input");
  source.format = text("format");
  source.customerColumn = text("customer");
  source.timeColumn = text("time");
  source.itemColumn = text("item");
  source.delimiter = text("delimiter");
  source.timeFormat = text("time_format");
  source.minSupport = options.minSupport;
  source.maxItems = options.maxItems;
  source.minGap = options.minGap;
  source.maxGap = options.maxGap;
  source.window = options.slidingWindow;
  return source;
}

std::unique_ptr<Model> Mine(const Database& d, const py::dict& given, const py::dict& described,
                            const py::object& progress, double interval) {
  seq::MiningOptions options = ReadMiningOptions(given);
  const seq::SequenceMiner check(options);  // rejects bad options here, as ValueError
  const auto wait =
      std::chrono::milliseconds(static_cast<long>(interval > 0.001 ? interval * 1000 : 1));
  MiningRun run(d.db, options);
  for (;;) {
    bool finished = false;
    {
      py::gil_scoped_release unlocked;
      finished = run.Wait(wait);
    }
    if (finished) break;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    Report(progress, run.Progress());
  }
  seq::BuildResult built = run.Take();
  if (built.dictionary == nullptr) throw std::bad_alloc();
  Report(progress, run.Progress());

  auto model = std::make_unique<Model>();
  model->dictionary = std::move(built.dictionary);
  model->names = d.names;
  model->source = Source(described, options);
  const seq::DatabaseStats stats = d.db.Stats();
  model->maxItemsPerSet = stats.maxItemsPerSet;
  model->avgItemsPerSet = stats.avgItemsPerSet;
  return model;
}

}  // namespace

void BindMining(py::module_& m) {
  m.def("mine", &Mine, py::arg("database"), py::arg("options"), py::arg("source"),
        py::arg("progress") = py::none(), py::arg("interval") = 0.1);
}

}  // namespace carmaseq_python
