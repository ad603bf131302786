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

double ReportedMinimumSupport(const SequenceDictionary& dictionary, double minSupport) {
  const double recorded = dictionary.getMinimumSupport();
  return recorded < minSupport ? minSupport : recorded;
}

}  // namespace SEQUENCE_NAMESPACE_800
