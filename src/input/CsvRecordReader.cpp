#include "input/CsvRecordReader.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "input/InputError.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char DetectDelimiter(std::string_view line) {
  if (line.find('\t') != std::string_view::npos) return '\t';
  if (line.find(';') != std::string_view::npos && line.find(',') == std::string_view::npos) {
    return ';';
  }
  return ',';
}

}  // namespace

CsvRecordReader::CsvRecordReader(std::istream& in, std::string source, const CsvDialect& dialect)
    : lines_(in, std::move(source)),
      dialect_(dialect),
      delimiter_(dialect.delimiter != '\0' ? dialect.delimiter : ','),
      detectPending_(dialect.delimiter == '\0') {}

void CsvRecordReader::Fail(const std::string& reason) const {
  throw SeqExceptions::InputError(lines_.source(), recordLine_, reason);
}

std::string CsvRecordReader::ReadQuoted(std::string_view* line, std::size_t* at) {
  std::string field;
  for (std::size_t j = *at;;) {
    if (j >= line->size()) {
      if (!lines_.Next(line)) Fail("a quoted field is not closed");
      field += '\n';
      j = 0;
      continue;
    }
    const char c = (*line)[j++];
    if (c != '"') {
      field += c;
    } else if (j < line->size() && (*line)[j] == '"') {
      field += '"';
      ++j;
    } else {
      *at = j;
      return field;
    }
  }
}

bool CsvRecordReader::Next(std::vector<std::string>* fields) {
  std::string_view line;
  do {
    if (!lines_.Next(&line)) return false;
    if (lines_.lineNumber() == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") {
      line.remove_prefix(3);
    }
  } while (TrimBlanks(line).empty());
  recordLine_ = lines_.lineNumber();
  if (detectPending_) {
    delimiter_ = DetectDelimiter(line);
    detectPending_ = false;
  }
  fields->clear();
  for (std::size_t i = 0;;) {
    std::size_t j = i;
    while (j < line.size() && IsBlank(line[j]) && line[j] != delimiter_) ++j;
    if (j < line.size() && line[j] == '"') {
      ++j;
      fields->push_back(ReadQuoted(&line, &j));
      while (j < line.size() && IsBlank(line[j]) && line[j] != delimiter_) ++j;
      if (j < line.size() && line[j] != delimiter_) Fail("text after a closing quote");
    } else {
      j = std::min(line.find(delimiter_, i), line.size());
      std::string_view raw = line.substr(i, j - i);
      if (raw.find('"') != std::string_view::npos) {
        Fail("a quote inside an unquoted field");
      }
      fields->emplace_back(TrimBlanks(raw));
    }
    if (j >= line.size()) return true;
    i = j + 1;
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
