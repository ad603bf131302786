// Object-XML persistence of the dictionary and its settings. The dictionary text holds the
// tables of levels 0 to LargestSequence() only; restoring rebuilds the empty structure from the
// stored settings and reads those tables into it.
#include <iostream>
#include <string>

#include "dictionary/SeqDictionarySettings.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "persist/ReadGuard.h"
#include "persist/XMLObj.h"
#include "sequence/HashtableSQPair.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using QxXML_940::ParseEndObj;
using QxXML_940::ParseStartObj;
using QxXML_940::ParseValue;
using QxXML_940::XMLObj;

}  // namespace

size_t SeqDictionarySettings::writeObjectXML(std::ostream& os) const {
  const XMLObj obj("DictionarySettings", 2);
  obj.StartObj(os);
  for (std::int32_t size : tableSizes) obj.WriteSubElement(os, static_cast<int>(size));
  obj.WriteSubElement(os, static_cast<int>(numberOfLevels));
  obj.WriteSubElement(os, static_cast<int>(tableSizeFrom8));
  obj.EndObj(os);
  return 12;
}

size_t SeqDictionarySettings::readObjectXML(std::ifstream& is) {
  SeqDictionarySettings read;
  bool ok = ParseStartObj(is, "DictionarySettings");
  for (std::int32_t& size : read.tableSizes) ok = ok && ParseValue(is, size);
  ok = ok && ParseValue(is, read.numberOfLevels) && ParseValue(is, read.tableSizeFrom8) &&
       ParseEndObj(is);
  if (!ok || !persist::RestorableSettings(read)) persist::FailRead(nullptr);
  *this = read;
  return 12;
}

size_t SequenceDictionary::writeObjectXML(std::ostream& os) {
  if (os.bad()) {
    std::cout << "Bad stream for saving SequenceDictionary to XML!\n" << std::flush;
    throw new SeqExceptions::IOException();
  }
  const XMLObj obj("SequenceDictionary", 1);
  obj.StartObj(os);
  obj.WriteSubElement(os, isLatticeBuilt() ? 1 : 0);
  const int largest = LargestSequence();
  obj.WriteSubElement(os, largest);
  settings_.writeObjectXML(os);
  size_t count = 8;
  for (int level = 0; level <= largest; ++level) {
    const HashtableSQPair* table = getLevelTable(level);
    // The empty shell has no tables; it is saved as one empty level 0.
    count += table != nullptr ? table->writeObjectXML(os) : HashtableSQPair(1).writeObjectXML(os);
  }
  for (double value : {minimumSupport_, slidingWindow_, minGap_, maxGap_}) {
    obj.WriteSubElement(os, value);
  }
  obj.EndObj(os);
  return count;
}

size_t SequenceDictionary::readObjectXML(std::ifstream& is) { return readObjectXML(is, ""); }

// Counts the start, the two numbers, the settings' 12, the tables and the doubles read.
size_t SequenceDictionary::readObjectXML(std::ifstream& is, const std::string& versionText) {
  int latticeBuilt = 0;
  int largest = 0;
  if (!ParseStartObj(is, "SequenceDictionary") || !ParseValue(is, latticeBuilt) ||
      !ParseValue(is, largest)) {
    return 0;
  }
  SeqDictionarySettings settings;
  size_t count = 3 + settings.readObjectXML(is);
  // Tables are read only into levels that the settings create.
  if (largest < 0 || largest >= settings.numberOfLevels) return 0;
  try {
    createDictionary(settings);
  } catch (const SeqExceptions::DictionaryFailure&) {
    persist::FailRead(nullptr);  // tables larger than this machine can hold
  }
  latticeBuilt_ = latticeBuilt == 1;
  // Level 0 already holds the empty sequence; a saved one replaces it.
  for (int level = 0; level <= largest; ++level) count += levels_[level]->readObjectXML(is);
  // Texts of version "1.0" were saved before minimumSupport was.
  double values[4] = {minimumSupport_, 0.0, 0.0, 0.0};
  for (int i = versionText == "1.0" ? 1 : 0; i < 4; ++i, ++count) {
    if (!ParseValue(is, values[i])) return 0;
  }
  if (!ParseEndObj(is)) return 0;
  minimumSupport_ = values[0];
  slidingWindow_ = values[1];
  minGap_ = values[2];
  maxGap_ = values[3];
  return count;
}

}  // namespace SEQUENCE_NAMESPACE_800
