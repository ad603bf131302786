// carmaseq stats: what a saved dictionary holds, level by level.
#include <cstdio>
#include <ostream>

#include "Commands.h"
#include "Errors.h"
#include "QueryModel.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

void PrintSettings(const seq::SequenceDictionary& dictionary, std::ostream& out) {
  char line[160];
  std::snprintf(line, sizeof line, "customers:          %d\nminimum support:    %g\n",
                dictionary.getTotalCount(), dictionary.getMinimumSupport());
  out << line;
  std::snprintf(line, sizeof line,
                "time constraints:   min gap %g, max gap %g, window %g (0 = off)\n",
                dictionary.getMinGap(), dictionary.getMaxGap(), dictionary.getSlidingWindow());
  out << line;
  out << "levels:             " << dictionary.getNumberOfLevels() << " (sequences of up to "
      << dictionary.getNumberOfLevels() - 1 << " items)\n";
  out << "lattice built:      " << (dictionary.isLatticeBuilt() ? "yes" : "no") << "\n";
}

void PrintLevels(const seq::SequenceDictionary& dictionary, std::ostream& out) {
  out << "sequences held:     " << dictionary.NumberOfSequences() - 1
      << " (and the empty sequence)\nlargest sequence:   " << dictionary.LargestSequence()
      << " items\n\n   items  sequences\n";
  for (int k = 1; k < dictionary.getNumberOfLevels(); ++k) {
    const int count = dictionary.CountSequencesOfSize(k);
    if (count == 0) continue;
    char line[64];
    std::snprintf(line, sizeof line, "%8d  %9d\n", k, count);
    out << line;
  }
}

void PrintSource(const QueryModel& model, std::ostream& out) {
  const seq::ModelSource& source = model.source;
  out << "mined from:         " << source.input << " (" << source.format;
  if (source.format == "csv") {
    out << "; columns " << source.customerColumn << ", " << source.timeColumn << ", "
        << source.itemColumn;
    if (!source.timeFormat.empty()) out << "; times " << source.timeFormat;
  }
  out << ")\nitem names:         " << model.names.size() << "\n";
}

}  // namespace

CommandDef StatsDef() {
  CommandDef def;
  def.name = "stats";
  def.synopsis = "MODEL";
  def.summary =
      "Shows how a saved model was mined (input, customers, minimum support, time constraints) "
      "and how many sequences it holds per number of items.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.details = ModelDetails();
  return def;
}

int RunStats(const ParsedArgs& args, const Console& console) {
  const auto model = LoadQueryModel(args);
  console.out << "dictionary:         " << args.positional()[0] << "\n";
  PrintSource(*model, console.out);
  PrintSettings(*model->dictionary, console.out);
  PrintLevels(*model->dictionary, console.out);
  return kExitOk;
}

}  // namespace carmaseq_cli
