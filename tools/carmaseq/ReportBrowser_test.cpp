// Loads pages written by 'carmaseq report' in headless Chromium and checks the document after
// its script ran: the rules in plot, list and table, sorting and filtering driven through the
// address, the page without scripts, and a screenshot that shows something.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kShown = 60;  // the page's --top

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A table row as the browser left it: hidden or not, its measures (#, support, confidence,
// cause), its consequent's text and its items.
struct Row {
  bool hidden;
  std::vector<double> values;
  std::string consequent;
  std::vector<std::string> items;
};

std::vector<Row> Rows(const std::string& dom) {
  std::vector<Row> rows;
  const std::regex row("<tr data-i=\"\\d+\"([^>]*)>(.*?)</tr>"), value("data-v=\"([^\"]*)\"");
  const std::regex item("<span class=\"item\">([^<]*)</span>"), cell("<td>(.*?)</td>");
  for (std::sregex_iterator it(dom.begin(), dom.end(), row), end; it != end; ++it) {
    Row parsed{(*it)[1].str().find("hidden") != std::string::npos, {}, {}, {}};
    const std::string cells = (*it)[2];
    for (std::sregex_iterator v(cells.begin(), cells.end(), value); v != end; ++v) {
      parsed.values.push_back(std::stod((*v)[1]));
    }
    for (std::sregex_iterator i(cells.begin(), cells.end(), item); i != end; ++i) {
      parsed.items.push_back((*i)[1]);
    }
    std::sregex_iterator texts(cells.begin(), cells.end(), cell);
    if (texts != end && ++texts != end) parsed.consequent = (*texts)[1];
    rows.push_back(parsed);
  }
  return rows;
}

class ReportBrowserTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "carmaseq_report_XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    dir_ = new fs::path(pattern);
    Run("generate shop.txt --customers 300 --seed 5 --item-map items.tsv --quiet");
    Run("mine shop.txt --names items.tsv --min-support 0.1 --save model.bin --quiet");
    Run("report model.bin --names items.tsv --top " + std::to_string(kShown) + " -o report.html");
    Run("rules model.bin --top 1 > rules.txt");
    totalRules_ = std::stoi(Slurp(*dir_ / "rules.txt"));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
  }

  static void Run(const std::string& args) {
    const std::string command = "cd '" + dir_->string() + "' && '" CARMASEQ_PROGRAM "' " + args;
    ASSERT_EQ(0, std::system(command.c_str())) << command;
  }

  // Runs headless Chromium on page (with fragment) and returns its standard output. Fails the
  // test on any console message, which includes every uncaught script error.
  static std::string Browse(const std::string& options, const std::string& fragment,
                            const std::string& page = "report.html") {
    const fs::path profile = *dir_ / "profile", log = *dir_ / "browser.log";
    fs::remove_all(profile);
    const std::string command =
        "'" CARMASEQ_CHROMIUM
        "' --headless --no-sandbox --disable-gpu --disable-quic "
        "--no-first-run --disable-background-networking --disable-component-update "
        "--disable-sync --enable-logging=stderr --v=0 --user-data-dir='" +
        profile.string() + "' " + options + " 'file://" + (*dir_ / page).string() + fragment +
        "' >'" + (*dir_ / "dom.html").string() + "' 2>'" + log.string() + "'";
    EXPECT_EQ(0, std::system(command.c_str())) << command << "\n" << Slurp(log);
    const std::string messages = Slurp(log);
    EXPECT_EQ(std::string::npos, messages.find(":CONSOLE")) << messages;
    return Slurp(*dir_ / "dom.html");
  }

  // The page after its script ran, which must have reported no error.
  static std::string Dom(const std::string& fragment) {
    const std::string dom = Browse("--dump-dom", fragment);
    EXPECT_NE(std::string::npos, dom.find("data-script=\"ready\"")) << fragment;
    EXPECT_NE(std::string::npos, dom.find("<pre id=\"script-errors\" hidden=\"\"></pre>"))
        << dom.substr(dom.find("id=\"script-errors\""), 400);
    return dom;
  }

  static fs::path* dir_;
  static int totalRules_;
};

fs::path* ReportBrowserTest::dir_ = nullptr;
int ReportBrowserTest::totalRules_ = 0;

