// libFuzzer target: the binary dictionary reader on arbitrary bytes. A restored dictionary must
// save and restore again to the same bytes; refusals must be IOException.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"

namespace {

using SEQUENCE_NAMESPACE_800::SequenceDictionary;

const std::string& Path(int which) {
  static const std::string paths[2] = {
      "/tmp/carmaseq_binary_fuzz_" + std::to_string(getpid()) + "_a.bin",
      "/tmp/carmaseq_binary_fuzz_" + std::to_string(getpid()) + "_b.bin"};
  return paths[which];
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

std::string Save(SequenceDictionary& dictionary, const std::string& path) {
  {
    std::fstream fs(path, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    dictionary.writeObject(fs);
  }
  return ReadAll(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream(Path(0), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  SequenceDictionary dictionary;
  if (!Restore(Path(0), &dictionary)) return 0;
  const std::string saved = Save(dictionary, Path(1));
  SequenceDictionary again;
  if (!Restore(Path(1), &again) || Save(again, Path(1)) != saved) std::abort();
  return 0;
}
