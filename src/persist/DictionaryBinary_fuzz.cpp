// libFuzzer target: the binary dictionary reader on arbitrary bytes. A restored dictionary must
// save and restore again to the same content; refusals must be IOException.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "persist/content_testutil.h"

namespace {

using SEQUENCE_NAMESPACE_800::SequenceDictionary;
namespace testutil = SEQUENCE_NAMESPACE_800::testutil;

// The readers allocate the initial tables that the settings ask for; inputs asking for more
// than this many buckets are skipped to stay within the fuzzer's memory limit.
constexpr std::int64_t kMaxBuckets = std::int64_t{1} << 22;

const std::string& Path(int which) {
  static const std::string paths[2] = {
      "/tmp/carmaseq_binary_fuzz_" + std::to_string(getpid()) + "_a.bin",
      "/tmp/carmaseq_binary_fuzz_" + std::to_string(getpid()) + "_b.bin"};
  return paths[which];
}

// Returns true iff the settings block, when data holds one, asks for at most kMaxBuckets initial
// buckets in all.
bool Affordable(const std::uint8_t* data, std::size_t size) {
  if (size < 45) return true;
  const auto int32 = [data](std::size_t at) {
    return static_cast<std::int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                     std::uint32_t{data[at + 3]} << 24);
  };
  std::int64_t buckets = 0;
  for (int level = 0; level < std::min(int32(37), 32); ++level) {
    buckets += std::max(0, int32(level < 8 ? 5 + 4 * level : 41));
  }
  return buckets <= kMaxBuckets;
}

// Returns true iff the reader restored the file; false when it refused with IOException.
bool Restore(const std::string& path, SequenceDictionary* dictionary) {
  std::fstream fs(path, std::ios::in | std::ios::out | std::ios::binary);
  try {
    dictionary->readObject(fs);
    return true;
  } catch (SeqExceptions::IOException* e) {
    delete e;
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!Affordable(data, size)) return 0;
  std::ofstream(Path(0), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  SequenceDictionary dictionary;
  if (!Restore(Path(0), &dictionary)) return 0;
  {
    std::fstream fs(Path(1), std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    dictionary.writeObject(fs);
  }
  SequenceDictionary again;
  if (!Restore(Path(1), &again) || testutil::Canonical(again) != testutil::Canonical(dictionary)) {
    std::abort();
  }
  return 0;
}
