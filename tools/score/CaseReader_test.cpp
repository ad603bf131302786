#include "CaseReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace carmaseq_score {
namespace {

// The cases of text as "line:name=text;name=text" strings.
template <typename MakeReader>
std::vector<std::string> ReadAll(const std::string& text, MakeReader make) {
  std::istringstream in(text);
  const std::unique_ptr<CaseReader> reader = make(in);
  std::vector<std::string> cases;
  CaseFields record;
  while (reader->Next(&record)) {
    std::string line = std::to_string(record.line) + ":";
    for (const auto& [name, value] : record.fields) {
      if (line.back() != ':') line += ";";
      line += name + "=" + value;
    }
    cases.push_back(line);
  }
  return cases;
}

// The message of the RecordError that reading text throws; "no error" when it reads cleanly.
template <typename MakeReader>
std::string ErrorOf(const std::string& text, MakeReader make) {
  try {
    ReadAll(text, make);
  } catch (const RecordError& e) {
    return e.what();
  }
  return "no error";
}

using Cases = std::vector<std::string>;

TEST(CsvReaderTest, ReadsQuotedFieldsAndSkipsEmptyOnes) {
  const std::string text =
      "\xEF\xBB\xBFid,sequence,fromCurrent\r\n"
      "a,(1)(2),yes\r\n"
      "\n"
      "\"b,1\",\"(1 \"\"2\"\")\",\n"
      "c,\"(1)\n(2)\",\"\"\n"
      "d,,x";
  EXPECT_EQ((Cases{"2:id=a;sequence=(1)(2);fromCurrent=yes", "4:id=b,1;sequence=(1 \"2\")",
                   "5:id=c;sequence=(1)\n(2)", "7:id=d;fromCurrent=x"}),
            ReadAll(text, NewCsvReader));
}

TEST(CsvReaderTest, NamesTheLineOfAMalformedRecord) {
  const struct {
    const char* text;
    const char* error;
  } rows[] = {
      {"", "line 1: no header line"},
      {"sequence,id,id\n", "line 1: the header names \"id\" twice"},
      {"sequence,,x\n", "line 1: an empty name in the header"},
      {"id,sequence\na,b\nc\n", "line 3: 1 fields, but the header names 2"},
      {"id,sequence\na,b,c\n", "line 2: 3 fields, but the header names 2"},
      {"id\n", "line 1: the header names no field \"sequence\""},
      {"sequence\n\"a\n\nb\n", "line 2: a quoted field is not closed"},
      {"sequence\n\"a\"b\n", "line 2: text after a closing quote"},
      {"sequence\na\"b\n", "line 2: a quote inside an unquoted field"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.error, ErrorOf(row.text, NewCsvReader)) << row.text;
}

TEST(JsonLinesReaderTest, ReadsFlatObjectsOfStringsAndNumbers) {
  const std::string text =
      "{\"id\": \"a\", \"maxReturn\": 5, \"w\": -0.5e+3}\n"
      "   \r\n"
      "{}\n"
      "{\"s\":\"q\\\"\\\\\\/\\n\\u00e9\\ud83d\\ude00\"}\r\n";
  EXPECT_EQ((Cases{"1:id=a;maxReturn=5;w=-0.5e+3", "3:", "4:s=q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80"}),
            ReadAll(text, NewJsonLinesReader));
}

// One row per kind of fault: value kinds, duplicates, syntax, numbers, strings and escapes.
TEST(JsonLinesReaderTest, RejectsEverythingElseWithItsLine) {
  const char* rows[] = {
      "{\"a\": true}",   "{\"a\": [1]}", "{\"a\": 1, \"a\": 2}", "{\"a\": 1} x",
      "{\"a\": 01}",     "{\"a\": \"x}", "{\"a\": \"\\udc00\"}", "{\"a\": \"\\x\"}",
      "{\"a\": \"\t\"}", "[1]",          "{\"a\": 1,}",
  };
  for (const char* row : rows) {
    const std::string error = ErrorOf("{}\n" + std::string(row) + "\n", NewJsonLinesReader);
    EXPECT_EQ(0u, error.find("line 2: ")) << row << " -> " << error;
  }
}

}  // namespace
}  // namespace carmaseq_score
