#include "export/ExportCommon.h"

#include <memory>

#include "dictionary/SequenceDictionary.h"
#include "xml/XMLNodes.h"

namespace SEQUENCE_NAMESPACE_800 {

QxXML_940::XMLElement* CreateExportHeader(const std::string& description) {
  std::unique_ptr<QxXML_940::XMLElement> header(QxXML_940::XMLElement::Create("Header"));
  header->AddAttribute("copyright", kExportCopyright);
  header->AddAttribute("description", description);
  QxXML_940::XMLElement* application = QxXML_940::XMLElement::Create("Application");
  header->AddElement(application);
  application->AddAttribute("name", kExportApplicationName);
  application->AddAttribute("version", kExportVersion);
  return header.release();
}

QxXML_940::XMLElement* AddChildElement(QxXML_940::XMLElement* parent, const char* name,
                                       std::size_t attributes, std::size_t children) {
  std::unique_ptr<QxXML_940::XMLElement> child(QxXML_940::XMLElement::Create(name));
  child->Reserve(attributes, children);
  QxXML_940::XMLElement* added = child.get();
  parent->AddElement(child.release());
  return added;
}

void AddItemTables(QxXML_940::XMLElement* parent, const ReferenceIndex& index) {
  parent->Reserve(0, parent->GetChildCount() + index.Items().size() + index.ItemSets().size());
  for (const auto& [item, number] : index.Items()) {
    QxXML_940::XMLElement* element = AddChildElement(parent, "Item", 2);
    element->AddAttribute("id", number);
    element->AddAttribute("value", item);
  }
  for (const auto& [items, number] : index.ItemSets()) {
    QxXML_940::XMLElement* element = AddChildElement(parent, "Itemset", 2, items.size());
    element->AddAttribute("id", number);
    element->AddAttribute("numberOfItems", static_cast<double>(items.size()));
    for (std::int32_t item : items) {
      AddChildElement(element, "ItemRef", 1)->AddAttribute("itemRef", index.GetItemNumber(item));
    }
  }
}

double ReportedMinimumSupport(const SequenceDictionary& dictionary, double minSupport) {
  const double recorded = dictionary.getMinimumSupport();
  return recorded < minSupport ? minSupport : recorded;
}

}  // namespace SEQUENCE_NAMESPACE_800
