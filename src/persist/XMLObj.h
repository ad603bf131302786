// The object-XML form: a line-oriented XML text in which a saved object is an "Obj" element
// holding one empty element per value and its nested objects. XMLObj writes one object; the
// free functions write the document root and read the text back line by line.
//
// Layout, one element per line, each line's first token naming its element:
//   <Obj name="SequenceCounter">      an object's start, indented by the object's depth
//     <Int value="3"/>                one value, indented one tab deeper
//   </Obj>                            the object's end
// Every line begins with the line feed that ends the line before, so an object written to an
// empty stream begins with an empty line. The value elements are Int (int, unsigned int, bool as
// 1/0), Long (XMLLong), Double ("Missing" for the missing-value marker) and String.
#ifndef CARMASEQ_PERSIST_XMLOBJ_H_
#define CARMASEQ_PERSIST_XMLOBJ_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>

#include "foundation/Visibility.h"

namespace QxXML_940 {

// The system identifier that applications give the document-type line of an object-XML text.
inline constexpr const char* kObjectXMLSystemId = "savexml.dtd";

// A 32-bit value written as a Long element. It is a type of its own because std::int32_t and int
// are the same type here, and plain int values are written as Int elements.
struct CARMASEQ_EXPORT XMLLong {
  std::int32_t value = 0;
};

// Writes one object: its start line, its values and its end line, at a fixed depth. Writing is
// character by character; every writer returns 0. Copyable.
class CARMASEQ_EXPORT XMLObj {
 public:
  XMLObj(std::string name, int nTabs) : name_(std::move(name)), nTabs_(nTabs) {}

  const std::string& GetName() const { return name_; }
  int GetNTabs() const { return nTabs_; }

  // Line feed, nTabs tabs, <Obj name="NAME">.
  int StartObj(std::ostream& os) const;
  // Line feed, nTabs tabs, </Obj>.
  int EndObj(std::ostream& os) const;

  // Line feed, nTabs + 1 tabs, <ELEMENT value="TEXT"/>, the value escaped as XML attributes are.
  int WriteSubElement(std::ostream& os, const std::string& value) const;
  // Keeps string literals from converting to bool.
  int WriteSubElement(std::ostream& os, const char* value) const {
    return WriteSubElement(os, std::string(value));
  }
  int WriteSubElement(std::ostream& os, double value) const;
  int WriteSubElement(std::ostream& os, bool value) const;
  int WriteSubElement(std::ostream& os, unsigned int value) const;
  int WriteSubElement(std::ostream& os, XMLLong value) const;
  int WriteSubElement(std::ostream& os, int value) const;

 private:
  // Writes one value line of the given element with the already formatted value text.
  int WriteValueLine(std::ostream& os, const char* element, const std::string& text) const;

  std::string name_;
  std::int32_t nTabs_;
};

// <QxXMLRoot copyright="TEXT">, with no line feed before or after. Returns 0.
CARMASEQ_EXPORT int StartRoot(std::ostream& os, const std::string& copyright);
// The same as StartRoot.
CARMASEQ_EXPORT int WriteHeader(std::ostream& os, const std::string& copyright);
// Line feed, </QxXMLRoot>. Returns 0.
CARMASEQ_EXPORT int EndRoot(std::ostream& os);
// The same as EndRoot.
CARMASEQ_EXPORT int EndHeader(std::ostream& os);

// The readers below read whole lines of at most 255 characters and return true iff the lines
// read have the expected form; a longer line, the end of the text or a stream error makes them
// return false. Numbers are converted without error detection (a non-numeric Int reads as 0).

// Reads three lines whose first tokens are "?xml", "!DOCTYPE" and "QxXMLRoot".
CARMASEQ_EXPORT bool ParseStartXML(std::istream& is);
// Reads the start line of the object called name (after one empty line, if there is one).
CARMASEQ_EXPORT bool ParseStartObj(std::istream& is, const std::string& name);
// Reads one line: an object's end.
CARMASEQ_EXPORT bool ParseEndObj(std::istream& is);

// Each reads one value line of the matching element. *value is set only on success, except that
// the string form may leave a partial text on failure.
CARMASEQ_EXPORT bool ParseValue(std::istream& is, int& value);
// 0 gives false and 1 true; any other number fails.
CARMASEQ_EXPORT bool ParseValue(std::istream& is, bool& value);
// Truncates the number toward zero, clamped to the unsigned range.
CARMASEQ_EXPORT bool ParseValue(std::istream& is, unsigned int& value);
CARMASEQ_EXPORT bool ParseValue(std::istream& is, XMLLong& value);
// "Missing" gives the missing-value marker; other text is read in the classic locale.
CARMASEQ_EXPORT bool ParseValue(std::istream& is, double& value);
// The raw text between the quotes after value= (not unescaped); "" gives the empty string.
CARMASEQ_EXPORT bool ParseValue(std::istream& is, std::string& value);

}  // namespace QxXML_940

#endif  // CARMASEQ_PERSIST_XMLOBJ_H_
