#include "persist/XMLObj.h"

#include <locale.h>
#include <stdlib.h>

#include <cstdlib>
#include <istream>
#include <limits>
#include <memory>
#include <ostream>

#include "foundation/QxMV.h"
#include "xml/ExportFormat.h"
#include "xml/XMLNodes.h"

namespace QxXML_940 {
namespace {

using QxCommon_940::QxMV;

// The longest line the readers accept, and the buffer that holds it with its terminator.
constexpr int kMaxLineLength = 255;
constexpr char kMissingText[] = "Missing";

// Separator sets of the readers.
constexpr char kValueSeparators[] = " \t\r\n=<\"";
constexpr char kStartObjSeparators[] = " \t\r\n<=\"";
constexpr char kEndObjSeparators[] = " \t\r\n<>";
constexpr char kHeaderSeparators[] = " \t\r\n<>=\"";

void Put(std::ostream& os, const std::string& text) {
  for (char c : text) os.put(c);
}

std::string Tabs(int n) { return n > 0 ? std::string(static_cast<std::size_t>(n), '\t') : ""; }

// The text of an attribute as XMLAttribute writes it: NAME="TEXT", escaped. Takes ownership.
std::string AttributeText(XMLAttribute* attribute) {
  std::unique_ptr<XMLAttribute> owned(attribute);
  ExportFormat format;
  std::string text;
  owned->ToString(text, format);
  return text;
}

std::string NumberAttribute(double value) {
  return AttributeText(XMLAttribute::Create("value", value));
}

// One line of text split like strtok: each call skips leading separators, returns the token up
// to the next separator and consumes that separator.
class LineTokenizer {
 public:
  explicit LineTokenizer(std::string line) : line_(std::move(line)) {}

  // Returns false when only separators remain.
  bool Next(const char* separators, std::string* token) {
    const std::size_t begin = line_.find_first_not_of(separators, pos_);
    if (begin == std::string::npos) {
      pos_ = line_.size();
      return false;
    }
    std::size_t end = line_.find_first_of(separators, begin);
    if (end == std::string::npos) end = line_.size();
    *token = line_.substr(begin, end - begin);
    pos_ = end < line_.size() ? end + 1 : end;
    return true;
  }

  // True iff the next token equals expected.
  bool Expect(const char* separators, const char* expected) {
    std::string token;
    return Next(separators, &token) && token == expected;
  }

  // The unread rest of the line.
  std::string Rest() const { return line_.substr(pos_); }

