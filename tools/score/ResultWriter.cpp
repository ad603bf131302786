#include "ResultWriter.h"

#include <charconv>
#include <cstdio>

namespace carmaseq_score {

std::string FormatNumber(double value) {
  char buffer[64];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, result.ptr);
}

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted.push_back(c);
    }
  }
  return quoted + "\"";
}

// JSON has no infinities or NaN: they are written as null.
std::string JsonNumber(double value) {
  const std::string text = FormatNumber(value);
  return text == "inf" || text == "-inf" || text == "nan" || text == "-nan" ? "null" : text;
}

class CsvWriter : public ResultWriter {
 public:
  explicit CsvWriter(std::ostream& out) : out_(out) { out_ << "id,target,predictions\n"; }

  void Write(const ScoredCase& scored) override {
    std::string predictions;
    for (const auto& p : scored.predictions) {
      if (!predictions.empty()) predictions.push_back(' ');
      predictions += std::to_string(p.GetItem()) + ":" + FormatNumber(p.GetConfidence()) + ":" +
                     FormatNumber(p.GetSupport()) + ":" + FormatNumber(p.GetCause());
    }
    out_ << CsvField(scored.id == nullptr ? std::string() : *scored.id) << ','
         << CsvField(scored.target) << ',' << CsvField(predictions) << '\n';
  }

 private:
  std::ostream& out_;
};

class JsonLinesWriter : public ResultWriter {
 public:
  explicit JsonLinesWriter(std::ostream& out) : out_(out) {}

  void Write(const ScoredCase& scored) override {
    std::string line = "{\"id\":";
    line += scored.id == nullptr ? "null" : JsonString(*scored.id);
    line += ",\"target\":" + JsonString(scored.target) + ",\"predictions\":[";
    for (size_t i = 0; i < scored.predictions.size(); ++i) {
      const auto& p = scored.predictions[i];
      if (i > 0) line.push_back(',');
      line += "{\"item\":" + std::to_string(p.GetItem()) +
              ",\"confidence\":" + JsonNumber(p.GetConfidence()) +
              ",\"support\":" + JsonNumber(p.GetSupport()) +
              ",\"cause\":" + JsonNumber(p.GetCause()) + "}";
    }
    out_ << line << "]}\n";
  }

 private:
  std::ostream& out_;
};

}  // namespace

std::unique_ptr<ResultWriter> NewCsvWriter(std::ostream& out) {
  return std::make_unique<CsvWriter>(out);
}

std::unique_ptr<ResultWriter> NewJsonLinesWriter(std::ostream& out) {
  return std::make_unique<JsonLinesWriter>(out);
}

}  // namespace carmaseq_score
