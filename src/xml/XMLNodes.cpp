#include "xml/XMLNodes.h"

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
