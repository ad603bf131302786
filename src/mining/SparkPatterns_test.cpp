// Importing patterns mined elsewhere.
#include "mining/SparkPatterns.h"

#include <sstream>
#include <stdexcept>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "gtest/gtest.h"
#include "mining/DictionaryBuilder.h"
#include "mining/mining_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

ImportedPatterns Read(const std::string& text) {
  std::istringstream in(text);
  return ReadSparkPatterns(in, "p.json");
}

std::string LatticeOf(const BuildResult& built) {
  std::ostringstream out;
  EXPECT_NE(nullptr, built.dictionary);
  if (built.dictionary != nullptr) {
    EXPECT_TRUE(built.dictionary->ExportLatticeXML(out, 0).IsOK());
  }
  return out.str();
}

TEST(SparkPatternsTest, ImportedMiningResultBuildsTheMinedDictionary) {
  const SequenceDatabase db = testutil::MakeDatabase(
      {{{{1, 2}, {3}, {1}}}, {{{1}, {2, 3}}}, {{{2}, {1, 3}, {3}}}, {{{1, 2, 3}}}});
  MiningOptions options;
  options.minSupport = 0.5;
  std::string json;
  const auto mined = testutil::MineAll(db, options);
  for (const auto& [text, count] : mined) {
    std::string sets = text;  // "(1 2)(3)" -> [[1,2],[3]]
    std::string out = "[";
    for (char c : sets)
      out += c == '(' ? "[" : c == ')' ? "]," : c == ' ' ? "," : std::string(1, c);
    out.back() = ']';
    // Lines in reverse order, with the extra keys and blanks a writer may add.
    json = "{\"sequence\": " + out + ", \"freq\": " + std::to_string(count) +
           ", \"note\": {\"a\": [1, \"x\"]}}\n" + json;
  }
  const ImportedPatterns imported = Read(json + "\n");
  EXPECT_NO_THROW(CheckImportedPatterns(imported, db.NumCustomers(), options.minSupport));
  SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  EXPECT_EQ(LatticeOf(BuildDictionary(db, options)),
            LatticeOf(BuildDictionaryFromPatterns(imported.patterns, db.NumCustomers(), options,
                                                  settings)));
}

TEST(SparkPatternsTest, StringItemsBecomeNamesInByteOrder) {
  const ImportedPatterns imported = Read(
      "{\"sequence\":[[\"milk\"]],\"freq\":3}\n{\"sequence\":[[\"bread\"]],\"freq\":4}\n"
      "{\"sequence\":[[\"bread\",\"milk\"]],\"freq\":2}\n"
      "{\"sequence\":[[\"caf\\u00e9 (au lait)\"]],\"freq\":2}\n");
  EXPECT_EQ("bread", imported.names.Label(1));
  EXPECT_EQ("caf\xc3\xa9 (au lait)", imported.names.Label(2));
  EXPECT_EQ("milk", imported.names.Label(3));
  ASSERT_EQ(4u, imported.patterns.size());
  EXPECT_EQ("(1 3)", imported.patterns.Text(3));
  EXPECT_EQ(2, imported.patterns.count(3));
}

TEST(SparkPatternsTest, RefusesMalformedLines) {
  const char* const kBad[] = {
      "{\"sequence\":[[1]]}",                                              // no freq
      "{\"sequence\":[[1]],\"freq\":1.5}",                                 // not a whole number
      "{\"sequence\":[],\"freq\":1}",                                      // no item set
      "{\"sequence\":[[]],\"freq\":1}",                                    // empty set
      "{\"sequence\":[[1,1]],\"freq\":1}",                                 // repeated item
      "{\"sequence\":[[1]],\"freq\":0}",                                   // count below 1
      "{\"sequence\":[[1,\"a\"]],\"freq\":1}",                             // mixed items
      "{\"sequence\":[[1]],\"freq\":1} trailing",                          // text after the object
      "{\"sequence\":[[\"a]],\"freq\":1}",                                 // unterminated string
      "{\"sequence\":[[1]],\"freq\":1}\n{\"sequence\":[[1]],\"freq\":2}",  // given twice
  };
  for (const char* text : kBad) EXPECT_THROW(Read(text), SeqExceptions::InputError) << text;
}

TEST(SparkPatternsTest, RefusesSetsThatAreNotACompleteMiningResult) {
  const struct {
    const char* json;
    const char* message;
  } kCases[] = {
      {"{\"sequence\":[[1]],\"freq\":3}\n{\"sequence\":[[1],[2]],\"freq\":2}",
       "pattern (1)(2) lacks its sub-sequence (2)"},
      {"{\"sequence\":[[1]],\"freq\":3}\n{\"sequence\":[[2]],\"freq\":3}\n"
       "{\"sequence\":[[1,2]],\"freq\":2}\n{\"sequence\":[[1,2],[2]],\"freq\":2}",
       "pattern (1 2)(2) lacks its sub-sequence (2)(2)"},
      {"{\"sequence\":[[1]],\"freq\":1}", "below the minimum support's 2"},
      {"{\"sequence\":[[1]],\"freq\":9}", "more than the 4 customers"},
  };
  for (const auto& test : kCases) {
    try {
      CheckImportedPatterns(Read(test.json), 4, 0.5);
      ADD_FAILURE() << "accepted " << test.json;
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string::npos, std::string(error.what()).find(test.message)) << error.what();
    }
  }
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
