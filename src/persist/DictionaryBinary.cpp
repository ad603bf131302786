// Binary persistence of the dictionary and its settings block. The stream holds the tables of
// all levels; restoring rebuilds the empty structure from the stored settings and reads every
// table into it.
#include <cstdint>
#include <fstream>
#include <iostream>

#include "dictionary/SeqDictionarySettings.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "persist/LittleEndian.h"
#include "persist/ReadGuard.h"
#include "sequence/HashtableSQPair.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

namespace le = little_endian;

constexpr char kDictionaryTag[] = "SD";
constexpr char kSettingsTag[] = "DS";
constexpr std::size_t kTagLength = 2;

constexpr char kDictionaryError[] = "Error reading SequenceDictionary!\n";
constexpr char kSettingsError[] = "Error reading SeqDictionarySettings!\n";

}  // namespace

size_t SeqDictionarySettings::writeObject(std::fstream& fs) const {
  le::PutTag(fs, kSettingsTag, kTagLength);
  for (std::int32_t size : tableSizes) le::PutInt32(fs, size);
  le::PutInt32(fs, numberOfLevels);
  le::PutInt32(fs, tableSizeFrom8);
  return 42;
}

size_t SeqDictionarySettings::readObject(std::fstream& fs) {
  if (!le::GetTag(fs, kSettingsTag, kTagLength)) persist::FailRead(kSettingsError);
  SeqDictionarySettings read;
  bool ok = true;
  for (std::int32_t& size : read.tableSizes) ok = ok && le::GetInt32(fs, &size);
  ok = ok && le::GetInt32(fs, &read.numberOfLevels) && le::GetInt32(fs, &read.tableSizeFrom8);
  if (!ok || !persist::RestorableSettings(read)) persist::FailRead(kSettingsError);
  *this = read;
  return 42;
}

size_t SequenceDictionary::writeObject(std::fstream& fs) {
  if (fs.bad()) {
    std::cout << "Bad stream for saving SequenceDictionary!\n" << std::flush;
    throw new SeqExceptions::IOException();
  }
  le::PutTag(fs, kDictionaryTag, kTagLength);
  fs.put(isLatticeBuilt() ? '1' : '0');
  settings_.writeObject(fs);
  size_t count = 35;
  // The empty shell has no tables; its levels are saved empty so that the stream reads back.
  for (int level = 0; level < settings_.numberOfLevels; ++level) {
    const HashtableSQPair* table = getLevelTable(level);
    count += table != nullptr ? table->writeObject(fs) : HashtableSQPair(1).writeObject(fs);
  }
  for (double value : {minimumSupport_, slidingWindow_, minGap_, maxGap_}) {
    le::PutDouble(fs, value);
  }
  fs.flush();
  return count;
}

size_t SequenceDictionary::readObject(std::fstream& fs) {
  char latticeBuilt = 0;
  if (!le::GetTag(fs, kDictionaryTag, kTagLength) || !fs.get(latticeBuilt)) {
    persist::FailRead(kDictionaryError);
  }
  SeqDictionarySettings settings;
  settings.readObject(fs);
  try {
    createDictionary(settings);
  } catch (const SeqExceptions::DictionaryFailure&) {
    persist::FailRead(kSettingsError);  // tables larger than this machine can hold
  }
  latticeBuilt_ = latticeBuilt == '1';
  size_t count = 35;
  // Level 0 already holds the empty sequence; a saved one replaces it.
  for (int level = 0; level < numberOfLevels_; ++level) count += levels_[level]->readObject(fs);
  double values[4];
  for (double& value : values) {
    if (!le::GetDouble(fs, &value)) persist::FailRead(kDictionaryError);
  }
  minimumSupport_ = values[0];
  slidingWindow_ = values[1];
  minGap_ = values[2];
  maxGap_ = values[3];
  return count;
}

}  // namespace SEQUENCE_NAMESPACE_800
