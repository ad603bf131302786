// Mines the running example of the sequence-mining literature (four customers, in ../shared) and
// compares the result with the frequent sequences that a widely used R package lists for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "InputFiles.h"
#include "ItemText.h"
#include "dictionary/SequenceDictionary.h"
#include "input/CsvReader.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "mining/DictionaryBuilder.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace carmaseq_cli {
namespace {

namespace seq = SEQUENCE_NAMESPACE_800;

const std::string kZakiDir = std::string(CARMASEQ_SHARED_DIR) + "/data/zaki";

// "<{D},{B,F}>" or "{D}->{B,F}" in the saved R output becomes ItemText's "(D)(B, F)".
std::string FromRLabel(const std::string& label) {
  std::string text;
  bool inSet = false;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const char c = label[i];
    if (c == '{') text += '(', inSet = true;
    if (c == '}') text += ')', inSet = false;
    if (c == ',' && inSet) text += ", ";
    if (std::isalpha(static_cast<unsigned char>(c))) text += c;
  }
  return text;
}

// The output lines after the first command line that starts with `command` (the whole line
// when `whole` is set), up to the next prompt.
std::vector<std::string> BlockAfter(const std::vector<std::string>& lines,
                                    const std::string& command, bool whole) {
  std::vector<std::string> block;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (whole ? lines[i] != command : lines[i].rfind(command, 0) != 0) continue;
    for (std::size_t j = i + 1; j < lines.size() && lines[j].rfind(">", 0) != 0; ++j) {
      block.push_back(lines[j]);
    }
    break;
  }
  return block;
}

class ZakiMiningTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kZakiDir)) {
      GTEST_SKIP() << kZakiDir << " is absent: the shared data sets are not checked out";
    }
    std::ifstream in(kZakiDir + "/arulesSequences-tests-zaki.Rout.save");
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
  }

  // Rows of the data frame d1: "17 <{D},{B,F},{A}>    0.50 ..." with the support of each.
  std::map<std::string, double> ListedSupports() const {
    const std::regex row(R"(^\s*\d+\s+(<\S+>)\s+([0-9.]+)\s)");
    std::map<std::string, double> supports;
    std::smatch match;
    for (const std::string& line : BlockAfter(lines_, "> d1", true)) {
      if (std::regex_search(line, match, row)) supports[FromRLabel(match[1])] = std::stod(match[2]);
    }
    return supports;
  }

  // The quoted labels of labels(s1, setSep = "->", ...).
  std::vector<std::string> ListedLabels() const {
    const std::regex quoted("\"([^\"]+)\"");
    std::vector<std::string> labels;
    for (const std::string& line : BlockAfter(lines_, "> labels(s1", false)) {
      for (std::sregex_iterator it(line.begin(), line.end(), quoted), end; it != end; ++it) {
        labels.push_back(FromRLabel((*it)[1]));
      }
    }
    return labels;
  }

  // Every sequence the dictionary holds at support 0.4, as text, with its support.
  static std::map<std::string, double> Mine(const seq::SequenceDatabase& db,
                                            const seq::ItemNameMap& names) {
    seq::MiningOptions options;
    options.minSupport = 0.4;
    seq::BuildResult built = seq::BuildDictionary(db, options);
    EXPECT_TRUE(built.status.IsOK());
    std::map<std::string, double> mined;
    if (built.dictionary == nullptr) return mined;
    seq::SequenceDictionary& dictionary = *built.dictionary;
    const double total = dictionary.getTotalCount();
    for (int k = 1; k < dictionary.getNumberOfLevels(); ++k) {
      std::vector<const seq::Sequence*> sequences;
      EXPECT_TRUE(dictionary.getSequencesOfSize(sequences, k, false).IsOK());
      for (const seq::Sequence* sequence : sequences) {
        const double count = dictionary.getDescriptor(sequence)->getCount();
        mined[ItemText(&names).Sequence(*sequence)] = count / total;
        delete sequence;
      }
    }
    return mined;
  }

  std::vector<std::string> lines_;
};

TEST_F(ZakiMiningTest, SavedOutputListsEighteenSequencesWithSupports) {
  const std::map<std::string, double> listed = ListedSupports();
  const std::vector<std::string> labels = ListedLabels();
  ASSERT_EQ(18u, listed.size());
  ASSERT_EQ(18u, labels.size());
  for (const std::string& label : labels) EXPECT_EQ(1u, listed.count(label)) << label;
  EXPECT_EQ(0.5, listed.at("(D)(B, F)(A)"));
}

TEST_F(ZakiMiningTest, SpmfFileAtSupport04GivesTheListedSequencesAndSupports) {
  const seq::ItemNameMap names = LoadNames(kZakiDir + "/zaki.items.tsv");
  seq::SequenceDatabase db;
  ReadTransactions(kZakiDir + "/zaki.spmf.txt", InputFormat::kSpmf, seq::CsvOptions(), nullptr,
                   &db);
  ASSERT_EQ(4, db.NumCustomers());
  EXPECT_EQ(ListedSupports(), Mine(db, names));
}

// zaki.txt lists "customer time size items..." with real times; read as CSV it must give the
// same sequences (names are interned in a different order there).
TEST_F(ZakiMiningTest, TimedEventFileReadAsCsvGivesTheSameSequences) {
  std::ifstream in(kZakiDir + "/zaki.txt");
  std::ostringstream csv;
  csv << "customer,time,item\n";
  std::string customer, time, size, item;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    fields >> customer >> time >> size;
    while (fields >> item) csv << customer << ',' << time << ',' << item << '\n';
  }
  std::istringstream text(csv.str());
  seq::ItemNameMap names;
  seq::SequenceDatabase db;
  seq::ReadCsv(text, "zaki.csv", seq::CsvOptions(), &names, &db);
  ASSERT_EQ(4, db.NumCustomers());
  EXPECT_EQ(10u, db.NumItemSets());
  EXPECT_EQ(ListedSupports(), Mine(db, names));
}

}  // namespace
}  // namespace carmaseq_cli
