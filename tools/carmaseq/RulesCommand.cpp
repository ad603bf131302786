// carmaseq rules: the sequential association rules of a saved dictionary.
#include <ostream>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "QueryModel.h"
#include "RuleText.h"
#include "RulesCsvWriter.h"
#include "StatusCheck.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

CommandDef RulesDef() {
  CommandDef def;
  def.name = "rules";
  def.synopsis = "MODEL [options]";
  def.summary =
      "Lists the rules 'antecedent => consequent' of a saved dictionary: every held sequence of "
      "two or more item sets gives the rule whose consequent is its last item set. Bands are "
      "inclusive; support is a share of all customers.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      NamesOption(),
      {"min-support", "FRACTION", "default 0"},
      {"max-support", "FRACTION", "default 1"},
      {"min-confidence", "FRACTION", "default 0"},
      {"max-confidence", "FRACTION", "default 1"},
      {"min-cause", "FRACTION", "share of the consequent's customers the rule covers; default 0"},
      {"max-cause", "FRACTION", "default 1"},
      {"sort", "MEASURE", "support, confidence (default) or cause, highest first"},
      {"maximal", "", "only rules of sequences that no held sequence extends"},
      {"top", "N", "show the first N rules (default 20; 0 = all)"},
      {"csv", "", "write every rule as CSV instead of a table"},
  };
  def.details = ModelDetails();
  return def;
}

int RunRules(const ParsedArgs& args, const Console& console) {
  const double minSupport = args.GetDouble("min-support", 0, 0, 1);
  const double maxSupport = args.GetDouble("max-support", 1, 0, 1);
  const double minConfidence = args.GetDouble("min-confidence", 0, 0, 1);
  const double maxConfidence = args.GetDouble("max-confidence", 1, 0, 1);
  const double minCause = args.GetDouble("min-cause", 0, 0, 1);
  const double maxCause = args.GetDouble("max-cause", 1, 0, 1);
  const char sortBy =
      SortLetter(args.GetChoice("sort", {"support", "confidence", "cause"}, "confidence"));
  const auto top = static_cast<std::size_t>(args.GetInt("top", 20, 0, INT32_MAX));

  const auto model = LoadQueryModel(args);
  std::vector<seq::SeqAssociationRule> rules;
  const auto status =
      model->dictionary->GetRules(rules, minSupport, maxSupport, minConfidence, maxConfidence,
                                  minCause, maxCause, sortBy, args.Has("maximal"));
  CheckStatus(status, "finding rules");
  if (args.Has("csv")) {
    WriteRulesCsv(rules, model->text(), console.out);
    return kExitOk;
  }
  console.out << rules.size() << " rules";
  if (top != 0 && rules.size() > top) console.out << ", the first " << top << " shown";
  console.out << "\n";
  PrintRules(rules, model->text(), top, console.out);
  return kExitOk;
}

}  // namespace carmaseq_cli
