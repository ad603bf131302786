// The in-memory XML tree that exporters build, write once and delete: elements, attributes, text
// nodes and the DOCTYPE declaration.
#ifndef CARMASEQ_XML_XMLNODES_H_
#define CARMASEQ_XML_XMLNODES_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "foundation/Visibility.h"
#include "xml/ExportFormat.h"
#include "xml/XMLName.h"

namespace QxXML_940 {

class XMLArena;

// The abstract base of every node. Nodes are created on the heap by the static Create functions
// of the concrete classes; the caller owns a new node until it adds it to an element, which then
// owns it and deletes it through this virtual destructor. Not thread-safe.
class CARMASEQ_EXPORT XMLInterface {
 public:
  virtual ~XMLInterface();

  // Appends the node's text (for an element, its whole subtree) to out, following and updating
  // fmt. Returns 0.
  virtual int ToString(std::string& out, ExportFormat& fmt) const = 0;
  // Writes the same text as ToString to os: transcoded to UTF-8 by WriteUTF when utf8 is set, as
  // bytes unchanged otherwise. Stream errors are not examined. Returns 0.
  virtual int ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const = 0;
  // Returns a deep copy. Caller owns the result.
  virtual XMLInterface* Clone() const = 0;

 protected:
  XMLInterface() = default;
  XMLInterface(const XMLInterface&) = default;
  XMLInterface& operator=(const XMLInterface&) = default;
};

// A name="value" pair, standing alone. The value is held unescaped and escaped when written.
// Elements keep their attributes in a compact form of their own and give them out as
// XMLAttribute values. Copyable and movable (field by field).
class CARMASEQ_EXPORT XMLAttribute final : public XMLInterface {
 public:
  // Caller owns the result.
  static XMLAttribute* Create(const std::string& name, const std::string& value);
  // The value text is ReplaceSep(value, nullptr): up to 15 significant digits, "." as decimal
  // point, whatever the locale. Caller owns the result.
  static XMLAttribute* Create(const std::string& name, double value);
  // As above when fixed is false; when true the value text is ReplaceSep(value) (fixed notation
  // with 16 decimals). Caller owns the result.
  static XMLAttribute* Create(const std::string& name, double value, bool fixed);

  XMLAttribute(const XMLAttribute&) = default;
  XMLAttribute(XMLAttribute&&) noexcept = default;
  XMLAttribute& operator=(const XMLAttribute&) = default;
  XMLAttribute& operator=(XMLAttribute&&) noexcept = default;
  ~XMLAttribute() override;

  // Appends name, "=", a quote, the escaped value and a quote (no leading space).
  int ToString(std::string& out, ExportFormat& fmt) const override;
  int ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const override;
  XMLAttribute* Clone() const override;

  const std::string& GetName() const { return name_; }
  const std::string& GetValue() const { return value_; }

 private:
  XMLAttribute() = default;
  XMLAttribute(std::string name, std::string value);
  void AppendTo(std::string* out) const;

  std::string name_;
  std::string value_;

  friend class XMLElement;
};

// A text node. The text is held unescaped; only "&" and "<" are escaped when written. Writing a
// text node clears the format's newParagraph, so that the next start tag or the parent's end tag
// follows on the same line. Copyable (field by field).
class CARMASEQ_EXPORT XMLString : public XMLInterface {
 public:
  // Caller owns the result.
  static XMLString* Create(const std::string& text);

  XMLString(const XMLString&) = default;
  XMLString& operator=(const XMLString&) = default;
  ~XMLString() override;

  int ToString(std::string& out, ExportFormat& fmt) const override;
  int ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const override;
  XMLString* Clone() const override;

  const std::string& GetText() const { return text_; }

 private:
  explicit XMLString(const std::string& text);

  std::string text_;
};

// An element with an ordered list of attributes and an ordered list of children (elements and
// text nodes). The element owns its attributes and children and deletes them when it is deleted.
//
// Memory: an element made by Create owns the memory of its whole tree (an XMLArena): the elements
// made by AddChild, the attributes and the child lists are placed there and freed at once when
// that element is deleted; text nodes and elements made by Create that are handed over with
// AddElement are deleted then too. Names are interned (XMLName) and numbers are kept as numbers
// until written, so a tree holds little more than the text it writes. Only an element made by
// Create or Clone may be deleted, or handed over with AddElement, by its owner; an element made
// by AddChild belongs to its parent from the start.
//
// Not copyable by assignment; use Clone for a deep copy. Not thread-safe.
class CARMASEQ_EXPORT XMLElement : public XMLInterface {
 public:
  // An element with no attributes and no children. Caller owns the result.
  static XMLElement* Create(std::string name);
  static XMLElement* Create(XMLName name);

  XMLElement(const XMLElement&) = delete;
  XMLElement& operator=(const XMLElement&) = delete;
  ~XMLElement() override;
  // Frees the tree's memory when the deleted element is the one that owns it.
  static void operator delete(void* p);

