// Runs the built programs as a user would, on small files: the happy path once, then one table per
// group of edge cases (outputs, saved models, inputs, documents). Every row checks the exit
// status, a part of the message, and that every file that existed before the run is unchanged.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out;
  std::string err;
  double seconds;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One edge case: a shell command ($C runs carmaseq, $S carmaseq-score), its exit status, a text
// its standard error or output must hold, the files it may change, and an optional extra check.
struct Case {
  const char* command;
  int status;
  const char* message;
  std::vector<std::string> changes = {};
  std::function<void(const fs::path&)> check = nullptr;
};

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "carmaseq_program_XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }

  // Runs command (as in Case) in the work directory.
  Outcome Run(const std::string& command) const {
    const std::string line = "cd '" + dir_.string() + "' && C='" CARMASEQ_PROGRAM "' S='" +
                             ScoreProgram() + "' && " + command + " >.stdout 2>.stderr";
    const auto start = std::chrono::steady_clock::now();
    const int raw = std::system(line.c_str());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(Path(".stdout")),
                    Slurp(Path(".stderr")), seconds};
    fs::remove(Path(".stdout"));
    fs::remove(Path(".stderr"));
    return outcome;
  }

  static std::string ScoreProgram() {
#ifdef CARMASEQ_SCORE_PROGRAM
    return CARMASEQ_SCORE_PROGRAM;
#else
    return "false";
#endif
  }

  // Every regular file of the work directory with its bytes.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      if (entry.is_regular_file()) files[entry.path().lexically_relative(dir_)] = Slurp(entry);
    }
    return files;
  }

  void RunCases(const std::vector<Case>& cases) const {
    for (const Case& c : cases) {
      const auto before = Snapshot();
      const Outcome outcome = Run(c.command);
      EXPECT_EQ(c.status, outcome.status) << c.command << "\n" << outcome.err;
      EXPECT_NE(std::string::npos, (outcome.err + outcome.out).find(c.message))
          << c.command << ": " << outcome.err << outcome.out;
      const auto after = Snapshot();
      for (const auto& [name, bytes] : before) {
        bool mayChange = false;
        for (const std::string& changed : c.changes) mayChange |= name == changed;
        if (!mayChange) {
          EXPECT_TRUE(after.count(name) != 0 && after.at(name) == bytes)
              << c.command << " changed " << name;
        }
      }
      for (const auto& [name, bytes] : after) {
        EXPECT_EQ(std::string::npos, name.find(".tmp-")) << c.command << " left " << name;
        EXPECT_EQ(std::string::npos, name.find(".bak-")) << c.command << " left " << name;
      }
      if (c.check) c.check(dir_);
    }
  }

  // shop.txt (300 customers, ids), gen.tsv (their names), m.bin (a model with names), l.xml.
  void MakeShop() const {
    const Outcome made =
        Run("$C generate shop.txt --customers 300 --distinct-items 40 --patterns 8 --sets 4 "
            "--items 2 --seed 3 --item-map gen.tsv --quiet && $C mine shop.txt --names gen.tsv "
            "--min-support 0.1 --save m.bin --lattice l.xml --quiet");
    ASSERT_EQ(0, made.status) << made.err;
  }

  fs::path dir_;
};

TEST_F(ProgramTest, MineWritesEveryOutputAndTheQueriesReadTheSavedModel) {
  MakeShop();
  const Outcome mined =
      Run("$C mine shop.txt --names gen.tsv --min-support 0.1 --pmml r.pmml --lattice l2.xml "
          "--save m.xml --rules-csv r.csv --item-map m.tsv");
  ASSERT_EQ(0, mined.status) << mined.err;
  EXPECT_EQ("", mined.err) << "progress must stay off when standard error is not a terminal";
  EXPECT_NE(std::string::npos, Slurp(Path("r.pmml")).find("<SequenceModel"));
  EXPECT_EQ(Slurp(Path("l.xml")), Slurp(Path("l2.xml")));
  EXPECT_EQ(Slurp(Path("gen.tsv")), Slurp(Path("m.tsv")));
  EXPECT_EQ(0u, Slurp(Path("r.csv")).find("antecedent,consequent,support,confidence,cause\n"));

  const Outcome binary = Run("$C stats m.bin");
  const Outcome xml = Run("$C stats m.xml");
  ASSERT_EQ(0, binary.status) << binary.err;
  EXPECT_EQ(binary.out.substr(binary.out.find('\n')), xml.out.substr(xml.out.find('\n')));
  EXPECT_NE(std::string::npos, binary.out.find("customers:          300\n")) << binary.out;

  // The empty history predicts the most frequent items; the model's names are shown.
  const Outcome predicted = Run("$C predict m.bin --history '' --top 2");
  ASSERT_EQ(0, predicted.status) << predicted.err;
  std::smatch top;
  ASSERT_TRUE(std::regex_search(predicted.out, top, std::regex("1\\.0000  ([a-z][a-z ]*)\n")))
      << predicted.out;
  const Outcome found = Run("$C search m.bin --contains '(" + top[1].str() + ")'");
  ASSERT_EQ(0, found.status) << found.err;
  EXPECT_NE(std::string::npos, found.out.find("  (" + top[1].str() + ")\n")) << found.out;
}

