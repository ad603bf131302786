#include "Progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

namespace carmaseq_cli {
namespace {

TEST(ProgressTest, ModeFollowsQuietThenForcedThenTerminal) {
  using Mode = Progress::Mode;
  const struct {
    bool quiet, forced, terminal;
    Mode mode;
  } rows[] = {
      {true, true, true, Mode::kQuiet},      {false, false, false, Mode::kQuiet},
      {false, false, true, Mode::kTerminal}, {false, true, false, Mode::kLines},
      {false, true, true, Mode::kTerminal},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.mode, Progress::ModeFor(row.quiet, row.forced, row.terminal))
        << row.quiet << row.forced << row.terminal;
  }
}

TEST(ProgressTest, LinesModeWritesEachTenthOnceAndTheEnd) {
  std::ostringstream err;
  {
    Progress progress(err, Progress::Mode::kLines);
    progress.Start("writing x", 200);
    for (int done = 1; done <= 200; ++done) progress.Update(done);
  }
  const std::string text = err.str();
  std::size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(11u, lines) << text;  // ten tenths and the closing line
  EXPECT_EQ(0u, text.find("writing x:  10%")) << text;
  EXPECT_NE(std::string::npos, text.find("writing x: 100%")) << text;
  EXPECT_NE(std::string::npos, text.find("writing x: done in ")) << text;
}

// Half done gives the time left as the time the counting took so far: from when the total first
// became known, not from the start of the step, nor from a repeated setting of the total.
TEST(ProgressTest, TimeLeftCountsFromWhenTheTotalIsFirstKnown) {
  using std::chrono::milliseconds;
  const struct {
    int beforeTotal, afterTotal;  // milliseconds before the total is set, then before it is again
    double minLeft, maxLeft;
  } cases[] = {{600, 0, 0, 0.3}, {0, 600, 0.45, 5}};
  for (const auto& c : cases) {
    std::ostringstream err;
    {
      Progress progress(err, Progress::Mode::kLines);
      progress.Start("writing y");
      std::this_thread::sleep_for(milliseconds(c.beforeTotal));
      progress.SetTotal(100);
      std::this_thread::sleep_for(milliseconds(c.afterTotal));
      progress.SetTotal(100);
      progress.Update(50);
    }
    const std::string text = err.str();
    const std::size_t at = text.find("writing y:  50%, about ");
    ASSERT_NE(std::string::npos, at) << text;
    const double left = std::stod(text.substr(at + 23));
    EXPECT_GE(left, c.minLeft) << text;
    EXPECT_LE(left, c.maxLeft) << text;
  }
}

TEST(ProgressTest, CountsShowTheirUnitBesideTheShare) {
  std::ostringstream lines, terminal;
  {
    Progress progress(lines, Progress::Mode::kLines);
    progress.Start("scoring r", 100, "records");
    for (int done = 1; done <= 100; ++done) progress.Update(done, 3 * done);
    Progress unknown(terminal, Progress::Mode::kTerminal);
    unknown.Start("scoring s", 0, "records");
  }
  EXPECT_EQ(0u, lines.str().find("scoring r: 30 records,  10%")) << lines.str();
  EXPECT_NE(std::string::npos, lines.str().find("scoring r: 300 records, 100%")) << lines.str();
  EXPECT_EQ(0u, terminal.str().find("\rscoring s: 0 records, 0.0 s\x1b[K")) << terminal.str();
}

TEST(ProgressTest, TerminalLineIsClearedAndQuietWritesNothing) {
  std::ostringstream terminal, quiet;
  {
    Progress progress(terminal, Progress::Mode::kTerminal);
    progress.Start("loading y");
    progress.Finish();
    Progress silent(quiet, Progress::Mode::kQuiet);
    silent.Start("loading y", 10);
    silent.Update(5);
  }
  EXPECT_EQ(0u, terminal.str().find("\rloading y: 0.0 s\x1b[K")) << terminal.str();
  EXPECT_EQ("\r\x1b[K", terminal.str().substr(terminal.str().size() - 4));
  EXPECT_EQ("", quiet.str());
}

}  // namespace
}  // namespace carmaseq_cli
