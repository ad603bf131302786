#include "CaseReader.h"

#include <set>
#include <string_view>

#include "input/CsvRecordReader.h"
#include "input/InputError.h"

namespace carmaseq_score {

namespace seq = SEQUENCE_NAMESPACE_800;

const std::string* CaseFields::Find(const std::string& name) const {
  for (const auto& field : fields) {
    if (field.first == name) return &field.second;
  }
  return nullptr;
}

namespace {

// ---- CSV ----

class CsvReader : public CaseReader {
 public:
  explicit CsvReader(std::istream& in) : records_(in, "records", seq::CsvDialect()) {}

  bool Next(CaseFields* record) override {
    try {
      if (header_.empty()) ReadHeader();
      if (!records_.Next(&cells_)) return false;
    } catch (const SeqExceptions::InputError& error) {
      throw RecordError(error.line(), error.reason());
    }
    const std::int64_t line = records_.recordLine();
    if (cells_.size() != header_.size()) {
      throw RecordError(line, std::to_string(cells_.size()) + " fields, but the header names " +
                                  std::to_string(header_.size()));
    }
    record->line = line;
    record->fields.clear();
    for (size_t i = 0; i < cells_.size(); ++i) {
      if (!cells_[i].empty()) record->fields.emplace_back(header_[i], std::move(cells_[i]));
    }
    return true;
  }

 private:
  void ReadHeader() {
    if (!records_.Next(&header_)) throw RecordError(1, "no header line");
    std::set<std::string> names;
    for (const std::string& name : header_) {
      if (name.empty()) throw RecordError(records_.recordLine(), "an empty name in the header");
      if (!names.insert(name).second) {
        throw RecordError(records_.recordLine(), "the header names \"" + name + "\" twice");
      }
    }
    if (names.count("sequence") == 0) {
      throw RecordError(records_.recordLine(), "the header names no field \"sequence\"");
    }
  }

  seq::CsvRecordReader records_;
  std::vector<std::string> header_;
  std::vector<std::string> cells_;
};

// ---- JSON lines ----

// Parses one line holding one flat JSON object.
class JsonObjectParser {
 public:
  JsonObjectParser(std::string_view text, std::int64_t line) : text_(text), line_(line) {}

  void Parse(CaseFields* record) {
    record->line = line_;
    record->fields.clear();
    std::set<std::string> names;
    SkipBlanks();
    Expect('{', "a line must hold one JSON object");
    SkipBlanks();
    if (Peek() == '}') {
      ++at_;
    } else {
      for (;;) {
        SkipBlanks();
        if (Peek() != '"') Fail("expected a field name in double quotes");
        std::string name = ParseString();
        if (!names.insert(name).second) Fail("the field \"" + name + "\" is given twice");
        SkipBlanks();
        Expect(':', "expected ':' after a field name");
        SkipBlanks();
        record->fields.emplace_back(std::move(name), ParseValue());
        SkipBlanks();
        if (Peek() == ',') {
          ++at_;
          continue;
        }
        Expect('}', "expected ',' or '}'");
        break;
      }
    }
    SkipBlanks();
    if (at_ != text_.size()) Fail("text after the object");
  }

 private:
  int Peek() const { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_]) : -1; }

  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
      ++at_;
    }
  }

  void Expect(char c, const char* message) {
    if (Peek() != c) Fail(message);
    ++at_;
  }

  [[noreturn]] void Fail(const std::string& reason) const {
    throw RecordError(line_, reason + " (column " + std::to_string(at_ + 1) + ")");
  }

  std::string ParseValue() {
    const int c = Peek();
    if (c == '"') return ParseString();
    if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber();
    Fail("only strings and numbers are accepted as field values");
  }

  // A JSON number, returned as written.
  std::string ParseNumber() {
    const size_t begin = at_;
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
    } else if (!Digits()) {
      Fail("invalid number");
    }
    if (Peek() == '.') {
      ++at_;
      if (!Digits()) Fail("invalid number");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (!Digits()) Fail("invalid number");
    }
    return std::string(text_.substr(begin, at_ - begin));
  }

  // Skips a run of digits; returns true iff there was at least one.
  bool Digits() {
    const size_t begin = at_;
    while (Peek() >= '0' && Peek() <= '9') ++at_;
    return at_ > begin;
  }

  std::string ParseString() {
    ++at_;  // the opening quote
    std::string value;
    for (;;) {
      const int c = Peek();
      if (c < 0) Fail("a string is not closed");
      ++at_;
      if (c == '"') return value;
      if (c < 0x20) Fail("a control character inside a string");
      if (c != '\\') {
        value.push_back(static_cast<char>(c));
        continue;
      }
      const int escape = Peek();
      ++at_;
      switch (escape) {
        case '"':
        case '\\':
        case '/':
          value.push_back(static_cast<char>(escape));
          break;
        case 'b':
          value.push_back('\b');
          break;
        case 'f':
          value.push_back('\f');
          break;
        case 'n':
          value.push_back('\n');
          break;
        case 'r':
          value.push_back('\r');
          break;
        case 't':
          value.push_back('\t');
          break;
        case 'u':
          AppendUtf8(ParseCodePoint(), &value);
          break;
        default:
          --at_;
          Fail("invalid escape in a string");
      }
    }
  }

  // The code point of a \u escape (after "\u"), joining a surrogate pair.
  std::uint32_t ParseCodePoint() {
    const std::uint32_t unit = ParseHex4();
    if (unit >= 0xDC00 && unit <= 0xDFFF) Fail("a lone low surrogate");
    if (unit < 0xD800 || unit > 0xDBFF) return unit;
    if (Peek() != '\\' || at_ + 1 >= text_.size() || text_[at_ + 1] != 'u') {
      Fail("a high surrogate without its low surrogate");
    }
    at_ += 2;
    const std::uint32_t low = ParseHex4();
    if (low < 0xDC00 || low > 0xDFFF) Fail("a high surrogate without its low surrogate");
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
  }

  std::uint32_t ParseHex4() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const int c = Peek();
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        Fail("invalid \\u escape");
      }
      value = value * 16 + static_cast<std::uint32_t>(digit);
      ++at_;
    }
    return value;
  }

  static void AppendUtf8(std::uint32_t code, std::string* out) {
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (code >> 6)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (code >> 12)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (code >> 18)));
      out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }

  std::string_view text_;
  std::int64_t line_;
  size_t at_ = 0;
};

class JsonLinesReader : public CaseReader {
 public:
  explicit JsonLinesReader(std::istream& in) : in_(in) {}

  bool Next(CaseFields* record) override {
    std::string text;
    while (std::getline(in_, text)) {
      ++line_;
      if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
      JsonObjectParser(text, line_).Parse(record);
      return true;
    }
    if (in_.bad()) throw RecordError(line_ + 1, "read failure");
    return false;
  }

 private:
  std::istream& in_;
  std::int64_t line_ = 0;
};

}  // namespace

std::unique_ptr<CaseReader> NewCsvReader(std::istream& in) {
  return std::make_unique<CsvReader>(in);
}

std::unique_ptr<CaseReader> NewJsonLinesReader(std::istream& in) {
  return std::make_unique<JsonLinesReader>(in);
}

}  // namespace carmaseq_score
