#include "EntityBound.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace carmaseq_score {
namespace {

// Past the reader's chunk, so that declarations and references straddle chunk boundaries.
const std::string kPadding(std::size_t{1} << 20, ' ');

std::int64_t FromStream(const std::string& xml) {
  std::istringstream in(xml);
  return EntityExpansionBytes(in);
}

TEST(EntityBoundTest, StreamGivesWhatTheWholeTextGives) {
  const std::string subset = "<!DOCTYPE r [<!ENTITY a \"12345\"><!ENTITY b \"&a;&a;\">]>";
  const struct {
    const char* what;
    std::string xml;
    std::int64_t bytes;
  } rows[] = {
      {"no document type", "<r>&a;</r>", 0},
      {"no internal subset", "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>", 0},
      {"subset without entities", "<!DOCTYPE r [<!ELEMENT r ANY>]><r>&a;</r>", 0},
      // b counts its own text (6 bytes) and what its references give (10).
      {"nested references", subset + "<r>&b;&a;x</r>", 21},
      {"declaration after a chunk of text",
       "<?xml version=\"1.0\"?>" + kPadding + subset + "<r>&b;</r>", 16},
      {"references past the first chunk", subset + "<r>" + kPadding + "&b;" + kPadding + "&a;</r>",
       21},
      {"subset spanning chunks", "<!DOCTYPE r [" + kPadding + "<!ENTITY a \"xy\">]><r>&a;</r>", 2},
      {"a cycle", "<!DOCTYPE r [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><r>&a;</r>", INT64_MAX},
      {"subset never closed", "<!DOCTYPE r [<!ENTITY a \"xy\">" + kPadding, 0},
      {"declaration never closed", "<!DOCTYPE r" + kPadding, 0},
      {"empty", "", 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.bytes, EntityExpansionBytes(row.xml)) << row.what;
    EXPECT_EQ(row.bytes, FromStream(row.xml)) << row.what;
  }
}

TEST(EntityBoundTest, ReadFailureGivesMinusOne) {
  std::istringstream in("<!DOCTYPE r [<!ENTITY a \"xy\">]><r>&a;</r>");
  in.setstate(std::ios::badbit);
  EXPECT_EQ(-1, EntityExpansionBytes(in));
}

}  // namespace
}  // namespace carmaseq_score
