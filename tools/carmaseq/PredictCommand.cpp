// carmaseq predict: the items a customer with a given history is likely to take next.
#include <fstream>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "QueryModel.h"
#include "RuleText.h"
#include "sequence/Sequence.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

struct PredictSettings {
  bool current = false;
  bool wholeOnly = true;
  int top = 5;
};

void PredictOne(QueryModel& model, const PredictSettings& settings, const std::string& history,
                std::ostream& out) {
  const ItemText text = model.text();
  seq::Sequence sequence;
  text.Parse(history, &sequence);
  std::vector<seq::SeqConsequentDescriptor> items;
  const auto status =
      settings.current
          ? model.dictionary->GetCurrentItems(items, &sequence, settings.top)
          : model.dictionary->GetFutureItems(items, &sequence, settings.top, settings.wholeOnly);
  if (!status.IsOK()) throw std::bad_alloc();
  out << (settings.current ? "joining the last item set of " : "after ") << text.Sequence(sequence)
      << ":\n";
  PrintPredictions(items, text, out);
}

// Predicts for every non-blank line of path ("-" for standard input).
void PredictLines(QueryModel& model, const PredictSettings& settings, const std::string& path,
                  std::ostream& out) {
  std::ifstream file;
  if (path != "-") {
    file.open(path);
    if (!file) throw CommandError("cannot open " + path);
  }
  std::istream& in = path == "-" ? std::cin : file;
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    try {
      PredictOne(model, settings, line, out);
    } catch (const CommandError& error) {
      const std::string source = path == "-" ? "<stdin>" : path;
      throw CommandError(source + ":" + std::to_string(number) + ": " + error.what());
    }
  }
  if (in.bad()) throw CommandError("cannot read " + path);
}

}  // namespace

CommandDef PredictDef() {
  CommandDef def;
  def.name = "predict";
  def.synopsis = "MODEL (--history TEXT ... | --input FILE) [options]";
  def.summary =
      "Predicts the items a customer goes on to take, ranked by confidence: future items (in a "
      "later item set, the default) or current items (joining the newest item set).";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      NamesOption(),
      {"history", "TEXT", "a history such as \"(bread, milk)(butter)\"; may be repeated"},
      {"input", "FILE", "one history per line ('-' for standard input)"},
      {"current", "", "predict items joining the newest item set"},
      {"shortened", "", "also predict from the history without its newest item sets"},
      {"top", "N", "at most N items per history (default 5)"},
  };
  def.details =
      "A history is a list of item sets in parentheses, oldest first. Inside a set, items are\n"
      "separated by commas (or blanks when no comma is used); an item is a name of the model\n"
      "(or of --names) or an item id. A name holding parentheses, commas or quotes is typed in\n"
      "double quotes, as the tables show it: (\"flower (seeds)\", whole milk). \"()\" is one\n"
      "item set with no items, and predicts what carmaseq-score predicts for the sequence\n"
      "\"()\".\n" +
      ModelDetails();
  return def;
}

int RunPredict(const ParsedArgs& args, const Console& console) {
  if (!args.Has("history") && !args.Has("input")) {
    throw UsageError("give --history TEXT or --input FILE; see 'carmaseq predict --help'");
  }
  PredictSettings settings;
  settings.current = args.Has("current");
  settings.wholeOnly = !args.Has("shortened");
  settings.top = static_cast<int>(args.GetInt("top", 5, 0, INT32_MAX));
  const auto model = LoadQueryModel(args);
  for (const std::string& history : args.GetAll("history")) {
    PredictOne(*model, settings, history, console.out);
  }
  if (args.Has("input")) PredictLines(*model, settings, args.Get("input"), console.out);
  return kExitOk;
}

}  // namespace carmaseq_cli
