// Importing patterns mined elsewhere.
#include "mining/SparkPatterns.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "gtest/gtest.h"
#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"
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
  EXPECT_EQ("(1 3)", imported.patterns.Text(1));  // in the mining order
  EXPECT_EQ(2, imported.patterns.count(1));
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

// JSON text of a name.
std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (const char c : name)
    out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

TEST(SparkPatternsTest, GroceriesPatternsWrittenAsPartFilesImportToTheMinedModel) {
  const std::string data = std::string(CARMASEQ_SHARED_DIR) + "/data/groceries/";
  std::ifstream spmf(data + "groceries.spmf.txt"), items(data + "groceries.items.tsv");
  if (!spmf || !items) GTEST_SKIP() << "shared data not found under " << data;
  SequenceDatabase db;
  ReadSpmf(spmf, "groceries.spmf.txt", &db);
  const ItemNameMap names = ItemNameMap::Load(items, "groceries.items.tsv");
  MiningOptions options;
  options.minSupport = 0.005;

  // The patterns with item names, dealt round the part files last to first.
  char folder[] = "/tmp/carmaseq-spark-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(folder));
  const std::string dir = folder;
  std::vector<std::string> lines;
  SequenceMiner(options).Mine(db, [&](const MinedSequence& found) {
    std::string sets;
    for (std::int32_t k = 0, i = 0; k < found.numSets; ++k) {
      sets += k > 0 ? ",[" : "[";
      for (; i < found.setEnds[k]; ++i) {
        sets += (i > (k > 0 ? found.setEnds[k - 1] : 0) ? "," : "") +
                Quoted(names.Label(found.items[i]));
      }
      sets += "]";
    }
    lines.push_back("{\"sequence\":[" + sets + "],\"freq\":" + std::to_string(found.count) + "}");
  });
  for (int part = 0; part < 3; ++part) {
    std::ofstream out(dir + "/part-0000" + std::to_string(part) + ".json");
    for (std::size_t i = lines.size() - 1 - part; i < lines.size(); i -= 3) out << lines[i] << "\n";
    std::ofstream(dir + "/.part-0000" + std::to_string(part) + ".json.crc") << "crc";
  }
  std::ofstream(dir + "/_SUCCESS");

  const ImportedPatterns imported = ReadSparkPatternPath(dir, &names);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(3417u, imported.patterns.size());
  EXPECT_NO_THROW(CheckImportedPatterns(imported, db.NumCustomers(), options.minSupport));

  SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  BuildResult mined = BuildDictionary(db, options);
  BuildResult built =
      BuildDictionaryFromPatterns(imported.patterns, db.NumCustomers(), options, settings);
  ASSERT_TRUE(mined.dictionary && built.dictionary);
  const DatabaseStats stats = db.Stats();
  std::ostringstream expected, actual;
  for (auto [result, out] : {std::pair{&mined, &expected}, std::pair{&built, &actual}}) {
    ASSERT_TRUE(result->dictionary->ExportLatticeXML(*out, options.minSupport).IsOK());
    ASSERT_TRUE(result->dictionary
                    ->ExportRulesXML(*out, options.minSupport, 1, 0, 1, 0, 1, stats.maxItemsPerSet,
                                     stats.avgItemsPerSet, 'C', false)
                    .IsOK());
  }
  EXPECT_TRUE(expected.str() == actual.str());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
