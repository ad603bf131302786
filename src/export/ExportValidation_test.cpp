// Both documents checked by an independent reader, and their numbers under a comma-decimal
// locale. The dictionaries are mined from random customers, so the documents take many shapes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::SetList;

// Mines dictionary d of a fixed random family: counts every distinct subsequence of each random
// customer once (at most 8 items), prunes by count and builds the lattice, as the builder does.
// Returns its lattice document and its rules document.
std::pair<std::string, std::string> ExportRandom(int d) {
  std::mt19937 random(20240611 + d);
  SequenceDictionary dictionary(2 + d % 5);
  const int customers = 10 + d % 13;
  testutil::SetTotal(dictionary, customers);
  std::uniform_int_distribution<int> item(0, 4 + d % 7), count(1, 2), sets(1, 4);
  for (int c = 0; c < customers; ++c) {
    SetList customer;
    for (int s = sets(random), i = 0; i < s; ++i) {
      std::set<int> set;
      for (int n = count(random); n > 0; --n) set.insert(item(random));
      customer.emplace_back(set.begin(), set.end());
    }
    testutil::CountCustomer(dictionary, customer);
  }
  dictionary.reduceAll(1.0 + d % 4);
  EXPECT_TRUE(dictionary.buildLattice().IsOK());
  dictionary.setSlidingWindow(0.25 * d);
  dictionary.setMaxGap(1e20);
  std::ostringstream lattice, rules;
  EXPECT_TRUE(dictionary.ExportLatticeXML(lattice, 0.01 * d).IsOK());
  EXPECT_TRUE(dictionary
                  .ExportRulesXML(rules, 0.0, 1.0, 0.05 * (d % 3), 1.0, 0.0, 1.0, 3, 1.0 + 0.1 * d,
                                  "SCA"[d % 3], d % 4 == 3)
                  .IsOK());
  return {lattice.str(), rules.str()};
}

// Runs "xmllint --noout <options>" once over the documents, written to a fresh directory next
// to a copy of the lattice document type. Returns true iff xmllint accepts every document;
// *report receives its output.
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

// 40 random dictionaries with varied depth, thresholds and sort keys. The rules documents with at
// least one rule must meet the PMML schema, every lattice document (and the empty shell's) the
// lattice document type, which must in turn reject an unknown attribute.
TEST(ExportValidationTest, DocumentsValidate) {
  if (std::system("xmllint --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xmllint";
  std::vector<std::string> rules, lattices;
  for (int d = 0; d < 40; ++d) {
    auto [lattice, rule] = ExportRandom(d);
    lattices.push_back(lattice);
    if (rule.find("<SequenceRule ") != std::string::npos) rules.push_back(rule);
  }
  std::ostringstream shell;
  EXPECT_TRUE(SequenceDictionary().ExportLatticeXML(shell, 0.0).IsOK());
  lattices.push_back(shell.str());
  std::string report;
  const std::string dtd = "--dtdvalid '" CARMASEQ_SOURCE_DIR "/src/export/sequentiallattice.dtd'";
  EXPECT_TRUE(Xmllint(dtd, lattices, &report)) << report;
  lattices.resize(1);
  lattices[0].replace(lattices[0].find(" maxSequenceSize="), 1, " unknownAttribute=\"1\" ");
  EXPECT_FALSE(Xmllint(dtd, lattices, &report));
  EXPECT_NE(std::string::npos, report.find("unknownAttribute")) << report;

  const std::string schema = CARMASEQ_SHARED_DIR "/reference/pmml-3-2.xsd";
  if (!std::ifstream(schema)) GTEST_SKIP() << "no PMML 3.2 schema at " << schema;
  ASSERT_GE(rules.size(), 20u) << "too few random dictionaries yield rules";
  EXPECT_TRUE(Xmllint("--schema '" + schema + "'", rules, &report)) << report;
}

TEST(ExportLocaleTest, NumbersIgnoreACommaDecimalLocale) {
  const auto classic = ExportRandom(7);
  ASSERT_NE(std::string::npos, classic.second.find("avgNumberOfItemsPerTransaction=\"1.7\""));
  ASSERT_NE(std::string::npos, classic.second.find("value=\"1e+20\""));
  std::locale previous;
  try {
    previous = std::locale::global(std::locale("de_DE.UTF-8"));  // the C locale too
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "no de_DE locale installed (see install-deps.sh)";
  }
  const std::string point = std::localeconv()->decimal_point;
  const auto local = ExportRandom(7);
  std::locale::global(previous);
  EXPECT_EQ(",", point);
  EXPECT_EQ(classic, local);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
