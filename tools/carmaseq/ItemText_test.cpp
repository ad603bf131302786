#include "ItemText.h"

#include <gtest/gtest.h>

#include "Errors.h"
#include "input/ItemNameMap.h"
#include "sequence/Sequence.h"

namespace carmaseq_cli {
namespace {

namespace seq = SEQUENCE_NAMESPACE_800;

class ItemTextTest : public testing::Test {
 protected:
  void SetUp() override {
    names_.Add(1, "whole milk");
    names_.Add(2, "bread");
    names_.Add(3, "soda");
    names_.Add(4, "flower (seeds)");
    names_.Add(5, "say \"hi\", now");
    names_.Add(7, "42");  // a name that looks like an id: the name wins
  }

  std::string RoundTrip(const std::string& history) const {
    seq::Sequence sequence;
    text_.Parse(history, &sequence);
    return text_.Sequence(sequence);
  }

  seq::ItemNameMap names_;
  ItemText text_{&names_};
};

TEST_F(ItemTextTest, ReadsNamesIdsAndBothSeparators) {
  const struct {
    const char* typed;
    const char* shown;
  } rows[] = {
      {"(whole milk, bread)(soda)", "(whole milk, bread)(soda)"},
      {"  ( bread ,whole milk ) ( 3 ) ", "(whole milk, bread)(soda)"},
      {"(whole milk)", "(whole milk)"},  // one name with a blank, no comma
      {"(2 3)(1)", "(bread, soda)(whole milk)"},
      {"(42)(9)", "(42)(9)"},  // "42" names item 7; 9 has no name and stays an id
      {"(bread, bread)", "(bread)"},
      {"", "()"},
      {"()(bread)()", "()(bread)()"},  // empty item sets stay, as the plug-in keeps them
      {"(\"flower (seeds)\", whole milk)", "(whole milk, \"flower (seeds)\")"},
      {"( \"say \"\"hi\"\", now\" )(\"bread\")", "(\"say \"\"hi\"\", now\")(bread)"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.shown, RoundTrip(row.typed)) << row.typed;

  seq::Sequence sequence;
  text_.Parse("(42)", &sequence);
  EXPECT_EQ(7, *sequence[0].Begin());
}

TEST_F(ItemTextTest, RejectsMalformedHistoriesNamingTheItemAsTyped) {
  const struct {
    const char* typed;
    const char* message;
  } rows[] = {
      {"bread", "expected '('"},
      {"(bread", "missing ')'"},
      {"(bread)x", "expected '('"},
      {"(whole milk, butter)", "unknown item 'butter'"},
      {"(whole mlk)", "unknown item 'whole mlk'"},
      {"(flower (seeds))", "must be quoted"},
      {"(\"flower (seeds)", "not closed"},
      {"(\"9\")", "unknown item '9'"},  // quoted text is a name, never an id
      {"(bread,,soda)", "empty item"},
      {"(-1)", "unknown item '-1'"},
      {"(2147483648)", "unknown item"},
  };
  for (const auto& row : rows) {
    seq::Sequence sequence;
    try {
      text_.Parse(row.typed, &sequence);
      ADD_FAILURE() << row.typed << " accepted";
    } catch (const CommandError& error) {
      EXPECT_NE(std::string::npos, std::string(error.what()).find(row.message))
          << row.typed << ": " << error.what();
    }
  }
}

TEST(ItemTextWithoutNamesTest, ShowsAndReadsIds) {
  const ItemText text(nullptr);
  seq::Sequence sequence;
  text.Parse("(5, 3)(3)", &sequence);
  EXPECT_EQ("(3, 5)(3)", text.Sequence(sequence));
  EXPECT_THROW(text.Parse("(bread)", &sequence), CommandError);
}

}  // namespace
}  // namespace carmaseq_cli
