// The sequential association rules of a dictionary as a PMML 3.2 SequenceModel document.
#include <memory>
#include <new>
#include <ostream>
#include <vector>

#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"
#include "export/ExportCommon.h"
#include "export/ReferenceIndex.h"
#include "foundation/MemoryGuard.h"
#include "sequence/KeyItemSets.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"
#include "xml/XMLNodes.h"
#include "xml/XMLWriter.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

using QxXML_940::XMLElement;

constexpr char kPmmlNamespace[] = "http://www.dmg.org/PMML-3_2";
constexpr char kSchemaInstanceNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";

// The keys of one rule's antecedent A, consequent B and whole sequence W.
struct RuleKeys {
  RuleKeys(const SeqAssociationRule& rule, const Sequence& whole)
      : antecedent(&rule.GetAntecedent()), consequent(&rule.GetConsequent()), whole(&whole) {}

  NTSequence antecedent;
  NTSequence consequent;
  NTSequence whole;
};

void AddDelimiter(XMLElement* parent) {
  XMLElement* delimiter = AddChildElement(parent, "Delimiter", 2);
  delimiter->AddAttribute("delimiter", "acrossTimeWindows");
  delimiter->AddAttribute("gap", "unknown");
}

// W: A followed by B in a later set (join type 1), B's first set merged into A's last one
// (join type 0), or A alone for any other join type.
Sequence WholeSequence(const SeqAssociationRule& rule) {
  const Sequence& antecedent = rule.GetAntecedent();
  const Sequence& consequent = rule.GetConsequent();
  Sequence whole(antecedent.Length() + consequent.Length());
  whole = antecedent;  // assignment appends; whole is empty
  const int joinType = rule.GetJoinType();
  if (joinType == 1 || (joinType == 0 && (antecedent.Length() == 0 || consequent.Length() == 0))) {
    whole.JoinTemporal(&consequent);
  } else if (joinType == 0) {
    whole.JoinCurrent(&consequent);
  }
  return whole;
}

