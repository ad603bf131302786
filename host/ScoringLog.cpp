#include "ScoringLog.h"

#include <cstdarg>
#include <cstdlib>
#include <string>

namespace QxQuorvis_940 {

namespace {

// A positive number in CARMASEQ_TRACE switches tracing on at that level.
int LevelFromEnvironment() {
  const char* text = std::getenv("CARMASEQ_TRACE");
  if (text == nullptr) return 0;
  const long level = std::strtol(text, nullptr, 10);
  return level > 0 && level < 1000 ? static_cast<int>(level) : 0;
}

}  // namespace

ScoringLog::ScoringLog() : level_(LevelFromEnvironment()) {}

ScoringLog& ScoringLog::GetInstance() {
  static ScoringLog* const log = new ScoringLog();  // Never destroyed: usable at exit.
  return *log;
}

bool ScoringLog::IsTracing(int level) const {
  const int traced = level_.load();
  return traced > 0 && level <= traced;
}

void ScoringLog::TraceText(int level, const char* format, ...) {
  if (!IsTracing(level) || format == nullptr) return;
  va_list args;
  va_start(args, format);
  va_list sizing;
  va_copy(sizing, args);
  const int length = std::vsnprintf(nullptr, 0, format, sizing);
  va_end(sizing);
  if (length < 0) {
    va_end(args);
    return;
  }
  // Format and newline go out in one write so that lines of several threads do not interleave.
  // Short lines need no heap, so that a line saying memory ran out can still be written.
  const size_t size = static_cast<size_t>(length) + 1;
  char buffer[512];
  std::string heap;
  char* line = buffer;
  if (size > sizeof buffer) {
    heap.resize(size);
    line = heap.data();
  }
  std::vsnprintf(line, size, format, args);
  va_end(args);
  line[size - 1] = '\n';
  std::FILE* out = out_.load();
  if (out == nullptr) out = stderr;
  std::fwrite(line, 1, size, out);
  std::fflush(out);
}

}  // namespace QxQuorvis_940
