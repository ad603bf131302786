// carmaseq search: the held sequences that contain, begin with or end with a given one.
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "QueryModel.h"
#include "StatusCheck.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

struct Found {
  std::int32_t count;
  std::string text;
};

// Runs the chosen search and returns the results, most frequent first (then by text).
std::vector<Found> Search(QueryModel& model, const std::string& mode, const seq::Sequence& query,
                          int minCount, int maxCount) {
  std::set<seq::Sequence*> found;
  seq::SequenceDictionary& dictionary = *model.dictionary;
  QxCommon_940::QxStatus status;
  if (mode == "contains") status = dictionary.FindSequences(&query, found, minCount, maxCount);
  if (mode == "begins") {
    status = dictionary.FindSequencesBeginning(&query, found, minCount, maxCount);
  }
  if (mode == "ends") status = dictionary.FindSequencesEnding(&query, found, minCount, maxCount);
  std::vector<Found> results;
  for (seq::Sequence* sequence : found) {
    const seq::SequenceCounter* counter = dictionary.getDescriptor(sequence);
    results.push_back(
        {counter != nullptr ? counter->getCount() : 0, model.text().Sequence(*sequence)});
    delete sequence;
  }
  CheckStatus(status, "searching");
  std::sort(results.begin(), results.end(), [](const Found& a, const Found& b) {
    return a.count != b.count ? a.count > b.count : a.text < b.text;
  });
  return results;
}

// Which of --contains, --begins and --ends was given. Exactly one must be.
std::string SearchMode(const ParsedArgs& args) {
  std::string mode;
  for (const char* name : {"contains", "begins", "ends"}) {
    if (!args.Has(name)) continue;
    if (!mode.empty()) throw UsageError("give only one of --contains, --begins and --ends");
    mode = name;
  }
  if (mode.empty())
    throw UsageError("give --contains, --begins or --ends; see 'carmaseq search --help'");
  return mode;
}

}  // namespace

CommandDef SearchDef() {
  CommandDef def;
  def.name = "search";
  def.synopsis = "MODEL (--contains | --begins | --ends) TEXT [options]";
  def.summary =
      "Lists the held sequences that contain the given sequence (each of its item sets inside "
      "one of theirs, in order), begin with it or end with it, most frequent first.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      NamesOption(),
      {"contains", "TEXT", "sequences containing TEXT, such as \"(bread)(milk)\""},
      {"begins", "TEXT", "sequences whose first item sets contain those of TEXT"},
      {"ends", "TEXT", "sequences whose last item sets contain those of TEXT"},
      {"min-count", "N", "only sequences of at least N customers (default 1)"},
      {"max-count", "N", "only sequences of at most N customers"},
      {"top", "N", "show the first N results (default 50; 0 = all)"},
  };
  def.details = ModelDetails();
  return def;
}

int RunSearch(const ParsedArgs& args, const Console& console) {
  const std::string mode = SearchMode(args);
  const int minCount = static_cast<int>(args.GetInt("min-count", 1, 0, INT32_MAX));
  const int maxCount = static_cast<int>(args.GetInt("max-count", INT32_MAX, 0, INT32_MAX));
  const auto top = static_cast<std::size_t>(args.GetInt("top", 50, 0, INT32_MAX));
  const auto model = LoadQueryModel(args);
  seq::Sequence query;
  model->text().Parse(args.Get(mode), &query);
  const std::vector<Found> results = Search(*model, mode, query, minCount, maxCount);
  const double total = model->dictionary->getTotalCount();
  console.out << results.size() << " sequences "
              << (mode == "contains" ? "containing "
                  : mode == "begins" ? "beginning with "
                                     : "ending with ")
              << model->text().Sequence(query) << "\n   count  support  sequence\n";
  for (std::size_t i = 0; i < results.size() && (top == 0 || i < top); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%8d   %.4f  ", results[i].count,
                  total > 0 ? results[i].count / total : 0.0);
    console.out << line << results[i].text << "\n";
  }
  return kExitOk;
}

}  // namespace carmaseq_cli
