// Runs the built carmaseq program as a user would: generate, mine with every output, query the
// saved dictionary, and fail cleanly on bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CarmaseqProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "carmaseq_program_XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  // Runs "carmaseq ARGS" in the work directory.
  Outcome Run(const std::string& args) const {
    const std::string command = "cd '" + dir_.string() + "' && '" CARMASEQ_PROGRAM "' " + args +
                                " >stdout.txt 2>stderr.txt";
    const int raw = std::system(command.c_str());
    Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(Path("stdout.txt")),
                    Slurp(Path("stderr.txt"))};
    fs::remove(Path("stdout.txt"));
    fs::remove(Path("stderr.txt"));
    return outcome;
  }

  // Names of files in the work directory that look like unfinished outputs.
  std::string LeftoverTemporaries() const {
    std::string found;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name.find(".tmp-") != std::string::npos) found += name + " ";
    }
    return found;
  }

  void Generate() const {
    const Outcome generated =
        Run("generate shop.txt --customers 300 --distinct-items 40 --patterns 8 --sets 4 --items 2 "
            "--seed 3 --item-map gen.tsv --quiet");
    ASSERT_EQ(0, generated.status) << generated.err;
  }

  fs::path dir_;
};

TEST_F(CarmaseqProgramTest, MineWritesEveryOutputAndTheQueriesReadTheSavedDictionary) {
  Generate();
  const Outcome mined =
      Run("mine shop.txt --names gen.tsv --min-support 0.1 --pmml r.pmml --lattice l.xml "
          "--save m.bin --rules-csv r.csv --item-map m.tsv");
  ASSERT_EQ(0, mined.status) << mined.err;
  EXPECT_EQ("", mined.err) << "progress must stay off when standard error is not a terminal";
  EXPECT_NE(std::string::npos, mined.out.find("mined ")) << mined.out;
  EXPECT_NE(std::string::npos, Slurp(Path("r.pmml")).find("<SequenceModel"));
  EXPECT_NE(std::string::npos, Slurp(Path("l.xml")).find("<SequentialAssociationLattice"));
  EXPECT_EQ(Slurp(Path("gen.tsv")), Slurp(Path("m.tsv")));
  EXPECT_EQ(0u, Slurp(Path("r.csv")).find("antecedent,consequent,support,confidence,cause\n"));
  EXPECT_EQ("", LeftoverTemporaries());

  ASSERT_EQ(0, Run("mine shop.txt --names gen.tsv --min-support 0.1 --save m.xml --quiet").status);
  const Outcome binary = Run("stats m.bin");
  const Outcome xml = Run("stats m.xml");
  ASSERT_EQ(0, binary.status) << binary.err;
  EXPECT_EQ(binary.out.substr(binary.out.find('\n')), xml.out.substr(xml.out.find('\n')));
  EXPECT_NE(std::string::npos, binary.out.find("customers:          300\n")) << binary.out;

  const Outcome rules = Run("rules m.bin --names gen.tsv --top 3");
  ASSERT_EQ(0, rules.status) << rules.err;
  EXPECT_NE(std::string::npos, rules.out.find(" => (")) << rules.out;
  // The empty history predicts the most frequent items; names, not ids, are shown.
  const Outcome predicted = Run("predict m.bin --names gen.tsv --history '()' --top 2");
  ASSERT_EQ(0, predicted.status) << predicted.err;
  std::smatch top;
  ASSERT_TRUE(std::regex_search(predicted.out, top, std::regex("1\\.0000  ([a-z][a-z ]*)\n")))
      << predicted.out;
  const Outcome found = Run("search m.bin --names gen.tsv --contains '(" + top[1].str() + ")'");
  ASSERT_EQ(0, found.status) << found.err;
  EXPECT_NE(std::string::npos, found.out.find("  (" + top[1].str() + ")\n")) << found.out;
}

TEST_F(CarmaseqProgramTest, MalformedLineNamesFileAndLineAndLeavesOutputsUntouched) {
  std::ofstream(Path("bad.txt")) << "1 2 -1 3 -2\n4 -1 -2\n5 x -1 -2\n";
  std::ofstream(Path("old.pmml")) << "previous run";
  const Outcome failed = Run("mine bad.txt --min-support 0.5 --pmml old.pmml --save new.bin");
  EXPECT_EQ(1, failed.status);
  EXPECT_EQ(0u, failed.err.find("carmaseq: bad.txt:3: ")) << failed.err;
  EXPECT_EQ("previous run", Slurp(Path("old.pmml")));
  EXPECT_FALSE(fs::exists(Path("new.bin")));
  EXPECT_EQ("", LeftoverTemporaries());
}

TEST_F(CarmaseqProgramTest, FailedOutputLeavesNoOtherOutputBehind) {
  Generate();
  const Outcome failed =
      Run("mine shop.txt --min-support 0.2 --pmml ok.pmml --item-map missing-dir/m.tsv");
  EXPECT_EQ(1, failed.status);
  EXPECT_NE(std::string::npos, failed.err.find("missing-dir/m.tsv")) << failed.err;
  EXPECT_FALSE(fs::exists(Path("ok.pmml")));
  EXPECT_EQ("", LeftoverTemporaries());
}

TEST_F(CarmaseqProgramTest, UsageErrorsExitWithTwoAndFailuresWithOne) {
  Generate();
  const struct {
    const char* args;
    int status;
    const char* message;
  } cases[] = {
      {"", 2, "Usage: carmaseq COMMAND"},
      {"frobnicate", 2, "carmaseq: unknown command 'frobnicate'"},
      {"mine shop.txt", 2, "carmaseq: option --min-support is required"},
      {"mine shop.txt --min-support 1.5", 2, "carmaseq: option --min-support needs a number"},
      {"mine shop.txt --min-support 0.1 --bogus", 2, "carmaseq: unknown option --bogus"},
      {"mine shop.txt --min-support 0.1 --format xls", 2, "needs one of spmf|csv"},
      {"mine nowhere.txt --min-support 0.1", 1, "carmaseq: cannot open nowhere.txt"},
      {"stats shop.txt", 1, "carmaseq: shop.txt: "},
      {"predict gen.tsv", 2, "give --history TEXT or --input FILE"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run(c.args);
    EXPECT_EQ(c.status, outcome.status) << c.args;
    EXPECT_NE(std::string::npos, outcome.err.find(c.message)) << c.args << ": " << outcome.err;
  }
}

TEST_F(CarmaseqProgramTest, QueryCommandsPointLatticeDocumentsToTheScoringProgram) {
  Generate();
  ASSERT_EQ(0, Run("mine shop.txt --min-support 0.2 --lattice l.xml --quiet").status);
  const Outcome outcome = Run("rules l.xml");
  EXPECT_EQ(1, outcome.status);
  EXPECT_NE(std::string::npos, outcome.err.find("carmaseq-score")) << outcome.err;
}

}  // namespace
