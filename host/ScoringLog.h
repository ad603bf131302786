// The host's trace log.
#ifndef CARMASEQ_HOST_SCORINGLOG_H_
#define CARMASEQ_HOST_SCORINGLOG_H_

#include <atomic>
#include <cstdio>

#include "HostExport.h"

namespace QxQuorvis_940 {

// One process-wide log through which the host and its plug-ins write trace lines. A line of
// level L (1 the most important) is written iff tracing is on and L <= the trace level. Tracing
// is off (level 0) unless the environment variable CARMASEQ_TRACE holds a positive number when
// the log is first used; SetTraceLevel changes it later. Lines go to standard error unless
// SetOutput names another stream.
//
// Thread-safe: the level and stream are atomic and each line is written with one call.
class QUORVISHOST_EXPORT ScoringLog {
 public:
  ScoringLog(const ScoringLog&) = delete;
  ScoringLog& operator=(const ScoringLog&) = delete;

  // The one log of the process, created on first use.
  static ScoringLog& GetInstance();

  // Level 0 or below switches tracing off.
  void SetTraceLevel(int level) { level_.store(level); }
  int GetTraceLevel() const { return level_.load(); }
  // Returns true iff a line of `level` would be written.
  bool IsTracing(int level) const;

  // Sends later lines to `out`; null restores standard error. `out` must outlive its use.
  void SetOutput(std::FILE* out) { out_.store(out); }

  // Writes the printf-style `format` with its arguments and a newline, when `level` is traced.
  void TraceText(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

 private:
  ScoringLog();

  std::atomic<int> level_;
  std::atomic<std::FILE*> out_{nullptr};
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCORINGLOG_H_
