// The sequential association rules of a dictionary as a PMML 3.2 SequenceModel document.
#include <algorithm>
#include <memory>
#include <new>
#include <ostream>
#include <vector>

#include "dictionary/HeldRules.h"
#include "dictionary/SequenceDictionary.h"
#include "export/ExportCommon.h"
#include "export/ReferenceIndex.h"
#include "foundation/Exceptions.h"
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

constexpr char kPmmlNamespace[] = "http://www.dmg.org/PMML-3_2";
constexpr char kSchemaInstanceNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";

// The names the document repeats, interned once.
const XMLName kSequence("Sequence");
const XMLName kSequenceRule("SequenceRule");
const XMLName kSetReference("SetReference");
const XMLName kSequenceReference("SequenceReference");
const XMLName kAntecedentSequence("AntecedentSequence");
const XMLName kConsequentSequence("ConsequentSequence");
const XMLName kDelimiter("Delimiter");
const XMLName kDelimiterAttribute("delimiter");
const XMLName kAcrossTimeWindows("acrossTimeWindows");
const XMLName kGap("gap");
const XMLName kUnknown("unknown");
const XMLName kId("id");
const XMLName kNumberOfSets("numberOfSets");
const XMLName kOccurrence("occurrence");
const XMLName kSupport("support");
const XMLName kConfidence("confidence");
const XMLName kSetId("setId");
const XMLName kSeqId("seqId");

void AddDelimiter(XMLElement* parent) {
  XMLElement* delimiter = parent->AddChild(kDelimiter);
  delimiter->AddAttribute(kDelimiterAttribute, kAcrossTimeWindows);
  delimiter->AddAttribute(kGap, kUnknown);
}

// Enters the sequences, item sets and items of every rule into index and numbers them. A rule's
// whole sequence W is its antecedent followed by its consequent in a later set: the held key the
// rule was made from, whose sets are ascending as the dictionary keeps them.
void IndexRules(const HeldRules& rules, ReferenceIndex* index) {
  for (std::size_t r = 0; r < rules.size(); ++r) {
    rules.Prefetch(r);
    const HeldRule& rule = rules[r];
    index->AddHeldSequence(rule.antecedent);
    index->AddHeldSequence(rule.consequent);
    index->AddHeldSequence(rule.whole);
    ForEachItemSet(*rule.whole, [&](ItemSpan set) {
      for (std::int32_t i = 0; i < set.count; ++i) index->AddItem(set.items[i]);
      index->AddItemSet(set);
    });
  }
  index->AssignNumbers();
}

XMLElement* CreateRoot() {
  XMLElement* root = XMLElement::Create("PMML");
  root->AddAttribute("version", "3.2");
  root->AddAttribute("xmlns", kPmmlNamespace);
  root->AddAttribute("xmlns:xsi", kSchemaInstanceNamespace);
  root->AddAttribute("xsi:schemaLocation", std::string(kPmmlNamespace) + " pmml-3-2.xsd");
  return root;
}

void AddDataDictionary(XMLElement* root) {
  XMLElement* dictionary = AddChildElement(root, "DataDictionary");
  dictionary->AddAttribute("numberOfFields", 3.0);
  for (const char* name : {"customer", "time", "item"}) {
    XMLElement* field = AddChildElement(dictionary, "DataField");
    field->AddAttribute("name", name);
    field->AddAttribute("optype", "categorical");
    field->AddAttribute("dataType", "string");
  }
}

// The transaction: the multiset of a customer's items.
void AddTransformationDictionary(XMLElement* root) {
  XMLElement* derived =
      AddChildElement(AddChildElement(root, "TransformationDictionary"), "DerivedField");
  derived->AddAttribute("name", "transaction");
  derived->AddAttribute("optype", "categorical");
  derived->AddAttribute("dataType", "string");
  XMLElement* aggregate = AddChildElement(derived, "Aggregate");
  aggregate->AddAttribute("field", "item");
  aggregate->AddAttribute("function", "multiset");
  aggregate->AddAttribute("groupField", "customer");
}

void AddExtension(XMLElement* model, const char* name, double value) {
  XMLElement* extension = AddChildElement(model, "Extension");
  extension->AddAttribute("extender", kExportExtender);
  extension->AddAttribute("name", name);
  extension->AddAttribute("value", value);
}

void AddMiningSchema(XMLElement* model) {
  XMLElement* schema = AddChildElement(model, "MiningSchema");
  const char* const fields[][2] = {{"item", "active"},
                                   {"transaction", "active"},
                                   {"time", "active"},
                                   {"customer", "supplementary"}};
  for (const auto& field : fields) {
    XMLElement* element = AddChildElement(schema, "MiningField");
    element->AddAttribute("name", field[0]);
    element->AddAttribute("usageType", field[1]);
  }
}

void AddSequenceReference(XMLElement* parent, XMLName name, std::int32_t number) {
  XMLElement* element = parent->AddChild(name);
  element->Reserve(0, 1);
  element->AddChild(kSequenceReference)->AddAttribute(kSeqId, number);
}

