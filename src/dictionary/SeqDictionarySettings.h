// The settings a dictionary is created with: initial table sizes per level and number of levels.
#ifndef CARMASEQ_DICTIONARY_SEQDICTIONARYSETTINGS_H_
#define CARMASEQ_DICTIONARY_SEQDICTIONARYSETTINGS_H_

#include <cstdint>
#include <fstream>
#include <iosfwd>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// A plain record passed by value. Level L gets tableSizes[L] for L < 8 and tableSizeFrom8 from
// level 8 on. numberOfLevels lies in 1..32 (a dictionary holds sequences of at most
// numberOfLevels - 1 items).
struct CARMASEQ_EXPORT SeqDictionarySettings {
  std::int32_t tableSizes[8] = {2, 11519, 23039, 23039, 23039, 23039, 11519, 11519};
  std::int32_t tableSizeFrom8 = 89;
  std::int32_t numberOfLevels = 10;

  // The initial capacity of the table of the given level.
  std::int32_t tableSizeOfLevel(int level) const {
    return level < 8 ? tableSizes[level] : tableSizeFrom8;
  }

  // Object-XML ("DictionarySettings", 12 values) and binary ("DS" block, 42 bytes) persistence.
  // The stored order is the eight sizes, the number of levels, the size for levels 8 and up.
  size_t writeObjectXML(std::ostream& os) const;
  size_t readObjectXML(std::ifstream& is);
  size_t writeObject(std::fstream& fs) const;
  size_t readObject(std::fstream& fs);
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_SEQDICTIONARYSETTINGS_H_