 private:
  std::string line_;
  std::size_t pos_ = 0;
};

// Reads one line of at most kMaxLineLength characters. Returns false on a longer line, at the
// end of the text or on a stream error.
bool ReadLine(std::istream& is, std::string* line) {
  char buffer[kMaxLineLength + 1];
  is.getline(buffer, sizeof buffer);
  if (is.fail()) return false;
  *line = buffer;
  return true;
}

// Reads a value line of element and returns in *text the value token (first separator set).
bool ReadValueText(std::istream& is, const char* element, std::string* text) {
  std::string line;
  if (!ReadLine(is, &line)) return false;
  LineTokenizer tokens(std::move(line));
  return tokens.Expect(kValueSeparators, element) && tokens.Expect("=\"", "value") &&
         tokens.Next(kValueSeparators, text);
}

// A decimal integer as strtol reads it (leading blanks, a sign, digits; junk gives 0), clamped to
// the 32-bit range instead of wrapping.
std::int32_t ParseInt32(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

// A double as the "C" locale's strtod reads it, whatever the process's locale: the numbers the
// writer produces, "inf" and "nan" among them; out-of-range text saturates; junk gives 0.
double ParseDouble(const std::string& text) {
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(text.c_str(), nullptr, classic);
}

}  // namespace

int XMLObj::StartObj(std::ostream& os) const {
  Put(os, "\n" + Tabs(nTabs_) + "<Obj name=\"" + name_ + "\">");
  return 0;
}

int XMLObj::EndObj(std::ostream& os) const {
  Put(os, "\n" + Tabs(nTabs_) + "</Obj>");
  return 0;
}

int XMLObj::WriteValueLine(std::ostream& os, const char* element, const std::string& text) const {
  Put(os, "\n" + Tabs(nTabs_ + 1) + "<" + element + " " + text + "/>");
  return 0;
}

int XMLObj::WriteSubElement(std::ostream& os, const std::string& value) const {
  return WriteValueLine(os, "String", AttributeText(XMLAttribute::Create("value", value)));
}

int XMLObj::WriteSubElement(std::ostream& os, double value) const {
  if (QxMV::IsMissing(value)) {
    return WriteValueLine(os, "Double", AttributeText(XMLAttribute::Create("value", kMissingText)));
  }
  return WriteValueLine(os, "Double", NumberAttribute(value));
}

int XMLObj::WriteSubElement(std::ostream& os, bool value) const {
  return WriteValueLine(os, "Int", NumberAttribute(value ? 1.0 : 0.0));
}

int XMLObj::WriteSubElement(std::ostream& os, unsigned int value) const {
  return WriteValueLine(os, "Int", NumberAttribute(static_cast<double>(value)));
}

int XMLObj::WriteSubElement(std::ostream& os, XMLLong value) const {
  return WriteValueLine(os, "Long", NumberAttribute(static_cast<double>(value.value)));
}

int XMLObj::WriteSubElement(std::ostream& os, int value) const {
  return WriteValueLine(os, "Int", NumberAttribute(static_cast<double>(value)));
}

int StartRoot(std::ostream& os, const std::string& copyright) {
  Put(os, "<QxXMLRoot " + AttributeText(XMLAttribute::Create("copyright", copyright)) + ">");
  return 0;
}

int WriteHeader(std::ostream& os, const std::string& copyright) { return StartRoot(os, copyright); }

int EndRoot(std::ostream& os) {
  Put(os, "\n</QxXMLRoot>");
  return 0;
}

int EndHeader(std::ostream& os) { return EndRoot(os); }

bool ParseStartXML(std::istream& is) {
  for (const char* expected : {"?xml", "!DOCTYPE", "QxXMLRoot"}) {
    std::string line;
    if (!ReadLine(is, &line)) return false;
    if (!LineTokenizer(std::move(line)).Expect(kHeaderSeparators, expected)) return false;
  }
  return true;
}

bool ParseStartObj(std::istream& is, const std::string& name) {
  std::string line;
  if (!ReadLine(is, &line)) return false;
  if (line.empty() && !ReadLine(is, &line)) return false;
  LineTokenizer tokens(std::move(line));
  std::string objectName;
  return tokens.Expect(kStartObjSeparators, "Obj") && tokens.Expect(kStartObjSeparators, "name") &&
         tokens.Next("\"", &objectName) && objectName == name;
}

bool ParseEndObj(std::istream& is) {
  std::string line;
  return ReadLine(is, &line) && LineTokenizer(std::move(line)).Expect(kEndObjSeparators, "/Obj");
}

bool ParseValue(std::istream& is, int& value) {
  std::string text;
  if (!ReadValueText(is, "Int", &text)) return false;
  value = ParseInt32(text);
  return true;
}

bool ParseValue(std::istream& is, bool& value) {
  std::string text;
  if (!ReadValueText(is, "Int", &text)) return false;
  const std::int32_t number = ParseInt32(text);
  if (number != 0 && number != 1) return false;
  value = number == 1;
  return true;
}

bool ParseValue(std::istream& is, unsigned int& value) {
  std::string text;
  if (!ReadValueText(is, "Int", &text)) return false;
  const double number = ParseDouble(text);
  if (!(number > 0)) {
    value = 0;  // Also NaN.
  } else if (number >= static_cast<double>(std::numeric_limits<unsigned int>::max())) {
    value = std::numeric_limits<unsigned int>::max();
  } else {
    value = static_cast<unsigned int>(number);
  }
  return true;
}

bool ParseValue(std::istream& is, XMLLong& value) {
  std::string text;
  if (!ReadValueText(is, "Long", &text)) return false;
  value.value = ParseInt32(text);
  return true;
}

bool ParseValue(std::istream& is, double& value) {
  std::string text;
  if (!ReadValueText(is, "Double", &text)) return false;
  value = text == kMissingText ? QxMV::Missing() : ParseDouble(text);
  return true;
}

bool ParseValue(std::istream& is, std::string& value) {
  std::string line;
  if (!ReadLine(is, &line)) return false;
  LineTokenizer tokens(std::move(line));
  if (!tokens.Expect(kValueSeparators, "String") || !tokens.Expect("=\"", "value")) return false;
  // The raw text from the opening quote to the closing quote or the end of the line.
  std::string rest = tokens.Rest();
  std::size_t begin = 0;
  if (!rest.empty() && rest[0] == '"') begin = 1;
  const std::size_t end = rest.find('"', begin);
  value = rest.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  return true;
}

}  // namespace QxXML_940
