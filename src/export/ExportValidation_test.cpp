// Both documents checked by an independent reader, and their numbers under a comma-decimal
// locale. The dictionaries are mined from random customers, so the documents take many shapes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::SetList;

// Counts every distinct subsequence of each customer once (a customer holds at most 8 items),
// then prunes by minCount and builds the lattice, as the builder does.
void Mine(SequenceDictionary& dictionary, std::mt19937& random, int customers, int alphabet,
          double minCount) {
  testutil::SetTotal(dictionary, customers);
  std::uniform_int_distribution<int> item(0, alphabet - 1), count(1, 2), sets(1, 4);
  for (int c = 0; c < customers; ++c) {
    std::vector<std::pair<int, int>> flat;  // (set index, item), ascending within a set
    for (int s = sets(random), i = 0; i < s; ++i) {
      std::set<int> set;
      for (int n = count(random); n > 0; --n) set.insert(item(random));
      for (int x : set) flat.emplace_back(i, x);
    }
    std::set<SetList> distinct;
    for (unsigned mask = 1; mask < (1u << flat.size()); ++mask) {
      std::map<int, std::vector<int>> bySet;
      for (size_t i = 0; i < flat.size(); ++i) {
        if (mask & (1u << i)) bySet[flat[i].first].push_back(flat[i].second);
      }
      SetList sub;
      for (auto& entry : bySet) sub.push_back(entry.second);
      distinct.insert(sub);
    }
    for (const SetList& sub : distinct) {
      testutil::Counted counted(sub);
      if (!dictionary.incrementCount(counted.sets(), counted.n()))
        testutil::Hold(dictionary, sub, 1);
    }
  }
  dictionary.reduceAll(minCount);
  dictionary.buildLattice();
}

struct Documents {
  std::vector<std::string> rules;  // only those with at least one rule
  std::vector<std::string> lattices;
};

// Exports 40 random dictionaries with varied depth, thresholds and sort keys; made once.
const Documents& RandomDocuments() {
  static const Documents documents = [] {
    std::mt19937 random(20240611);
    Documents made;
    for (int d = 0; d < 40; ++d) {
      SequenceDictionary dictionary(2 + d % 5);
      Mine(dictionary, random, 10 + d % 13, 5 + d % 7, 1.0 + d % 4);
      dictionary.setSlidingWindow(0.25 * d);
      std::ostringstream lattice, rules;
      dictionary.ExportLatticeXML(lattice, 0.01 * d);
      made.lattices.push_back(lattice.str());
      dictionary.ExportRulesXML(rules, 0.0, 1.0, 0.05 * (d % 3), 1.0, 0.0, 1.0, 3, 1.0 + 0.1 * d,
                                "SCA"[d % 3], d % 4 == 3);
      if (rules.str().find("<SequenceRule ") != std::string::npos) {
        made.rules.push_back(rules.str());
      }
    }
    return made;
  }();
  return documents;
}

// Runs "xmllint --noout <options>" once over all documents, written to a fresh directory next to
// a copy of the lattice document type (so that their SYSTEM identifier resolves). Returns true
// iff xmllint accepts every document; *report receives its output.
bool Xmllint(const std::string& options, const std::vector<std::string>& documents,
             std::string* report) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(testing::TempDir()) / ("carmaseq_export_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::copy_file(CARMASEQ_SOURCE_DIR "/src/export/sequentiallattice.dtd",
                dir / "sequentiallattice.dtd", fs::copy_options::overwrite_existing);
  std::string command = "xmllint --noout " + options;
  for (size_t i = 0; i < documents.size(); ++i) {
    const fs::path path = dir / (std::to_string(i) + ".xml");
    std::ofstream(path, std::ios::binary) << documents[i];
    command += " '" + path.string() + "'";
  }
  const int rc = std::system((command + " > '" + (dir / "log").string() + "' 2>&1").c_str());
  std::stringstream text;
  text << std::ifstream(dir / "log").rdbuf();
  *report = text.str();
  fs::remove_all(dir);
  return rc == 0;
}

class ExportValidationTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system("xmllint --version > /dev/null 2>&1") != 0) {
      GTEST_SKIP() << "xmllint is not installed; nothing validated";
    }
  }
  const std::string dtd_ = "--dtdvalid '" CARMASEQ_SOURCE_DIR "/src/export/sequentiallattice.dtd'";
};

TEST_F(ExportValidationTest, RulesDocumentsValidateAgainstThePmmlSchema) {
  const std::string schema = CARMASEQ_SHARED_DIR "/reference/pmml-3-2.xsd";
  if (!std::ifstream(schema)) GTEST_SKIP() << "no PMML 3.2 schema at " << schema;
  ASSERT_GE(RandomDocuments().rules.size(), 20u) << "too few random dictionaries yield rules";
  std::string report;
  EXPECT_TRUE(Xmllint("--schema '" + schema + "'", RandomDocuments().rules, &report)) << report;
}

TEST_F(ExportValidationTest, LatticeDocumentsValidateAgainstTheLatticeDtd) {
  std::vector<std::string> lattices = RandomDocuments().lattices;
  // The edge shapes too: the empty shell, and an entry without a counter or count.
  SequenceDictionary shell, bare(4);
  testutil::Counted set({{2, 3}});
  bare.addSequence(set.sets(), set.n(), nullptr);
  for (SequenceDictionary* dictionary : {&shell, &bare}) {
    std::ostringstream out;
    dictionary->ExportLatticeXML(out, 0.0);
    lattices.push_back(out.str());
  }
  std::string report;
  EXPECT_TRUE(Xmllint(dtd_, lattices, &report)) << report;

  lattices.resize(1);
  lattices[0].replace(lattices[0].find(" maxSequenceSize="), 1, " unknownAttribute=\"1\" ");
  EXPECT_FALSE(Xmllint(dtd_, lattices, &report));
  EXPECT_NE(std::string::npos, report.find("unknownAttribute")) << report;
}

// Switches the C and C++ global locales to a comma-decimal locale while it lives.
struct CommaLocale {
  CommaLocale() : previousC(std::setlocale(LC_ALL, nullptr)) {
    try {
      std::locale::global(std::locale("de_DE.UTF-8"));
    } catch (const std::runtime_error&) {
      return;
    }
    active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() {
    std::locale::global(previousCpp);
    std::setlocale(LC_ALL, previousC.c_str());
  }

  std::locale previousCpp;
  std::string previousC;
  bool active = false;
};

std::vector<std::string> ExportFractions() {
  std::mt19937 random(7);
  SequenceDictionary dictionary(5);
  Mine(dictionary, random, 23, 5, 2.0);
  dictionary.setSlidingWindow(2.5);
  dictionary.setMaxGap(1e20);
  std::ostringstream lattice, rules;
  dictionary.ExportLatticeXML(lattice, 0.0);
  dictionary.ExportRulesXML(rules, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0, 3, 1.75, 'C', false);
  return {lattice.str(), rules.str()};
}

TEST(ExportLocaleTest, NumbersIgnoreACommaDecimalLocale) {
  const std::vector<std::string> classic = ExportFractions();
  ASSERT_NE(std::string::npos, classic[1].find("avgNumberOfItemsPerTransaction=\"1.75\""));
  ASSERT_NE(std::string::npos, classic[1].find("value=\"1e+20\""));
  CommaLocale locale;
  if (!locale.active) GTEST_SKIP() << "no de_DE locale installed (see install-deps.sh)";
  ASSERT_STREQ(",", std::localeconv()->decimal_point);
  EXPECT_EQ(classic, ExportFractions());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
