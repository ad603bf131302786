// carmaseq report: a saved dictionary as one self-contained HTML page.
#include <ostream>

#include "Commands.h"
#include "Errors.h"
#include "OutputFiles.h"
#include "QueryModel.h"
#include "ReportPage.h"

#ifndef CARMASEQ_VERSION
#define CARMASEQ_VERSION "unknown"
#endif

namespace carmaseq_cli {

CommandDef ReportDef() {
  CommandDef def;
  def.name = "report";
  def.synopsis = "MODEL -o FILE [options]";
  def.summary =
      "Writes one HTML page that opens offline: a summary of the model, a scatter plot and a "
      "sortable, filterable table of its rules, and a drawing of its strongest sequences.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      {"output", "FILE", "the HTML file to write (required; - for standard output)", 'o'},
      NamesOption(),
      {"min-confidence", "FRACTION", "only rules of at least this confidence; default 0"},
      {"top", "N", "show at most N rules, the best by confidence (default 2000; 0 = all)"},
      {"lattice", "N", "draw the N sequences of highest support (default 30)"},
  };
  def.details = ModelDetails();
  return def;
}

int RunReport(const ParsedArgs& args, const Console& console) {
  if (!args.Has("output")) throw UsageError("give the page to write with -o FILE");
  ReportOptions options;
  options.title = args.positional()[0];
  options.minConfidence = args.GetDouble("min-confidence", 0, 0, 1);
  options.maxRules = static_cast<std::size_t>(args.GetInt("top", 2000, 0, INT32_MAX));
  options.latticeSequences = static_cast<std::size_t>(args.GetInt("lattice", 30, 1, 500));
  options.generator = "carmaseq " CARMASEQ_VERSION;

  // The page is checked before the model is read, and appears only once complete.
  const std::string output = args.Get("output");
  OutputFiles files;
  files.AddInput(args.positional()[0]);
  if (args.Has("names")) files.AddInput(args.Get("names"));
  if (output != "-") files.Declare(output);
  const auto model = LoadQueryModel(args);
  options.provenance = DescribeSource(model->source);
  std::ostream& out = output != "-" ? files.Open(output) : console.out;
  WriteReport(*model->dictionary, &model->names, options, out);
  files.CommitAll();
  if (output != "-") console.out << output << "\n";
  return kExitOk;
}

}  // namespace carmaseq_cli
