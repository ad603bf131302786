// Progress of a program's long steps on standard error.
#ifndef CARMASEQ_TOOLS_CARMASEQ_PROGRESS_H_
#define CARMASEQ_TOOLS_CARMASEQ_PROGRESS_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

namespace carmaseq_cli {

// Shows one step at a time: its name and, when the step knows its share, the share done and an
// estimate of the time left; otherwise the time spent so far. On a terminal one line is rewritten
// in place (at most five times a second, and every half second by a clock of its own while the
// step gives no news); in line mode (progress forced onto a file or pipe) a line is written for
// each tenth of the share done, or for each ten seconds spent, and one when the step ends.
// Nothing is written in the quiet mode. The stream must outlive the object. Thread-safe: Update
// may be called while the clock writes.
class Progress {
 public:
  enum class Mode { kQuiet, kTerminal, kLines };

  // The mode for the options --quiet and --progress and for whether standard error is a
  // terminal: quiet wins, then forced lines, then the terminal.
  static Mode ModeFor(bool quiet, bool forced, bool terminal);

  Progress(std::ostream& err, Mode mode);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  // Ends the current step.
  ~Progress();

  // Ends the current step, if any, and starts one named name. total > 0 is the amount Update
  // counts towards; 0 means the share is unknown. unit, when not empty, names the things the
  // step also counts (see Update(done, count)).
  void Start(const std::string& name, double total = 0, const std::string& unit = "");
  // Sets the amount Update counts towards, once the step knows it (again and again if need be);
  // the time left is estimated from the progress made since it first became known.
  void SetTotal(double total);
  // Records that done of the step's total (or, without a total, done things) are done.
  void Update(double done);
  // The same, and count of the step's unit are done (shown as "count unit"), for a step whose
  // share is of something else, such as records scored out of the bytes of their file.
  void Update(double done, double count);
  // Ends the current step: clears the terminal line; in line mode writes the time it took.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  void Tick();
  void Show(bool force);  // REQUIRES: mutex_ held.
  std::string Text() const;

  std::ostream& err_;
  const Mode mode_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread clock_;
  bool stopping_ = false;
  bool active_ = false;
  bool shown_ = false;
  std::string name_;
  double total_ = 0;
  double done_ = 0;
  std::string unit_;
  double count_ = 0;
  int lastTenth_ = 0;
  Clock::time_point start_;
  Clock::time_point shareStart_;  // when the total was set: the estimate's rate counts from it
  Clock::time_point lastShown_;
};

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_PROGRESS_H_
