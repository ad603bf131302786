#include "Progress.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace carmaseq_cli {

namespace {

constexpr auto kTerminalInterval = std::chrono::milliseconds(200);
constexpr auto kClockInterval = std::chrono::milliseconds(500);
constexpr double kLineSeconds = 10;

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else {
    const long whole = std::lround(seconds);
    std::snprintf(text, sizeof text, "%ld:%02ld min", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

Progress::Mode Progress::ModeFor(bool quiet, bool forced, bool terminal) {
  if (quiet) return Mode::kQuiet;
  if (forced) return terminal ? Mode::kTerminal : Mode::kLines;
  return terminal ? Mode::kTerminal : Mode::kQuiet;
}

Progress::Progress(std::ostream& err, Mode mode) : err_(err), mode_(mode) {
  if (mode_ != Mode::kQuiet) clock_ = std::thread([this] { Tick(); });
}

Progress::~Progress() {
  Finish();
  if (!clock_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  clock_.join();
}

void Progress::Start(const std::string& name, double total, const std::string& unit) {
  Finish();
  if (mode_ == Mode::kQuiet) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  active_ = true;
  name_ = name;
  total_ = total;
  done_ = 0;
  unit_ = unit;
  count_ = 0;
  lastTenth_ = 0;
  start_ = shareStart_ = lastShown_ = Clock::now();
  if (mode_ == Mode::kTerminal) Show(true);
}

void Progress::SetTotal(double total) {
  if (mode_ == Mode::kQuiet) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (total_ <= 0 && total > 0) shareStart_ = Clock::now();
  total_ = total;
}

void Progress::Update(double done) {
  if (mode_ == Mode::kQuiet) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!active_) return;
  done_ = done;
  Show(false);
}

void Progress::Update(double done, double count) {
  if (mode_ == Mode::kQuiet) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!active_) return;
  done_ = done;
  count_ = count;
  Show(false);
}

void Progress::Finish() {
  if (mode_ == Mode::kQuiet) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!active_) return;
  active_ = false;
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  if (mode_ == Mode::kTerminal) {
    if (shown_) err_ << "\r\x1b[K" << std::flush;
  } else {
    err_ << name_ << ": done in " << Duration(seconds) << "\n" << std::flush;
  }
  shown_ = false;
}

// The clock of its own: keeps the elapsed time (or the estimate) moving while the step works
// without reporting.
void Progress::Tick() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, kClockInterval);
    if (!stopping_ && active_) Show(false);
  }
}

std::string Progress::Text() const {
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::string text = name_ + ": ";
  char part[96];
  if (!unit_.empty()) {
    std::snprintf(part, sizeof part, "%.0f ", count_);
    text += part + unit_ + ", ";
  }
  if (total_ > 0) {
    const double share = done_ <= 0 ? 0 : (done_ >= total_ ? 1 : done_ / total_);
    std::snprintf(part, sizeof part, "%3.0f%%", 100 * share);
    text += part;
    if (share > 0.01 && share < 1) {
      // The rate counts from when the total became known: work before it tells nothing.
      const double counting = std::chrono::duration<double>(now - shareStart_).count();
      text += ", about " + Duration(counting * (1 - share) / share) + " left";
    } else {
      text += ", " + Duration(seconds);
    }
  } else {
    if (done_ > 0 && unit_.empty()) {
      std::snprintf(part, sizeof part, "%.0f, ", done_);
      text += part;
    }
    text += Duration(seconds);
  }
  return text;
}

void Progress::Show(bool force) {
  const Clock::time_point now = Clock::now();
  if (mode_ == Mode::kTerminal) {
    if (!force && now - lastShown_ < kTerminalInterval) return;
    err_ << "\r" << Text() << "\x1b[K" << std::flush;
    shown_ = true;
    lastShown_ = now;
    return;
  }
  // Lines: one per tenth of a known share, else one per ten seconds.
  if (total_ > 0) {
    const int tenth = static_cast<int>(10 * std::fmin(1.0, done_ / total_));
    if (tenth <= lastTenth_) return;
    lastTenth_ = tenth;
  } else if (std::chrono::duration<double>(now - lastShown_).count() < kLineSeconds) {
    return;
  }
  err_ << Text() << "\n" << std::flush;
  lastShown_ = now;
}

}  // namespace carmaseq_cli
