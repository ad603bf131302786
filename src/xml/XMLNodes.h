// The in-memory XML tree that exporters build, write once and delete: elements, attributes, text
// nodes and the DOCTYPE declaration.
#ifndef CARMASEQ_XML_XMLNODES_H_
#define CARMASEQ_XML_XMLNODES_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Visibility.h"
#include "xml/ExportFormat.h"

namespace QxXML_940 {

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

// A name="value" pair of an element. The value is held unescaped and escaped when written.
// Copyable and movable (field by field). Elements hold their attributes by value, so the class is
// final: an element keeps exactly an XMLAttribute.
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
// Attributes are held by value; one handed over by pointer is moved in and deleted at once.
// Not copyable by assignment; use Clone for a deep copy.
class CARMASEQ_EXPORT XMLElement : public XMLInterface {
 public:
  // An element with no attributes and no children. Caller owns the result.
  static XMLElement* Create(std::string name);

  XMLElement(const XMLElement&) = delete;
  XMLElement& operator=(const XMLElement&) = delete;
  ~XMLElement() override;

  // Layout: a line feed before the start tag when fmt.IsNewParagraph(), tabs when
  // fmt.HasIndentation(); "/>" closes an element without children; after children the end tag
  // goes on a new line unless the last child was a text node. Leaves fmt.newParagraph true and
  // fmt.tabLevel as it found it.
  int ToString(std::string& out, ExportFormat& fmt) const override;
  int ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const override;
  XMLElement* Clone() const override;

  // Appends child and takes ownership of it. Returns the new number of children. A null child is
  // ignored.
  virtual int AddElement(XMLString* child);
  virtual int AddElement(XMLElement* child);

  // Makes room for at least the given numbers of attributes and children, so that adding up to
  // that many allocates nothing more. Changes nothing else.
  void Reserve(std::size_t attributes, std::size_t children);

  // Appends attribute and takes ownership of it. A null attribute is ignored.
  void AddAttribute(XMLAttribute* attribute);
  void AddAttribute(std::string name, std::string value);
  // Appends a numeric attribute (see XMLAttribute::Create) only when value is finite; NaN and
  // the infinities add nothing.
  void AddAttribute(std::string name, double value);
  void AddAttribute(std::string name, double value, bool fixed);

  const std::string& GetName() const { return name_; }
  std::size_t GetAttributeCount() const { return inlineCount_ + overflow_.size(); }
  // REQUIRES: i < GetAttributeCount().
  const XMLAttribute& GetAttribute(std::size_t i) const {
    return i < kInlineAttributes ? inline_[i] : overflow_[i - kInlineAttributes];
  }
  std::size_t GetChildCount() const { return children_.size(); }

 private:
  explicit XMLElement(std::string name);

  void AppendStartTag(std::string* out, const ExportFormat& fmt) const;
  void AppendEndTag(std::string* out, const ExportFormat& fmt, int entryLevel) const;

  // Most elements carry one or two attributes: those live in the element itself, which spares
  // them an allocation of their own. Attributes past the inline ones go to overflow_, in order.
  static constexpr std::size_t kInlineAttributes = 2;

  void PushAttribute(XMLAttribute&& attribute);

  XMLAttribute inline_[kInlineAttributes];
  std::size_t inlineCount_ = 0;
  std::vector<XMLAttribute> overflow_;
  std::string name_;
  std::vector<std::unique_ptr<XMLInterface>> children_;
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
