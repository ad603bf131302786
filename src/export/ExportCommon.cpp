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

QxXML_940::XMLElement* AddChildElement(QxXML_940::XMLElement* parent, const char* name) {
  return parent->AddChild(QxXML_940::XMLName(name));
}

void AddItemTables(QxXML_940::XMLElement* parent, const ReferenceIndex& index) {
  static const QxXML_940::XMLName kItem("Item"), kItemset("Itemset"), kItemRef("ItemRef"),
      kId("id"), kValue("value"), kNumberOfItems("numberOfItems"), kItemRefAttribute("itemRef");
  parent->Reserve(0, parent->GetChildCount() + index.Items().size() + index.ItemSets().size());
  for (const auto& [item, number] : index.Items()) {
    QxXML_940::XMLElement* element = parent->AddChild(kItem);
    element->AddAttribute(kId, number);
    element->AddAttribute(kValue, item);
  }
  for (const auto& [items, number] : index.ItemSets()) {
    QxXML_940::XMLElement* element = parent->AddChild(kItemset);
    element->AddAttribute(kId, number);
    element->AddAttribute(kNumberOfItems, static_cast<double>(items.size()));
    element->Reserve(0, items.size());
    for (std::int32_t item : items) {
      element->AddChild(kItemRef)->AddAttribute(kItemRefAttribute, index.GetItemNumber(item));
    }
  }
}

double ReportedMinimumSupport(const SequenceDictionary& dictionary, double minSupport) {
  const double recorded = dictionary.getMinimumSupport();
  return recorded < minSupport ? minSupport : recorded;
}

}  // namespace SEQUENCE_NAMESPACE_800
