// What the rules document and the lattice document share: carmaseq's fixed texts, the Header
// element, the item tables, the reported minimum support and the walk over a key's item sets.
#ifndef CARMASEQ_EXPORT_EXPORTCOMMON_H_
#define CARMASEQ_EXPORT_EXPORTCOMMON_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "export/ReferenceIndex.h"
#include "foundation/Visibility.h"
#include "sequence/NTSequence.h"

namespace QxXML_940 {
class XMLElement;
}  // namespace QxXML_940

namespace SEQUENCE_NAMESPACE_800 {

class SequenceDictionary;

// The notice of the Header element of both documents.
inline constexpr char kExportCopyright[] = "Copyright (c) carmaseq authors";
// The Application name of both documents.
inline constexpr char kExportApplicationName[] = "carmaseq sequential association";
// The version written for the application and the lattice document.
inline constexpr char kExportVersion[] = "1.2.1";
// The extender of the PMML Extension elements.
inline constexpr char kExportExtender[] = "carmaseq";

// Returns a new Header element with the notice, the given description and an Application child.
// Caller owns the result.
CARMASEQ_EXPORT QxXML_940::XMLElement* CreateExportHeader(const std::string& description);

// Appends a new element named name to parent and returns it; parent owns it. For elements made
// a few times per document; the many-times ones use XMLElement::AddChild with a kept name.
CARMASEQ_EXPORT QxXML_940::XMLElement* AddChildElement(QxXML_940::XMLElement* parent,
                                                       const char* name);

// Appends one Item per item of index and then one Itemset per item set, each in key order, with
// their numbers: the item and item-set tables both documents carry.
CARMASEQ_EXPORT void AddItemTables(QxXML_940::XMLElement* parent, const ReferenceIndex& index);

// The minimum support a document reports: the larger of the threshold recorded by the
// dictionary's last reduceAll and minSupport (NaN when the recorded one is NaN).
CARMASEQ_EXPORT double ReportedMinimumSupport(const SequenceDictionary& dictionary,
                                              double minSupport);

// Calls visit(ItemSpan) for each item set of key, in order. The spans point into key.
template <typename Visit>
void ForEachItemSet(const NTSequence& key, Visit visit) {
  const auto pattern = static_cast<std::uint32_t>(key.getPattern());
  const std::int32_t size = key.size();
  const std::int32_t* items = key.items();
  std::int32_t begin = 0;
  for (std::int32_t p = 0; p < size; ++p) {
    const bool endsSet = p + 1 == size || ((pattern >> (size - 1 - p)) & 1u) != 0;
    if (endsSet) {
      visit(ItemSpan{items + begin, p + 1 - begin});
      begin = p + 1;
    }
  }
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_EXPORTCOMMON_H_
