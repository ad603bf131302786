// libFuzzer target: the object-XML readers on arbitrary text, the document frame check and the
// dictionary reader. A restored dictionary must save and restore again to the same text;
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

namespace {

using SEQUENCE_NAMESPACE_800::SequenceDictionary;

const std::string& Path() {
  static const std::string path = "/tmp/carmaseq_xml_fuzz_" + std::to_string(getpid()) + ".xml";
  return path;
}

void WriteFile(const char* data, std::size_t size) {
  std::ofstream(Path(), std::ios::binary | std::ios::trunc)
      .write(data, static_cast<std::streamsize>(size));
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

std::string Save(SequenceDictionary& dictionary) {
  std::ostringstream os;
  dictionary.writeObjectXML(os);
  return os.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFile(reinterpret_cast<const char*>(data), size);
  {
    std::ifstream is(Path(), std::ios::binary);
    QxXML_940::ParseStartXML(is);
  }
  SequenceDictionary dictionary;
  if (!Restore(&dictionary)) return 0;
  const std::string saved = Save(dictionary);
  WriteFile(saved.data(), saved.size());
  SequenceDictionary again;
  if (!Restore(&again) || Save(again) != saved) std::abort();
  return 0;
}