TEST_F(ReportBrowserTest, PlotListAndTableHoldTheShownRulesAndThePageCountsTheRest) {
  ASSERT_GT(totalRules_, kShown) << "the data must have more rules than the page shows";
  const std::string dom = Dom("");
  EXPECT_EQ(kShown, static_cast<int>(Rows(dom).size()));
  EXPECT_EQ(kShown, Count(dom, "<circle class=\"pt\""));
  const auto list = dom.find("<ol id=\"point-list\">");
  ASSERT_NE(std::string::npos, list);
  EXPECT_EQ(kShown, Count(dom.substr(list, dom.find("</ol>", list) - list), "<li>"));
  EXPECT_NE(std::string::npos, dom.find(std::to_string(totalRules_ - kShown) + " more of the " +
                                        std::to_string(totalRules_) + " rules"));
}

TEST_F(ReportBrowserTest, SortsByEveryMeasureThroughTheAddress) {
  const struct {
    const char* fragment;
    std::size_t column;  // in Row::values
    bool descending;
  } cases[] = {{"#sort=confidence", 2, true},
               {"#sort=support", 1, true},
               {"#sort=cause&dir=asc", 3, false},
               {"#sort=number&dir=desc", 0, true}};
  for (const auto& c : cases) {
    const std::vector<Row> rows = Rows(Dom(c.fragment));
    ASSERT_EQ(kShown, static_cast<int>(rows.size())) << c.fragment;
    std::vector<double> column;
    for (const Row& row : rows) column.push_back(row.values.at(c.column));
    if (c.descending) std::reverse(column.begin(), column.end());
    EXPECT_TRUE(std::is_sorted(column.begin(), column.end())) << c.fragment;
    if (c.descending) {
      EXPECT_EQ(*std::max_element(column.begin(), column.end()), column.back()) << c.fragment;
    }
  }
}

TEST_F(ReportBrowserTest, SortsByTextColumnsIntoRunsOfEqualText) {
  const std::string dom = Dom("#sort=consequent");
  EXPECT_NE(std::string::npos, dom.find("data-col=\"consequent\" aria-sort=\"ascending\""));
  std::vector<std::string> seen;
  for (const Row& row : Rows(dom)) {
    if (!seen.empty() && seen.back() == row.consequent) continue;
    EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), row.consequent))
        << row.consequent << " appears in two runs";
    seen.push_back(row.consequent);
  }
}

TEST_F(ReportBrowserTest, FilterHidesExactlyTheRulesWithoutTheItem) {
  const std::vector<Row> all = Rows(Dom(""));
  const std::string item = all.at(kShown / 2).items.at(0);
  const std::string dom = Dom("#filter=" + std::regex_replace(item, std::regex(" "), "%20"));
  int shown = 0;
  for (const Row& row : Rows(dom)) {
    const bool has = std::any_of(row.items.begin(), row.items.end(), [&](const std::string& i) {
      return i.find(item) != std::string::npos;
    });
    EXPECT_EQ(has, !row.hidden) << item;
    shown += has ? 1 : 0;
  }
  EXPECT_GT(shown, 0);
  EXPECT_EQ(kShown - shown, Count(dom, "class=\"pt faded\""));
  EXPECT_NE(std::string::npos,
            dom.find(std::to_string(shown) + " of " + std::to_string(kShown) + " rules shown"));
}

TEST_F(ReportBrowserTest, ReadsWithoutScripts) {
  // The browser's own switch for scripts also stops --dump-dom, so the page loses its script.
  const std::string page = Slurp(*dir_ / "report.html");
  const auto script = page.find("<script>");
  ASSERT_NE(std::string::npos, script);
  std::ofstream(*dir_ / "static.html") << page.substr(0, script) << "</body></html>";
  const std::string dom = Browse("--dump-dom", "", "static.html");
  EXPECT_EQ(kShown, static_cast<int>(Rows(dom).size()));
  EXPECT_NE(std::string::npos, dom.find("<div id=\"controls\" hidden=\"\">"));
  EXPECT_NE(std::string::npos, dom.find("strongest sequences</h2>"));
}

TEST_F(ReportBrowserTest, ScreenshotShowsMoreThanAnEmptyPage) {
  Browse("--window-size=1000,900 --screenshot='" + (*dir_ / "page.png").string() + "'", "");
  const std::string page = Slurp(*dir_ / "page.png");
  ASSERT_EQ(0u, page.find("\x89PNG")) << "no PNG written";
  // An empty page compresses to a few kilobytes; text and charts do not.
  std::ofstream(*dir_ / "empty.html") << "<!DOCTYPE html><title>empty</title>";
  Browse("--window-size=1000,900 --screenshot='" + (*dir_ / "empty.png").string() + "'", "",
         "empty.html");
  EXPECT_GT(page.size(), 4 * fs::file_size(*dir_ / "empty.png"));
}

}  // namespace
