#include "mining/MemoryUse.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// The number in the first line of path, or -1 when the file is missing or says "max".
std::int64_t ReadLimit(const char* path) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text) || text.empty() || text[0] < '0' || text[0] > '9') return -1;
  try {
    return static_cast<std::int64_t>(std::stoull(text));
  } catch (...) {
    return -1;  // out of range: no meaningful limit
  }
}

}  // namespace

std::int64_t ResidentBytes() {
  // statm: total program size, then resident pages.
  std::FILE* file = std::fopen("/proc/self/statm", "r");
  if (file == nullptr) return -1;
  long long size = 0, resident = 0;
  const int read = std::fscanf(file, "%lld %lld", &size, &resident);
  std::fclose(file);
  if (read != 2) return -1;
  return resident * static_cast<std::int64_t>(sysconf(_SC_PAGESIZE));
}

std::int64_t DefaultMemoryBudget() {
  std::int64_t memory = static_cast<std::int64_t>(sysconf(_SC_PHYS_PAGES)) *
                        static_cast<std::int64_t>(sysconf(_SC_PAGESIZE));
  // cgroup v2, then v1 (which reports a huge number when there is no limit).
  for (const char* path :
       {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
    const std::int64_t limit = ReadLimit(path);
    if (limit > 0 && (memory <= 0 || limit < memory)) memory = limit;
  }
  return memory <= 0 ? INT64_MAX : memory / 4 * 3;
}

}  // namespace SEQUENCE_NAMESPACE_800
