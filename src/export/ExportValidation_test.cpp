// Both documents checked by an independent reader: PMML documents against the PMML 3.2 schema,
// lattice documents against the lattice document type the library ships. The dictionaries are
// mined from random customers, so the documents take many shapes.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "export/export_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

using testutil::SetList;

struct Documents {
  std::vector<std::string> rules;  // each with at least one rule
  std::vector<std::string> lattices;
};

// Exports from small random dictionaries with varied depth, thresholds and sort keys.
Documents ExportRandomDictionaries(int count) {
  std::mt19937 random(20240611);
  Documents documents;
  const char sortKeys[] = {'S', 'C', 'A'};
  for (int d = 0; d < count; ++d) {
    const int levels = 2 + d % 5;
    SequenceDictionary dictionary(levels);
    std::vector<SetList> customers;
    const int n = 10 + d % 13;
    for (int c = 0; c < n; ++c) {
      customers.push_back(testutil::RandomCustomer(random, 4, 5 + d % 7, 2));
    }
    testutil::MineCustomers(dictionary, customers, 1.0 + d % 4);
    dictionary.setSlidingWindow(d % 3 == 0 ? 0.25 * d : 0.0);

    std::ostringstream lattice;
    EXPECT_TRUE(dictionary.ExportLatticeXML(lattice, 0.01 * d).IsOK());
    documents.lattices.push_back(lattice.str());

    std::ostringstream rules;
    const QxCommon_940::QxStatus status =
        dictionary.ExportRulesXML(rules, 0.0, 1.0, 0.05 * (d % 3), 1.0, 0.0, 1.0, 3, 1.0 + 0.1 * d,
                                  sortKeys[d % 3], d % 4 == 3);
    EXPECT_TRUE(status.IsOK());
    if (rules.str().find("<SequenceRule ") != std::string::npos) {
      documents.rules.push_back(rules.str());
    }
  }
  return documents;
}

class ExportValidationTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!testutil::HaveXmllint()) GTEST_SKIP() << "xmllint is not installed; nothing validated";
  }

  // The documents of 40 random dictionaries, made once for all tests.
  static const Documents& Random() {
    static const Documents documents = ExportRandomDictionaries(40);
    return documents;
  }
};

TEST_F(ExportValidationTest, RulesDocumentsValidateAgainstThePmmlSchema) {
  const std::string schema = testutil::PmmlSchemaPath();
  if (schema.empty()) {
    GTEST_SKIP() << "no PMML 3.2 schema at " << CARMASEQ_SHARED_DIR << "/reference";
  }
  const std::vector<std::string>& documents = Random().rules;
  ASSERT_GE(documents.size(), 20u) << "too few random dictionaries yield rules";
  std::string report;
  EXPECT_TRUE(testutil::Xmllint("--schema '" + schema + "'", documents, "pmml", &report)) << report;
}

TEST_F(ExportValidationTest, LatticeDocumentsValidateAgainstTheLatticeDtd) {
  std::vector<std::string> lattices = Random().lattices;
  // Also the edge shapes: the empty shell, and an entry without a counter or count.
  SequenceDictionary shell;
  std::ostringstream out;
  shell.ExportLatticeXML(out, 0.0);
  lattices.push_back(out.str());
  SequenceDictionary bare(4);
  testutil::Counted set({{2, 3}});
  bare.addSequence(set.sets(), set.n(), nullptr);
  out.str("");
  bare.ExportLatticeXML(out, 0.0);
  lattices.push_back(out.str());

  std::string report;
  EXPECT_TRUE(testutil::Xmllint("--dtdvalid '" + testutil::LatticeDtdPath() + "'", lattices,
                                "lattice", &report))
      << report;
}

TEST_F(ExportValidationTest, TheValidatorRejectsABrokenDocument) {
  std::vector<std::string> lattices = {Random().lattices[0]};
  const std::string::size_type stats = lattices[0].find(" maxSequenceSize=");
  ASSERT_NE(std::string::npos, stats);
  lattices[0].replace(stats, 1, " badAttribute=\"1\" ");
  std::string report;
  EXPECT_FALSE(testutil::Xmllint("--dtdvalid '" + testutil::LatticeDtdPath() + "'", lattices,
                                 "broken", &report));
  EXPECT_NE(std::string::npos, report.find("badAttribute")) << report;
}

// Switches the C and C++ global locales to a comma-decimal locale for the test's lifetime.
class CommaLocale {
 public:
  CommaLocale() : previousCpp_(std::locale()) {
    const char* current = std::setlocale(LC_ALL, nullptr);
    previousC_ = current != nullptr ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      try {
        std::locale::global(std::locale(name));
      } catch (const std::runtime_error&) {
        continue;
      }
      std::setlocale(LC_ALL, name);
      active_ = true;
      return;
    }
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  ~CommaLocale() {
    std::locale::global(previousCpp_);
    std::setlocale(LC_ALL, previousC_.c_str());
  }
  bool active() const { return active_; }

 private:
  std::locale previousCpp_;
  std::string previousC_;
  bool active_ = false;
};

Documents ExportFractions() {
  std::mt19937 random(7);
  SequenceDictionary dictionary(5);
  std::vector<SetList> customers;
  for (int c = 0; c < 23; ++c) customers.push_back(testutil::RandomCustomer(random, 4, 5, 2));
  testutil::MineCustomers(dictionary, customers, 2.0);
  dictionary.setSlidingWindow(2.5);
  dictionary.setMinGap(0.125);
  dictionary.setMaxGap(1e20);
  Documents documents;
  std::ostringstream out;
  dictionary.ExportLatticeXML(out, 0.0);
  documents.lattices.push_back(out.str());
  out.str("");
  dictionary.ExportRulesXML(out, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0, 3, 1.75, 'C', false);
  documents.rules.push_back(out.str());
  return documents;
}

TEST(ExportLocaleTest, NumbersIgnoreACommaDecimalLocale) {
  const Documents classic = ExportFractions();
  ASSERT_NE(std::string::npos, classic.rules[0].find("avgNumberOfItemsPerTransaction=\"1.75\""));
  ASSERT_NE(std::string::npos, classic.rules[0].find("value=\"1e+20\""));
  Documents comma;
  {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no de_DE locale installed (see install-deps.sh)";
    ASSERT_STREQ(",", std::localeconv()->decimal_point);
    comma = ExportFractions();
  }
  EXPECT_EQ(classic.rules[0], comma.rules[0]);
  EXPECT_EQ(classic.lattices[0], comma.lattices[0]);
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