TEST_F(ProgramTest, OutputsAppearWholeOrNotAtAll) {
  MakeShop();
  Write("old.pmml", "previous run");
  Write("records.csv", "id,sequence\na,(1)\n");
  Write("private.pmml", "mine");
  chmod(Path("private.pmml").c_str(), 0600);
  fs::create_symlink("private.pmml", Path("link.pmml"));
  fs::create_hard_link(Path("old.pmml"), Path("hard.pmml"));
  fs::create_directory(Path("dir"));
  const std::string mine = "$C mine shop.txt --min-support 0.2 ";
  RunCases({
      {(mine + "--pmml old.pmml --save dir").c_str(), 1, "dir: it is a directory"},
      {(mine + "--pmml old.pmml --item-map missing/m.tsv").c_str(), 1,
       "cannot write missing/m.tsv"},
      {(mine + "--pmml old.pmml --item-map ./shop.txt").c_str(), 2,
       "output ./shop.txt is the input shop.txt"},
      {(mine + "--pmml old.pmml --lattice hard.pmml").c_str(), 2,
       "outputs old.pmml and hard.pmml are the same file"},
      {(mine + "--pmml old.pmml --rules-csv /dev/full").c_str(), 1, "cannot write /dev/full"},
      {(mine + "--rules-csv - --quiet").c_str(), 0, "antecedent,consequent"},
      {(mine + "--pmml link.pmml --quiet").c_str(),
       0,
       "",
       {"private.pmml", "link.pmml"},
       [](const fs::path& dir) {
         EXPECT_TRUE(fs::is_symlink(dir / "link.pmml"));
         EXPECT_NE(std::string::npos, Slurp(dir / "private.pmml").find("<PMML"));
         struct stat info;
         ASSERT_EQ(0, stat((dir / "private.pmml").c_str(), &info));
         EXPECT_EQ(0600u, info.st_mode & 0777u);
       }},
      {"$S l.xml records.csv --output records.csv", 2, "is the input records.csv"},
      {"printf 'id,sequence\\na,(1)\\nb,(2),x\\n' | $S l.xml - --output old.pmml", 5, "line 3"},
      {"mkfifo f && (sleep 5 >f &) && { $S l.xml f --output old.pmml & pid=$!; sleep 2; "
       "kill -TERM $pid; wait $pid; }",
       128 + 15, ""},
  });
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ProgramTest, SavedModelsAreCheckedAndKeepTheirNames) {
  MakeShop();
  const std::string model = Slurp(Path("m.bin"));
  Write("cut.bin", model.substr(0, model.size() - 60));
  std::string flipped = model;
  flipped[model.size() / 3] ^= 4;
  Write("flip.bin", flipped);
  Write("wrong.tsv", "id\titem\n1\tmake up remover\n");
  Write("header.csv", "customer,time,item\n");
  RunCases({
      {"$C stats cut.bin", 1, "cut.bin: no model trailer"},
      {"$C rules flip.bin", 1, "flip.bin: damaged (checksum mismatch)"},
      {"$C rules l.xml", 1, "score it with carmaseq-score"},
      {"$C rules m.bin --names wrong.tsv", 1, "does not match the model's item names"},
      {"$C mine header.csv --min-support 0.1 --save x.bin", 1, "header.csv: no customers"},
      {"$C mine /dev/null --min-support 0.1 --save x.bin", 1, "/dev/null: no customers"},
      {"$C rules m.bin --top 1", 0, " => ("},
  });
  const Outcome rules = Run("$C rules m.bin --top 3");
  EXPECT_TRUE(std::regex_search(rules.out, std::regex("=> \\([a-z]+\\)"))) << rules.out;
}