// One Sequence per index entry, in key order. A sequence the dictionary does not hold (or holds
// without a counter) is written without the attributes that need its count; rules from GetRules
// only mention held sequences.
void AddSequences(XMLElement* model, const SequenceDictionary& dictionary,
                  const ReferenceIndex& index) {
  constexpr std::size_t kChunk = 256;  // sequences whose entries are looked up together
  const double total = dictionary.getTotalCount();
  const ReferenceIndex::SequenceList& keys = index.Sequences();
  const ISQCPair* entries[kChunk];
  for (std::size_t first = 0; first < keys.size(); first += kChunk) {
    const std::size_t count = std::min(kChunk, keys.size() - first);
    FindHeldEntries(dictionary, keys.data() + first, static_cast<int>(count), entries);
    for (std::size_t i = 0; i < count; ++i) {
      const NTSequence& key = *keys[first + i];
      const std::int32_t sets = key.getNSets();
      XMLElement* element = model->AddChild(kSequence);
      element->AddAttribute(kId, static_cast<double>(first + i + 1));
      element->AddAttribute(kNumberOfSets, sets);
      const ISQCPair* held = entries[i];
      if (held != nullptr && held->value != nullptr) {
        element->AddAttribute(kOccurrence, held->value->getCount());
        element->AddAttribute(kSupport, held->value->getCount() / total);
      }
      element->Reserve(0, sets > 0 ? 2 * static_cast<std::size_t>(sets) - 1 : 0);
      bool firstSet = true;
      ForEachItemSet(key, [&](ItemSpan set) {
        if (!firstSet) AddDelimiter(element);
        firstSet = false;
        element->AddChild(kSetReference)->AddAttribute(kSetId, index.GetItemSetNumber(set));
      });
    }
  }
}

// One SequenceRule per rule, in rule order; the rule's cause is not written.
void AddRules(XMLElement* model, const ReferenceIndex& index, const HeldRules& rules) {
  for (std::size_t r = 0; r < rules.size(); ++r) {
    rules.Prefetch(r);
    const HeldRule& rule = rules[r];
    XMLElement* element = model->AddChild(kSequenceRule);
    element->AddAttribute(kId, static_cast<double>(r + 1));
    element->AddAttribute(kSupport, rule.support);
    element->AddAttribute(kNumberOfSets, rule.whole->getNSets());
    element->AddAttribute(kOccurrence, rule.count);
    element->AddAttribute(kConfidence, rule.confidence);
    element->Reserve(0, 3);
    AddSequenceReference(element, kAntecedentSequence, index.GetSequenceNumber(*rule.antecedent));
    AddDelimiter(element);
    AddSequenceReference(element, kConsequentSequence, index.GetSequenceNumber(*rule.consequent));
  }
}

}  // namespace

// The whole document is built before the first byte is written, so a failure while building
// (memory running out) writes nothing and returns status 60000.
QxCommon_940::QxStatus SequenceDictionary::ExportRulesXML(
    std::ostream& os, double minSupport, double maxSupport, double minConfidence,
    double maxConfidence, double minCause, double maxCause, int maxNumberOfItemsPerTransaction,
    double avgNumberOfItemsPerTransaction, char sortBy, bool maximalOnly) {
  return StatusOrOutOfMemory([&]() -> QxStatus {
    const RuleQuery query{minSupport, maxSupport, minConfidence, maxConfidence,
                          minCause,   maxCause,   sortBy,        maximalOnly};
    HeldRules rules;
    const QxStatus status = FindHeldRules(*this, query, &rules);
    if (!status.IsOK()) return status;

    const std::size_t numberOfRules = rules.size();
    ReferenceIndex index;
    IndexRules(rules, &index);
    const double total = getTotalCount();

    std::unique_ptr<XMLElement> root(CreateRoot());
    root->AddElement(CreateExportHeader("Carma model for sequential association rules"));
    AddDataDictionary(root.get());
    AddTransformationDictionary(root.get());

    // Nine extensions, the mining schema, the item tables, the sequences and the rules.
    XMLElement* model = AddChildElement(root.get(), "SequenceModel");
    model->AddAttribute("modelName", "Carma model for sequential association");
    model->AddAttribute("functionName", "sequences");
    model->AddAttribute("algorithmName", "Carma");
    model->AddAttribute("numberOfTransactions", total);
    model->AddAttribute("maxNumberOfItemsPerTransaction",
                        static_cast<double>(maxNumberOfItemsPerTransaction));
    model->AddAttribute("avgNumberOfItemsPerTransaction", avgNumberOfItemsPerTransaction);
    model->Reserve(0, 10 + index.Items().size() + index.ItemSets().size() +
                          index.Sequences().size() + numberOfRules);

    AddExtension(model, "minimumSupport", ReportedMinimumSupport(*this, minSupport));
    AddExtension(model, "minimumConfidence", minConfidence);
    AddExtension(model, "numberOfItems", static_cast<double>(index.Items().size()));
    AddExtension(model, "numberOfSets", static_cast<double>(index.ItemSets().size()));
    AddExtension(model, "numberOfSequences", index.GetNumberOfSequences());
    AddExtension(model, "numberOfRules", static_cast<double>(numberOfRules));
    AddExtension(model, "timeWindowWidth", getSlidingWindow());
    AddExtension(model, "minimumTime", getMinGap());
    AddExtension(model, "maximumTime", getMaxGap());
    AddMiningSchema(model);
    AddItemTables(model, index);

    AddSequences(model, *this, index);
    AddRules(model, index, rules);

    const std::unique_ptr<QxXML_940::XMLDocType> docType(
        QxXML_940::XMLDocType::Create("PMML", "sequentialmodel.dtd", 0));
    QxXML_940::WriteTree(os, docType.get(), root.get(), true);
    return status;
  });
}

}  // namespace SEQUENCE_NAMESPACE_800
