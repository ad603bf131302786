#include "input/CsvReader.h"

#include <sstream>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "input/InputError.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"
#include "input/input_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

class CsvReaderTest : public testing::Test {
 protected:
  // The database as item-set text with times, items shown by name.
  std::string Read(const std::string& text, const CsvOptions& options = CsvOptions()) {
    std::istringstream in(text);
    SequenceDatabase db;
    ReadCsv(in, "log.csv", options, &names_, &db);
    std::string out;
    for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
      for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
        out += std::to_string(static_cast<long long>(db.setTime(s))) + "(";
        for (std::uint32_t p = db.setBegin(s); p < db.setBegin(s + 1); ++p) {
          out += (p > db.setBegin(s) ? " " : "") + names_.Label(db.items()[p]);
        }
        out += ")";
      }
      out += ";";
    }
    return out;
  }

  ItemNameMap names_;
};

TEST_F(CsvReaderTest, GroupsRowsIntoItemSetsInTimeOrder) {
  const std::string text =
      "Time,Extra,ITEM,Customer\r\n"
      "20,x,milk,bob\r\n"
      "10,x,bread,ann\r\n"
      "10,x,milk,bob\r\n"
      "\r\n"
      "20,x,\"jam, \"\"best\"\"\",ann\r\n"
      "10,x,eggs,bob\r\n"
      "10,x,milk,bob\r\n";  // a repeated row collapses
  // bob first appeared first; item ids follow first appearance.
  EXPECT_EQ("10(milk eggs)20(milk);10(bread)20(jam, \"best\");", Read(text));
  std::int32_t id = 0;
  EXPECT_TRUE(names_.Find("eggs", &id) && id == 4) << id;
}

TEST_F(CsvReaderTest, TabsDatesAndNamedColumns) {
  CsvOptions options;
  options.customerColumn = "Member_number";
  options.timeColumn = "Date";
  options.itemColumn = "itemDescription";
  options.timeFormat = "%d-%m-%Y";
  EXPECT_EQ(
      "16637(a);16638(b);",
      Read("Member_number\tDate\titemDescription\n1\t21-07-2015\ta\n2\t22-07-2015\tb\n", options));
  // Without a format, ISO 8601 dates and numbers are both accepted.
  CsvOptions semicolon;
  semicolon.delimiter = ';';
  EXPECT_EQ("0(a)1(b);", Read("customer;time;item\nc;1970-01-01;a\nc;1;b\n", semicolon));
  // Detected: ';' as a tab is; a byte order mark; a quoted line break inside an item name.
  EXPECT_EQ("0(a\nb)1(c);",
            Read("\xEF\xBB\xBF customer ; time;item\r\nc;1970-01-01;\"a\r\nb\"\nc;1;c\n"));
}

TEST_F(CsvReaderTest, MalformedLinesNameTheLineAndReason) {
  const std::pair<const char*, const char*> kRows[] = {
      {"", "log.csv:0: no header line"},
      {"customer,time,item\nc,1,a\nc,2\n",
       "log.csv:3: 2 fields, but the header names 3 (quote a field that holds the separator)"},
      {"customer,time,item\nc,1,bread, white\n",
       "log.csv:2: 4 fields, but the header names 3 (quote a field that holds the separator)"},
      {"customer,when,item\n",
       "log.csv:1: no column named 'time' in the header; its columns are "
       "'customer', 'when', 'item'"},
      {"customer,time,item\nc,1,\"a\n", "log.csv:2: a quoted field is not closed"},
      {"customer,time,item\nc,1,\"a\"b\n", "log.csv:2: text after a closing quote"},
      {"customer,time,item\n,1,a\n", "log.csv:2: empty customer"},
      {"customer,time,item\nc,1, \n", "log.csv:2: empty item"},
      {"customer,time,item\nc,21-07-2015,a\n",
       "log.csv:2: bad time '21-07-2015'; give --time-format to read times written like "
       "'21-07-2015'"},
      {"customer,time,item\nc,1,a\"b\n", "log.csv:2: a quote inside an unquoted field"},
  };
  for (const auto& [text, error] : kRows) {
    EXPECT_EQ(error, testutil::InputErrorOf([&] { Read(text); })) << text;
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