TEST_F(ProgramTest, InputsAreReadAsWrittenOrRefusedWithTheirLine) {
  MakeShop();
  Write("comma.csv", "customer,time,item\nc,1,bread\nc,2,bread, white\n");
  Write("semi.csv",
        "\xEF\xBB\xBF"
        "customer;time;item\na;1;\"flower (seeds)\"\na;2;whole milk\nb;1;\"flower (seeds)\"\n"
        "b;2;whole milk\n");
  Write("dates.csv", "customer,time,item\na,21-07-2015,x\n");
  Write("long.txt", "(" + std::string(10000, 'x') + "\n");
  Write("nosequence.csv", "id,history\na,(1)\n");
  Write("records.csv", "id,sequence,maxReturn\na,(1),abc\n");
  Write("odd.csv", "id,sequence\na,165)\n");
  RunCases({
      {"$C mine comma.csv --min-support 0.5", 1, "comma.csv:3: 4 fields, but the header names 3"},
      {"$C mine semi.csv --min-support 0.5 --save s.bin --quiet", 0, "", {"s.bin"}},
      {"$C predict s.bin --history '(\"flower (seeds)\")'", 0, "  whole milk\n"},
      {"$C rules s.bin", 0, "(\"flower (seeds)\") => (whole milk)"},
      {"$C predict s.bin --history '(whole mlk)'", 1, "unknown item 'whole mlk'"},
      {"$C mine semi.csv --item-column product --min-support 0.5", 1,
       "its columns are 'customer', 'time', 'item'"},
      {"$C mine dates.csv --min-support 0.5", 1, "give --time-format"},
      {"$C mine shop.txt --min-support 0.1 --min-gap 5 --max-gap 2", 2,
       "--min-gap 5 is larger than --max-gap 2"},
      {"$C predict m.bin --input long.txt", 1, (std::string(99, 'x') + "...'").c_str()},
      {"$C predict m.bin --history '()'", 0, "(no prediction)"},
      {"$S l.xml nosequence.csv", 5, "line 1: the header names no field \"sequence\""},
      {"$S l.xml records.csv", 5, "line 2: maxReturn 'abc' is not a whole number"},
      {"$S l.xml odd.csv", 0, "line 2: warning: sequence '165)' holds no item set"},
      {"$S --bogus l.xml", 2, "unknown option --bogus"},
      {"$C mine shop.txt --min-support 1.5", 2, "option --min-support needs a number"},
  });
  const Outcome longLine = Run("$C predict m.bin --input long.txt");
  EXPECT_LT(longLine.err.size(), 400u);
}

#ifdef CARMASEQ_SCORE_PROGRAM
TEST_F(ProgramTest, DocumentEntitiesAreBoundedInSizeAndCount) {
  MakeShop();
  const std::string lattice = Slurp(Path("l.xml"));
  const std::size_t root = lattice.find("<SequentialAssociationLattice");
  const std::size_t header = lattice.find("description=\"") + 13;
  auto withEntities = [&](const std::string& subset, const std::string& reference) {
    std::string text = lattice;
    text.insert(header, reference);
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE SequentialAssociationLattice [" + subset + "]>\n" +
           text.substr(root);
  };
  std::string references;
  for (int i = 0; i < 5000; ++i) references += "&big;";
  Write("big.xml", withEntities("<!ENTITY big \"" + std::string(200000, 'a') + "\">", references));
  std::string laughs = "<!ENTITY l0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    std::string value;
    for (int k = 0; k < 10; ++k) value += "&l" + std::to_string(i - 1) + ";";
    laughs += "<!ENTITY l" + std::to_string(i) + " \"" + value + "\">";
  }
  Write("laughs.xml", withEntities(laughs, "&l9;"));
  Write("external.xml", withEntities("<!ENTITY ext SYSTEM \"/etc/hostname\">", "&ext;"));
  Write("records.csv", "id,sequence\na,(1)\n");
  RunCases({
      {"$S big.xml records.csv", 4, "entities would expand to more than"},
      {"$S laughs.xml records.csv", 4, "laughs.xml"},
      {"$S external.xml records.csv", 4, "external.xml"},
  });
  EXPECT_LT(Run("$S big.xml records.csv").seconds, 5.0);
}
#endif

}  // namespace
