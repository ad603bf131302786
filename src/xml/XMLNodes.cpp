#include "xml/XMLNodes.h"

#include <limits>
#include <ostream>
#include <utility>

#include "xml/NumberFormat.h"
#include "xml/XMLUtil.h"
#include "xml/XMLWriter.h"

namespace QxXML_940 {

namespace {

// Every node writes its text with as few stream calls as possible: the pieces of a start tag (or
// end tag, or escaped text) are assembled in one per-thread buffer and written at once. A piece is
// always written before the next one is assembled, so nested elements can reuse the buffer.
class Scratch {
 public:
  Scratch() : buffer_(Buffer()) { buffer_.clear(); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    if (buffer_.capacity() > kKeepCapacity) std::string().swap(buffer_);
  }

  std::string* get() { return &buffer_; }

 private:
  static constexpr std::size_t kKeepCapacity = 64 * 1024;  // Larger buffers are not kept.

  static std::string& Buffer() {
    thread_local std::string buffer;
    return buffer;
  }

  std::string& buffer_;
};

void Emit(std::ostream& os, const char* data, std::size_t size, bool utf8) {
  if (utf8) {
    WriteUTF(os, data, size);
  } else {
    os.write(data, static_cast<std::streamsize>(size));
  }
}

void Emit(std::ostream& os, const std::string& piece, bool utf8) {
  Emit(os, piece.data(), piece.size(), utf8);
}

void AppendTabs(std::string* out, int n) {
  if (n > 0) out->append(static_cast<std::size_t>(n), '\t');
}

bool IsFinite(double value) {
  return -std::numeric_limits<double>::max() <= value &&
         value <= std::numeric_limits<double>::max();
}

}  // namespace

XMLInterface::~XMLInterface() = default;

// ---------------------------------------------------------------------------------------------
// XMLAttribute

XMLAttribute::XMLAttribute(std::string name, std::string value)
    : name_(std::move(name)), value_(std::move(value)) {}

XMLAttribute::~XMLAttribute() = default;

XMLAttribute* XMLAttribute::Create(const std::string& name, const std::string& value) {
  return new XMLAttribute(name, value);
}

XMLAttribute* XMLAttribute::Create(const std::string& name, double value) {
  return new XMLAttribute(name, ReplaceSep(value, nullptr));
}

XMLAttribute* XMLAttribute::Create(const std::string& name, double value, bool fixed) {
  return new XMLAttribute(name, fixed ? ReplaceSep(value) : ReplaceSep(value, nullptr));
}

void XMLAttribute::AppendTo(std::string* out) const {
  out->append(name_);
  out->push_back(XMLUtil::EQUAL[0]);
  out->push_back(XMLUtil::QUOTE[0]);
  XMLUtil::AppendEscaped(out, value_.data(), value_.size());
  out->push_back(XMLUtil::QUOTE[0]);
}

int XMLAttribute::ToString(std::string& out, ExportFormat& /*fmt*/) const {
  AppendTo(&out);
  return 0;
}

int XMLAttribute::ToStream(std::ostream& os, ExportFormat& /*fmt*/, bool utf8) const {
  Scratch scratch;
  AppendTo(scratch.get());
  Emit(os, *scratch.get(), utf8);
  return 0;
}

XMLAttribute* XMLAttribute::Clone() const { return new XMLAttribute(*this); }

// ---------------------------------------------------------------------------------------------
// XMLString

XMLString::XMLString(const std::string& text) : text_(text) {}

XMLString::~XMLString() = default;

XMLString* XMLString::Create(const std::string& text) { return new XMLString(text); }

int XMLString::ToString(std::string& out, ExportFormat& fmt) const {
  XMLUtil::AppendEscapedText(&out, text_.data(), text_.size());
  fmt.newParagraph = false;
  return 0;
}

int XMLString::ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const {
  if (text_.find_first_of("&<") == std::string::npos) {
    Emit(os, text_, utf8);
  } else {
    Scratch scratch;
    XMLUtil::AppendEscapedText(scratch.get(), text_.data(), text_.size());
    Emit(os, *scratch.get(), utf8);
  }
  fmt.newParagraph = false;
  return 0;
}

XMLString* XMLString::Clone() const { return new XMLString(*this); }

// ---------------------------------------------------------------------------------------------
// XMLElement

XMLElement::XMLElement(std::string name) : name_(std::move(name)) {}

XMLElement::~XMLElement() = default;

XMLElement* XMLElement::Create(std::string name) { return new XMLElement(std::move(name)); }

XMLElement* XMLElement::Clone() const {
  std::unique_ptr<XMLElement> copy(new XMLElement(name_));
  for (std::size_t i = 0; i < inlineCount_; ++i) copy->inline_[i] = inline_[i];
  copy->inlineCount_ = inlineCount_;
  copy->overflow_ = overflow_;
  copy->children_.reserve(children_.size());
  for (const auto& child : children_) copy->children_.emplace_back(child->Clone());
  return copy.release();
}

// Each Add wraps the new node first so that it is deleted, not leaked, if appending throws.
int XMLElement::AddElement(XMLString* child) {
  std::unique_ptr<XMLInterface> owned(child);
  if (owned != nullptr) children_.push_back(std::move(owned));
  return static_cast<int>(children_.size());
}

int XMLElement::AddElement(XMLElement* child) {
  std::unique_ptr<XMLInterface> owned(child);
  if (owned != nullptr) children_.push_back(std::move(owned));
  return static_cast<int>(children_.size());
}

void XMLElement::Reserve(std::size_t attributes, std::size_t children) {
  if (attributes > kInlineAttributes) overflow_.reserve(attributes - kInlineAttributes);
  children_.reserve(children);
}

void XMLElement::AddAttribute(XMLAttribute* attribute) {
  std::unique_ptr<XMLAttribute> owned(attribute);
  if (owned != nullptr) PushAttribute(std::move(*owned));
}

void XMLElement::PushAttribute(XMLAttribute&& attribute) {
  if (inlineCount_ < kInlineAttributes) {
    inline_[inlineCount_++] = std::move(attribute);
  } else {
    overflow_.push_back(std::move(attribute));
  }
}

void XMLElement::AddAttribute(std::string name, std::string value) {
  PushAttribute(XMLAttribute(std::move(name), std::move(value)));
}

void XMLElement::AddAttribute(std::string name, double value) {
  if (IsFinite(value)) {
    PushAttribute(XMLAttribute(std::move(name), ReplaceSep(value, nullptr)));
  }
}

void XMLElement::AddAttribute(std::string name, double value, bool fixed) {
  if (IsFinite(value)) {
    PushAttribute(
        XMLAttribute(std::move(name), fixed ? ReplaceSep(value) : ReplaceSep(value, nullptr)));
  }
}

// The start tag with its attributes and, for an element without children, the closing "/>".
void XMLElement::AppendStartTag(std::string* out, const ExportFormat& fmt) const {
  if (fmt.format) {
    if (fmt.newParagraph) out->push_back(XMLUtil::ROWSEP[0]);
    if (fmt.indentation) AppendTabs(out, fmt.tabLevel);
  }
  out->push_back(XMLUtil::BEGIN_ELEMENT[0]);
  out->append(name_);
  const int attributeLevel = fmt.HasIndentation() ? fmt.tabLevel + 1 : 0;
  const std::size_t count = GetAttributeCount();
  for (std::size_t i = 0; i < count; ++i) {
    out->push_back(XMLUtil::SPACE[0]);
    AppendTabs(out, attributeLevel);
    GetAttribute(i).AppendTo(out);
  }
  if (children_.empty()) {
    out->push_back(XMLUtil::BEGIN_END_ELEMENT[0]);
    out->push_back(XMLUtil::END_ELEMENT[0]);
  } else {
    out->push_back(XMLUtil::END_ELEMENT[0]);
  }
}

// The end tag of an element with children; entryLevel is the tab level of its start tag.
void XMLElement::AppendEndTag(std::string* out, const ExportFormat& fmt, int entryLevel) const {
  if (fmt.format) {
    if (fmt.newParagraph) out->push_back(XMLUtil::ROWSEP[0]);
    if (fmt.indentation) AppendTabs(out, entryLevel);
  }
  out->push_back(XMLUtil::BEGIN_ELEMENT[0]);
  out->push_back(XMLUtil::BEGIN_END_ELEMENT[0]);
  out->append(name_);
  out->push_back(XMLUtil::END_ELEMENT[0]);
}

int XMLElement::ToString(std::string& out, ExportFormat& fmt) const {
  const int entryLevel = fmt.tabLevel;
  AppendStartTag(&out, fmt);
  if (!children_.empty()) {
    ++fmt.tabLevel;
    for (const auto& child : children_) child->ToString(out, fmt);
    --fmt.tabLevel;
    AppendEndTag(&out, fmt, entryLevel);
  }
  fmt.newParagraph = true;
  return 0;
}

int XMLElement::ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const {
  const int entryLevel = fmt.tabLevel;
  {
    Scratch scratch;
    AppendStartTag(scratch.get(), fmt);
    Emit(os, *scratch.get(), utf8);
  }
  if (!children_.empty()) {
    ++fmt.tabLevel;
    for (const auto& child : children_) child->ToStream(os, fmt, utf8);
    --fmt.tabLevel;
    Scratch scratch;
    AppendEndTag(scratch.get(), fmt, entryLevel);
    Emit(os, *scratch.get(), utf8);
  }
  fmt.newParagraph = true;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// XMLDocType

XMLDocType::XMLDocType(const std::string& name, const std::string& systemId, std::int32_t userValue)
    : name_(name), systemId_(systemId), userValue_(userValue) {}

XMLDocType::~XMLDocType() = default;

XMLDocType* XMLDocType::Create(const std::string& name, const std::string& systemId,
                               std::int32_t userValue) {
  return new XMLDocType(name, systemId, userValue);
}

int XMLDocType::AddExtension(const std::string& text) {
  extensions_.append(XMLUtil::ROWSEP, 1);
  extensions_.append(text);
  return static_cast<int>(extensions_.size());
}

int XMLDocType::ToString(std::string& out, ExportFormat& /*fmt*/) const {
  out.append(XMLUtil::FIRST_LINE);
  out.append(XMLUtil::ROWSEP);
  out.append(XMLUtil::BEGIN_ELEMENT);
  out.append(XMLUtil::BEGIN_PREPROCESSOR);
  out.append("DOCTYPE ");
  out.append(name_);
  out.append(" SYSTEM ");
  out.append(XMLUtil::QUOTE);
  out.append(systemId_);
  out.append(XMLUtil::QUOTE);
  if (!extensions_.empty()) {
    out.append(XMLUtil::ROWSEP);
    out.append("[");
    out.append(extensions_);
    out.append(XMLUtil::ROWSEP);
    out.append("]");
  }
  out.append(XMLUtil::END_ELEMENT);
  out.append(XMLUtil::ROWSEP);
  return 0;
}

int XMLDocType::ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const {
  std::string text;
  ToString(text, fmt);
  Emit(os, text, utf8);
  return 0;
}

XMLDocType* XMLDocType::Clone() const { return new XMLDocType(*this); }

}  // namespace QxXML_940
