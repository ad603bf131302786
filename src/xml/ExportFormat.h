// The layout state that one serialisation of an XML tree carries from node to node.
#ifndef CARMASEQ_XML_EXPORTFORMAT_H_
#define CARMASEQ_XML_EXPORTFORMAT_H_

#include "foundation/Visibility.h"

namespace QxXML_940 {

// A plain record passed by reference through a whole serialisation and mutated on the way:
// elements raise and restore tabLevel and leave newParagraph true, text nodes leave it false.
// Copyable. Not thread-safe (belongs to one serialisation).
struct CARMASEQ_EXPORT ExportFormat {
  bool newParagraph = true;  // Write a line feed before the next start tag.
  bool indentation = false;  // Write tabs before start tags, attributes and end tags.
  bool format = true;        // Master switch: when false, no line feeds and no tabs.
  int tabLevel = 0;          // Current nesting depth in tabs.

  void SetIsNewParagraph(bool value) { newParagraph = value; }
  void SetIndentation(bool value) { indentation = value; }
  void SetFormat(bool value) { format = value; }

  // Returns true iff both format and newParagraph are set.
  bool IsNewParagraph() const { return format && newParagraph; }
  // Returns true iff both format and indentation are set.
  bool HasIndentation() const { return format && indentation; }
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_EXPORTFORMAT_H_
