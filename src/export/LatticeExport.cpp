// The whole sequence lattice of a dictionary as a SequentialAssociationLattice document: the
// document the scoring side loads.
#include <memory>
#include <new>
#include <ostream>

#include "dictionary/SequenceDictionary.h"
#include "export/ExportCommon.h"
#include "export/ReferenceIndex.h"
#include "foundation/MemoryGuard.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"
#include "sequence/SequenceCounter.h"
#include "xml/XMLNodes.h"
#include "xml/XMLWriter.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

using QxXML_940::XMLElement;
using QxXML_940::XMLName;

// The names of the document, interned once.
const XMLName kLatticeLevel("LatticeLevel");
const XMLName kSequence("Sequence");
const XMLName kItemsetRef("ItemsetRef");
const XMLName kSeqAdjacentList("SeqAdjacentList");
const XMLName kAdjacentItem("AdjacentItem");
const XMLName kId("id");
const XMLName kSupport("support");
const XMLName kOccurrence("occurrence");
const XMLName kNumberOfSets("numberOfSets");
const XMLName kItemsetRefAttribute("itemsetRef");
const XMLName kNumberOfAdjacentItems("numberOfAdjacentItems");
const XMLName kItemRef("itemRef");
const XMLName kPosition("position");
const XMLName kLevel("level");
const XMLName kNumberOfSequences("numberOfSequences");

// The levels are read straight from their tables in iteration order: the order and content
// getSequencesOfSize gives, without a Sequence per entry. A level without a table (the empty
// shell's level 0) reads as empty.
//
// Items of the held one-item sequences, item sets of the held one-set sequences; the number of
// held sequences over levels 0..largest.
void IndexLattice(const SequenceDictionary& dictionary, int largest, ReferenceIndex* index) {
  std::int32_t sequences = 0;
  for (int k = 0; k <= largest; ++k) {
    const HashtableSQPair* table = dictionary.getLevelTable(k);
    if (table == nullptr) continue;
    sequences += table->getSize();
    for (auto it = table->begin(); it != table->end(); ++it) {
      const NTSequence& key = *it->key;
      if (key.getNSets() != 1) continue;
      if (k == 1) index->AddItem(key.items()[0]);
      index->AddItemSet(ItemSpan{key.items(), key.size()});
    }
  }
  index->AssignNumbers();
  index->SetNumberOfSequences(sequences);
}

// One Sequence element. An entry without a counter has no count: its occurrence and support
// are left out and its adjacency list is empty.
void AddSequence(XMLElement* level, const ISQCPair& entry, std::int32_t id, double total,
                 const ReferenceIndex& index) {
  const NTSequence& key = *entry.key;
  const SequenceCounter* counter = entry.value;
  const std::int32_t sets = key.getNSets();
  XMLElement* element = level->AddChild(kSequence);
  element->AddAttribute(kId, id);
  if (counter != nullptr) {
    element->AddAttribute(kSupport, counter->getCount() / total);
    element->AddAttribute(kOccurrence, counter->getCount());
  }
  element->AddAttribute(kNumberOfSets, sets);
  element->Reserve(0, static_cast<std::size_t>(sets) + 1);
  ForEachItemSet(key, [&](ItemSpan set) {
    element->AddChild(kItemsetRef)->AddAttribute(kItemsetRefAttribute, index.GetItemSetNumber(set));
  });
  const std::int32_t adjacentCount = counter == nullptr ? 0 : counter->getNAdjacent();
  XMLElement* list = element->AddChild(kSeqAdjacentList);
  list->AddAttribute(kNumberOfAdjacentItems, adjacentCount);
  list->Reserve(0, adjacentCount > 0 ? static_cast<std::size_t>(adjacentCount) : 0);
  const AdjacentItemSet* adjacent = counter == nullptr ? nullptr : counter->getAdjacentItems();
  if (adjacent == nullptr) return;
  for (const auto& [item, position] : *adjacent) {
    XMLElement* link = list->AddChild(kAdjacentItem);
    link->AddAttribute(kItemRef, index.GetItemNumber(item));
    link->AddAttribute(kPosition, position);
  }
}

}  // namespace

// The whole document is built before the first byte is written; if memory runs out while
// building, nothing is written and status 60000 is returned.
QxCommon_940::QxStatus SequenceDictionary::ExportLatticeXML(std::ostream& os, double minSupport) {
  return StatusOrOutOfMemory([&]() -> QxStatus {
    const int largest = LargestSequence();
    ReferenceIndex index;
    IndexLattice(*this, largest, &index);
    const double total = getTotalCount();

    std::unique_ptr<XMLElement> root(XMLElement::Create("SequentialAssociationLattice"));
    root->AddAttribute("version", kExportVersion);
    root->AddElement(CreateExportHeader("Carma model for sequential association lattice"));
    XMLElement* dataDictionary = AddChildElement(root.get(), "DataDictionary");
    dataDictionary->AddAttribute("numberOfFields", 1.0);
    XMLElement* field = AddChildElement(dataDictionary, "DataField");
    field->AddAttribute("name", "item");
    field->AddAttribute("optype", "categorical");

    XMLElement* lattice = AddChildElement(root.get(), "SeqAssociationLattice");
    lattice->Reserve(0, 1 + index.Items().size() + index.ItemSets().size() +
                            static_cast<std::size_t>(largest) + 1);
    XMLElement* stats = AddChildElement(lattice, "SeqInputStats");
    stats->AddAttribute("numberOfTransactions", total);
    stats->AddAttribute("minimumSupport", ReportedMinimumSupport(*this, minSupport));
    stats->AddAttribute("maxSequenceSize", largest);
    stats->AddAttribute("numberOfItems", static_cast<double>(index.Items().size()));
    stats->AddAttribute("numberOfSets", static_cast<double>(index.ItemSets().size()));
    stats->AddAttribute("numberOfSequences", index.GetNumberOfSequences());
    AddItemTables(lattice, index);

    std::int32_t id = 0;
    for (int k = 0; k <= largest; ++k) {
      const HashtableSQPair* table = getLevelTable(k);
      const std::int32_t size = table == nullptr ? 0 : table->getSize();
      XMLElement* level = lattice->AddChild(kLatticeLevel);
      level->AddAttribute(kLevel, k);
      level->AddAttribute(kNumberOfSequences, size);
      if (table == nullptr) continue;
      level->Reserve(0, static_cast<std::size_t>(size));
      for (auto it = table->begin(); it != table->end(); ++it) {
        AddSequence(level, *it, ++id, total, index);
      }
    }

    const std::unique_ptr<QxXML_940::XMLDocType> docType(
        QxXML_940::XMLDocType::Create("SequentialAssociationLattice", "sequentiallattice.dtd", 0));
    QxXML_940::WriteTree(os, docType.get(), root.get(), true);
    return QxStatus();
  });
}

}  // namespace SEQUENCE_NAMESPACE_800
