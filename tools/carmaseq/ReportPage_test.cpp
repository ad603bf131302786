// The report page and its pieces as text: escaping, locale-proof numbers, axis scales, the rule
// cap and the lattice links. What a browser makes of the page is checked in ReportBrowser_test.
#include "ReportPage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <sstream>

#include "HtmlText.h"
#include "LatticeDrawing.h"
#include "SvgScatterPlot.h"
#include "dictionary/SequenceDictionary.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "mining/DictionaryBuilder.h"

namespace carmaseq_cli {
namespace {

namespace seq = SEQUENCE_NAMESPACE_800;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(HtmlTextTest, EscapesMarkupAndControlCharactersAndKeepsUtf8) {
  const struct {
    std::string in, out;
  } cases[] = {{"a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&#39;"},
               {std::string("x\0y\x1b\x7f", 5), "x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD"},
               {"tab\tline\n\xC3\xA4", "tab\tline\n\xC3\xA4"}};
  for (const auto& c : cases) EXPECT_EQ(c.out, EscapeHtml(c.in)) << c.in;
}

TEST(HtmlTextTest, NumbersIgnoreACommaLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  std::locale::global(std::locale("de_DE.UTF-8"));
  const std::string fixed = Fixed(0.25, 4), shortened = Short(1.5), bad = Fixed(NAN, 1);
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ("0.2500", fixed);
  EXPECT_EQ("1.5", shortened);
  EXPECT_EQ("0.0", bad);
}

TEST(SvgScatterPlotTest, ScalesEndOnRoundTicksAroundTheData) {
  const struct {
    double low, high, first, last, step;
  } cases[] = {{0, 0.65, 0, 0.8, 0.2},
               {0.7, 1, 0.7, 1, 0.1},
               {0.3, 1, 0.2, 1, 0.2},
               {1, 1, 0.9, 1, 0.02},
               {0, 1700, 0, 2000, 500}};
  for (const auto& c : cases) {
    const AxisScale scale = NiceScale(c.low, c.high);
    EXPECT_NEAR(c.first, scale.first, 1e-12) << c.low << ".." << c.high;
    EXPECT_NEAR(c.last, scale.last, 1e-12) << c.low << ".." << c.high;
    EXPECT_NEAR(c.step, scale.step, 1e-12) << c.low << ".." << c.high;
  }
  EXPECT_EQ("#440154", CauseColour(-2));
  EXPECT_EQ("#440154", CauseColour(NAN));
  EXPECT_EQ("#21918c", CauseColour(0.5));
  EXPECT_EQ("#fde725", CauseColour(7));
}

// Four customers: three of (1)(2)(3), one of (1)(3). At support 0.5 every subsequence of
// (1)(2)(3) is held and there are four rules: (1) => (2) of confidence 0.75 and three of 1.
class ReportPageTest : public testing::Test {
 protected:
  ReportPageTest() {
    seq::SequenceDatabase db;
    for (int c = 0; c < 4; ++c) {
      db.StartCustomer();
      for (const std::int32_t item : {1, 2, 3}) {
        if (c != 3 || item != 2) db.AddItemSet(&item, 1, item);
      }
    }
    seq::MiningOptions options;
    options.minSupport = 0.5;
    dictionary_ = seq::BuildDictionary(db, options).dictionary;
    names_.Add(1, "<b>\"one\"&'");
    names_.Add(2, "two");
  }

  std::string Page(const ReportOptions& options) {
    std::ostringstream out;
    WriteReport(*dictionary_, &names_, options, out);
    return out.str();
  }

  std::unique_ptr<seq::SequenceDictionary> dictionary_;
  seq::ItemNameMap names_;
};

TEST_F(ReportPageTest, EscapesEveryNameAndTheTitle) {
  ReportOptions options;
  options.title = "<script>x</script>";
  options.provenance = {{"input", "a<b.csv"}};
  const std::string page = Page(options);
  EXPECT_EQ(1, Count(page, "<script>")) << "only the page's own script";
  EXPECT_EQ(0, Count(page, "<b>"));
  EXPECT_EQ(0, Count(page, "a<b.csv"));
  EXPECT_LT(3, Count(page, "&lt;b&gt;&quot;one&quot;&amp;&#39;"));
  EXPECT_NE(std::string::npos, page.find("<span class=\"item\">3</span>")) << "ids without names";
}

TEST_F(ReportPageTest, ShowsAtMostMaxRulesAndSaysHowManyAreLeftOut) {
  const struct {
    std::size_t maxRules;
    int shown;
    const char* sentence;
  } cases[] = {{0, 4, "All 4 rules with confidence at least 0 are shown"},
               {1, 1, "3 more of the 4 rules"},
               {4, 4, "All 4 rules"}};
  for (const auto& c : cases) {
    ReportOptions options;
    options.maxRules = c.maxRules;
    const std::string page = Page(options);
    EXPECT_EQ(c.shown, Count(page, "<tr data-i=")) << c.maxRules;
    EXPECT_EQ(c.shown, Count(page, "<circle class=\"pt\"")) << c.maxRules;
    EXPECT_NE(std::string::npos, page.find(c.sentence)) << c.maxRules;
    EXPECT_NE(std::string::npos, page.find("0.7: 1; 0.8: 0; 0.9: 3;")) << "every rule counted";
  }
  ReportOptions strict;
  strict.minConfidence = 0.8;
  EXPECT_EQ(3, Count(Page(strict), "<tr data-i="));
}

TEST_F(ReportPageTest, LatticeLinksTheStrongestSequencesToTheirDrawnExtensions) {
  const std::vector<LatticeNode> nodes = StrongestSequences(*dictionary_, nullptr, 4);
  ASSERT_EQ(4u, nodes.size());
  const struct {
    const char* text;
    int count, extensions;
    std::vector<std::size_t> children;
  } expected[] = {{"(1)", 4, 2, {2}}, {"(3)", 4, 2, {2}}, {"(1)(3)", 4, 1, {}}, {"(2)", 3, 2, {}}};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(expected[i].text, nodes[i].text) << i;
    EXPECT_EQ(expected[i].count, nodes[i].count) << i;
    EXPECT_EQ(expected[i].extensions, nodes[i].extensions) << i;
    EXPECT_EQ(expected[i].children, nodes[i].children) << i;
  }
  std::ostringstream drawing;
  WriteLatticeDrawing(nodes, 4, drawing);
  EXPECT_EQ(2, Count(drawing.str(), "<path class=\"link\""));
}

}  // namespace
}  // namespace carmaseq_cli
