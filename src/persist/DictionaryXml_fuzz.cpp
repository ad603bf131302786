// libFuzzer target: the object-XML readers on arbitrary text, the document frame check and the
// dictionary reader. A restored dictionary must save and restore again to the same content;
// refusals must be IOException or a count of 0.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "persist/XMLObj.h"
#include "persist/content_testutil.h"

namespace {

using SEQUENCE_NAMESPACE_800::SequenceDictionary;
namespace testutil = SEQUENCE_NAMESPACE_800::testutil;

// The readers allocate the initial tables that the settings ask for; inputs asking for more
// than this many buckets are skipped to stay within the fuzzer's memory limit.
constexpr std::int64_t kMaxBuckets = std::int64_t{1} << 22;

const std::string& Path() {
  static const std::string path = "/tmp/carmaseq_xml_fuzz_" + std::to_string(getpid()) + ".xml";
  return path;
}

void WriteFile(const std::string& text) {
  std::ofstream(Path(), std::ios::binary | std::ios::trunc) << text;
}

// Returns true iff the settings in the file, when they can be read, ask for at most kMaxBuckets
// initial buckets in all.
bool Affordable() {
  std::ifstream is(Path(), std::ios::binary);
  int flag = 0;
  int largest = 0;
  SEQUENCE_NAMESPACE_800::SeqDictionarySettings settings;
  try {
    if (!QxXML_940::ParseStartObj(is, "SequenceDictionary") || !QxXML_940::ParseValue(is, flag) ||
        !QxXML_940::ParseValue(is, largest) || settings.readObjectXML(is) == 0) {
      return true;
    }
  } catch (SeqExceptions::IOException* e) {
    delete e;
    return true;
  }
  std::int64_t buckets = 0;
  for (int level = 0; level < settings.numberOfLevels; ++level) {
    buckets += settings.tableSizeOfLevel(level);
  }
  return buckets <= kMaxBuckets;
}

// Returns true iff the reader restored the file; false when it refused.
bool Restore(SequenceDictionary* dictionary) {
  std::ifstream is(Path(), std::ios::binary);
  try {
    return dictionary->readObjectXML(is) != 0;
  } catch (SeqExceptions::IOException* e) {
    delete e;
    return false;
  }
}

// Saves dictionary into the file.
void Save(SequenceDictionary& dictionary) {
  std::ostringstream os;
  dictionary.writeObjectXML(os);
  WriteFile(os.str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFile(std::string(reinterpret_cast<const char*>(data), size));
  {
    std::ifstream is(Path(), std::ios::binary);
    QxXML_940::ParseStartXML(is);
  }
  if (!Affordable()) return 0;
  SequenceDictionary dictionary;
  if (!Restore(&dictionary)) return 0;
  Save(dictionary);
  SequenceDictionary again;
  if (!Restore(&again) || testutil::Canonical(again) != testutil::Canonical(dictionary)) {
    std::abort();
  }
  return 0;
}