// Enters the sequences, item sets and items of every rule into index and numbers them. Returns
// the keys of every rule, in rule order.
std::vector<RuleKeys> IndexRules(const std::vector<SeqAssociationRule>& rules,
                                 ReferenceIndex* index) {
  std::vector<RuleKeys> keys;
  keys.reserve(rules.size());  // no relocation: keys copy, not move
  for (const SeqAssociationRule& rule : rules) {
    const Sequence whole = WholeSequence(rule);
    keys.emplace_back(rule, whole);
    index->AddSequence(keys.back().antecedent);
    index->AddSequence(keys.back().consequent);
    index->AddSequence(keys.back().whole);
    for (int s = 0; s < whole.Length(); ++s) {
      const TimedItemSet& set = whole[s];
      for (auto item = set.Begin(); item != set.End(); ++item) index->AddItem(*item);
      index->AddItemSet(set);
    }
    if (rule.GetJoinType() == 0) {
      // W holds only the union of these two sets.
      const Sequence& antecedent = rule.GetAntecedent();
      const Sequence& consequent = rule.GetConsequent();
      if (antecedent.Length() > 0) index->AddItemSet(antecedent[antecedent.Length() - 1]);
      if (consequent.Length() > 0) index->AddItemSet(consequent[0]);
    }
  }
  index->AssignNumbers();
  return keys;
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

XMLElement* AddSequenceReference(XMLElement* parent, const char* name, std::int32_t number) {
  XMLElement* element = AddChildElement(parent, name, 0, 1);
  AddChildElement(element, "SequenceReference", 1)->AddAttribute("seqId", number);
  return element;
}

// One Sequence per index entry, in key order. A sequence the dictionary does not hold (or holds
// without a counter) is written without the attributes that need its count; rules from GetRules
// only mention held sequences.
void AddSequences(XMLElement* model, SequenceDictionary& dictionary, const ReferenceIndex& index) {
  const double total = dictionary.getTotalCount();
  for (const auto& [key, number] : index.Sequences()) {
    const std::int32_t sets = key.getNSets();
    XMLElement* element = AddChildElement(model, "Sequence", 4,
                                          sets > 0 ? 2 * static_cast<std::size_t>(sets) - 1 : 0);
    element->AddAttribute("id", number);
    element->AddAttribute("numberOfSets", sets);
    if (const SequenceCounter* counter = dictionary.getDescriptor(&key)) {
      element->AddAttribute("occurrence", counter->getCount());
      element->AddAttribute("support", counter->getCount() / total);
    }
    bool first = true;
    ForEachItemSet(key, [&](ItemSpan set) {
      if (!first) AddDelimiter(element);
      first = false;
      AddChildElement(element, "SetReference", 1)
          ->AddAttribute("setId", index.GetItemSetNumber(set));
    });
  }
}

// One SequenceRule per rule, in rule order; the rule's cause is not written.
void AddRules(XMLElement* model, SequenceDictionary& dictionary, const ReferenceIndex& index,
              const std::vector<SeqAssociationRule>& rules, const std::vector<RuleKeys>& keys) {
  for (std::size_t r = 0; r < rules.size(); ++r) {
    const NTSequence& whole = keys[r].whole;
    XMLElement* element = AddChildElement(model, "SequenceRule", 5, 3);
    element->AddAttribute("id", static_cast<double>(r + 1));
    element->AddAttribute("support", rules[r].GetSupport());
    element->AddAttribute("numberOfSets", whole.getNSets());
    if (const SequenceCounter* counter = dictionary.getDescriptor(&whole)) {
      element->AddAttribute("occurrence", counter->getCount());
    }
    element->AddAttribute("confidence", rules[r].GetConfidence());
    AddSequenceReference(element, "AntecedentSequence",
                         index.GetSequenceNumber(keys[r].antecedent));
    AddDelimiter(element);
    AddSequenceReference(element, "ConsequentSequence",
                         index.GetSequenceNumber(keys[r].consequent));
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
    std::vector<SeqAssociationRule> rules;
    const QxStatus status = GetRules(rules, minSupport, maxSupport, minConfidence, maxConfidence,
                                     minCause, maxCause, sortBy, maximalOnly);
    if (!status.IsOK()) return status;

    ReferenceIndex index;
    const std::vector<RuleKeys> keys = IndexRules(rules, &index);
    const double total = getTotalCount();

    std::unique_ptr<XMLElement> root(CreateRoot());
    root->AddElement(CreateExportHeader("Carma model for sequential association rules"));
    AddDataDictionary(root.get());
    AddTransformationDictionary(root.get());

    // Nine extensions, the mining schema, the item tables, the sequences and the rules.
    XMLElement* model = AddChildElement(root.get(), "SequenceModel", 6,
                                        10 + index.Items().size() + index.ItemSets().size() +
                                            index.Sequences().size() + rules.size());
    model->AddAttribute("modelName", "Carma model for sequential association");
    model->AddAttribute("functionName", "sequences");
    model->AddAttribute("algorithmName", "Carma");
    model->AddAttribute("numberOfTransactions", total);
    model->AddAttribute("maxNumberOfItemsPerTransaction",
                        static_cast<double>(maxNumberOfItemsPerTransaction));
    model->AddAttribute("avgNumberOfItemsPerTransaction", avgNumberOfItemsPerTransaction);

    AddExtension(model, "minimumSupport", ReportedMinimumSupport(*this, minSupport));
    AddExtension(model, "minimumConfidence", minConfidence);
    AddExtension(model, "numberOfItems", static_cast<double>(index.Items().size()));
    AddExtension(model, "numberOfSets", static_cast<double>(index.ItemSets().size()));
    AddExtension(model, "numberOfSequences", index.GetNumberOfSequences());
    AddExtension(model, "numberOfRules", static_cast<double>(rules.size()));
    AddExtension(model, "timeWindowWidth", getSlidingWindow());
    AddExtension(model, "minimumTime", getMinGap());
    AddExtension(model, "maximumTime", getMaxGap());
    AddMiningSchema(model);
    AddItemTables(model, index);

    AddSequences(model, *this, index);
    AddRules(model, *this, index, rules, keys);

    const std::unique_ptr<QxXML_940::XMLDocType> docType(
        QxXML_940::XMLDocType::Create("PMML", "sequentialmodel.dtd", 0));
    QxXML_940::WriteTree(os, docType.get(), root.get(), true);
    return status;
  });
}

}  // namespace SEQUENCE_NAMESPACE_800