  // Layout: a line feed before the start tag when fmt.IsNewParagraph(), tabs when
  // fmt.HasIndentation(); "/>" closes an element without children; after children the end tag
  // goes on a new line unless the last child was a text node. Leaves fmt.newParagraph true and
  // fmt.tabLevel as it found it.
  int ToString(std::string& out, ExportFormat& fmt) const override;
  int ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const override;
  XMLElement* Clone() const override;

  // Appends child and takes ownership of it. Returns the new number of children. A null child is
  // ignored. REQUIRES: child was made by Create or Clone (or is a text node) and is owned by the
  // caller; it is not an ancestor of this element.
  virtual int AddElement(XMLString* child);
  virtual int AddElement(XMLElement* child);

  // Appends a new element named name and returns it. This element owns it; its memory is that
  // of this element's tree. The tree is leanest when each element gets its attributes before
  // any child is added to it.
  XMLElement* AddChild(XMLName name);

  // Makes room for at least the given numbers of attributes (plain integers or fixed texts; other
  // values take twice the room) and children. Changes nothing else.
  void Reserve(std::size_t attributes, std::size_t children);

  // Appends attribute and takes ownership of it (its name and value are copied and it is deleted
  // at once). A null attribute is ignored.
  void AddAttribute(XMLAttribute* attribute);
  void AddAttribute(std::string name, std::string value);
  void AddAttribute(XMLName name, std::string_view value);
  // An attribute whose value is the text of value; cheaper than a copied text.
  void AddAttribute(XMLName name, XMLName value);
  // Appends a numeric attribute (see XMLAttribute::Create) only when value is finite; NaN and
  // the infinities add nothing.
  void AddAttribute(std::string name, double value);
  void AddAttribute(std::string name, double value, bool fixed);
  void AddAttribute(XMLName name, double value);
  void AddAttribute(XMLName name, double value, bool fixed);

  const std::string& GetName() const;
  std::size_t GetAttributeCount() const;
  // The i-th attribute, its value as written (before escaping). REQUIRES: i < GetAttributeCount().
  XMLAttribute GetAttribute(std::size_t i) const;
  std::size_t GetChildCount() const;
  // REQUIRES: i < GetChildCount().
  const XMLInterface& GetChild(std::size_t i) const;

 private:
  struct ChildList;
  struct Unit;
  class Sink;

  XMLElement(std::uint32_t nameId, bool ownsArena);
  static XMLElement* Place(XMLArena& arena, std::uint32_t nameId, bool ownsArena);

  XMLArena& Arena() const;
  std::uint32_t NameId() const;
  Unit* Units();
  const Unit* Units() const;
  void EnsureUnitRoom(std::size_t units);
  void PushAttribute(std::uint32_t nameId, int kind, std::int32_t payload, const void* value);
  void PushText(std::uint32_t nameId, const char* data, std::size_t size);
  void PushNumber(std::uint32_t nameId, double value, bool fixed);
  template <typename Visit>
  void ForEachAttribute(Visit visit) const;
  void EnsureChildRoom(std::size_t children);
  void PushChild(std::uintptr_t tagged);
  void TakeOver(XMLInterface* node, std::uintptr_t tagged);
  void CopyContentTo(XMLElement* target) const;

  void Write(Sink& sink, ExportFormat& fmt) const;
  void AppendStartTag(std::string* out, const ExportFormat& fmt) const;
  void AppendEndTag(std::string* out, const ExportFormat& fmt, int entryLevel) const;

  // Invariants: the element lives in an arena chunk and is followed there by at least one unit
  // of attribute room. While the attributes fit that room they are stored right after the
  // element (the room grows in place when nothing was allocated after it); once they have moved
  // out, the first unit of the room points at them. attributeUnits_ <= unitCapacity_ always.
  ChildList* children_ = nullptr;
  std::uint32_t nameAndFlags_;
  std::uint16_t attributeUnits_ = 0;
  std::uint16_t unitCapacity_ = 1;
};

// The XML declaration and DOCTYPE line that open a document, with optional internal-subset
// extensions. userValue is kept and copied but never written. Copyable (field by field).
class CARMASEQ_EXPORT XMLDocType : public XMLInterface {
 public:
  // Caller owns the result.
  static XMLDocType* Create(const std::string& name, const std::string& systemId,
                            std::int32_t userValue);

  XMLDocType(const XMLDocType&) = default;
  XMLDocType& operator=(const XMLDocType&) = default;
  ~XMLDocType() override;

  // Appends the XML declaration, a line feed, <!DOCTYPE name SYSTEM "systemId", then, when there
  // are extensions, a line feed, "[", the extensions, a line feed and "]"; then ">" and a line
  // feed. Leaves fmt alone.
  int ToString(std::string& out, ExportFormat& fmt) const override;
  int ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const override;
  XMLDocType* Clone() const override;

  // Appends a line feed and text to the extensions. Returns their new length.
  int AddExtension(const std::string& text);

  const std::string& GetName() const { return name_; }

 private:
  XMLDocType(const std::string& name, const std::string& systemId, std::int32_t userValue);

  std::string name_;
  std::string systemId_;
  std::string extensions_;
  std::int32_t userValue_;
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XMLNODES_H_
