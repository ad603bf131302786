// What the rules document and the lattice document share: carmaseq's fixed texts, the Header
// element, the item tables and the reported minimum support.
#ifndef CARMASEQ_EXPORT_EXPORTCOMMON_H_
#define CARMASEQ_EXPORT_EXPORTCOMMON_H_

#include <cstddef>
#include <string>

#include "export/ReferenceIndex.h"
#include "foundation/Visibility.h"

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

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_EXPORTCOMMON_H_
