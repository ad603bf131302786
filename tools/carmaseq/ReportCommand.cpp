// carmaseq report: a saved dictionary as one self-contained HTML page.
#include <ostream>

#include "AtomicFile.h"
#include "Commands.h"
#include "Errors.h"
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
      {"output", "FILE", "the HTML file to write (required)", 'o'},
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

  const auto model = LoadQueryModel(args);
  options.provenance = DescribeSource(model->source);
  AtomicFile page(args.Get("output"));
  WriteReport(*model->dictionary, &model->names, options, page.stream());
  page.Commit();
  console.out << page.path() << "\n";
  return kExitOk;
}

}  // namespace carmaseq_cli
