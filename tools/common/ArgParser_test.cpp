#include "ArgParser.h"

#include <gtest/gtest.h>

#include "Errors.h"

namespace carmaseq_cli {
namespace {

class ArgParserTest : public testing::Test {
 protected:
  ArgParserTest() {
    def_.name = "try";
    def_.synopsis = "INPUT";
    def_.summary = "Tries things.";
    def_.minPositional = 1;
    def_.maxPositional = 1;
    def_.options = {{"support", "FRACTION", "least share"},
                    {"history", "TEXT", "repeatable"},
                    {"quiet", "", "say nothing"}};
  }
  ParsedArgs Parse(std::vector<std::string> args) const { return ParseArgs(def_, args); }

  CommandDef def_;
};

TEST_F(ArgParserTest, TakesBothValueFormsFlagsAndRepeats) {
  const ParsedArgs args = Parse({"--support=0.25", "--history", "(a)", "--history", "--quiet",
                                 "--quiet", "--", "--odd-file-name"});
  EXPECT_EQ(0.25, args.GetDouble("support", 0, 0, 1));
  EXPECT_EQ((std::vector<std::string>{"(a)", "--quiet"}), args.GetAll("history"));
  EXPECT_TRUE(args.Has("quiet"));
  EXPECT_EQ((std::vector<std::string>{"--odd-file-name"}), args.positional());
}

TEST_F(ArgParserTest, RejectsWhatTheCommandDoesNotTake) {
  const std::vector<std::vector<std::string>> bad = {
      {"in.txt", "--bogus"},
      {"in.txt", "-x"},
      {"in.txt", "--quiet=yes"},
      {"in.txt", "--support"},
      {},
      {"a", "b"},
  };
  for (const auto& args : bad)
    EXPECT_THROW(Parse(args), UsageError) << testing::PrintToString(args);
  EXPECT_TRUE(Parse({"--help"}).helpRequested()) << "--help needs no positional argument";
}

TEST_F(ArgParserTest, NumbersMustBeWholeAndInRange) {
  for (const char* text : {"", "0.5x", "1.5", "-0.1", "nan", "inf", " 0.5"}) {
    const ParsedArgs args = Parse({"in", "--support", text});
    EXPECT_THROW(args.GetDouble("support", 0, 0, 1), UsageError) << text;
  }
  EXPECT_EQ(7, Parse({"in", "--support", "7"}).GetInt("support", 0, 0, 9));
  EXPECT_THROW(Parse({"in", "--support", "7.0"}).GetInt("support", 0, 0, 9), UsageError);
  EXPECT_EQ(3, Parse({"in"}).GetInt("support", 3, 0, 9)) << "absent gives the fallback";
}

TEST_F(ArgParserTest, HelpListsEveryOption) {
  const std::string help = FormatHelp(def_);
  EXPECT_EQ(0u, help.find("Usage: carmaseq try INPUT\n"));
  for (const char* text : {"--support FRACTION", "--history TEXT", "--quiet", "--help"}) {
    EXPECT_NE(std::string::npos, help.find(text)) << text;
  }
}

}  // namespace
}  // namespace carmaseq_cli
