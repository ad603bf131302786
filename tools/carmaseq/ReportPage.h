// The HTML report of a mined dictionary: one self-contained page (inline style, script and SVG,
// nothing fetched) with a summary, a rules scatter plot, a sortable and filterable rules table and
// a drawing of the strongest sequences' lattice. Every part reads without scripts.
#ifndef CARMASEQ_TOOLS_CARMASEQ_REPORTPAGE_H_
#define CARMASEQ_TOOLS_CARMASEQ_REPORTPAGE_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
class ItemNameMap;
class SequenceDictionary;
struct ModelSource;
struct SavedModel;
}  // namespace SEQUENCE_NAMESPACE_800

namespace carmaseq_cli {

// What goes into a report besides the dictionary itself. Copyable.
struct ReportOptions {
  std::string title;  // names the model in the heading, e.g. its file name; may be empty
  // How the model was mined (input file, columns, ...), as label and value, listed first in the
  // summary. Empty when the model does not record it.
  std::vector<std::pair<std::string, std::string>> provenance;
  double minConfidence = 0;            // rules below it are neither counted nor shown
  std::size_t maxRules = 2000;         // rules shown, the best by confidence; 0 = all
  std::size_t latticeSequences = 30;   // sequences in the lattice drawing
  std::string generator = "carmaseq";  // named in the page's footer
};

// Writes the report page of dictionary to out, items named by names (ids when it is null). Throws
// std::bad_alloc when the rule query runs out of memory. The stream's state is left for the caller
// to check. REQUIRES: the dictionary's lattice is built.
void WriteReport(SEQUENCE_NAMESPACE_800::SequenceDictionary& dictionary,
                 const SEQUENCE_NAMESPACE_800::ItemNameMap* names, const ReportOptions& options,
                 std::ostream& out);

// What a model was mined from, as label and value pairs for ReportOptions::provenance: the input
// and, when given, its format, columns, delimiter, time format and item limit.
std::vector<std::pair<std::string, std::string>> DescribeSource(
    const SEQUENCE_NAMESPACE_800::ModelSource& source);

// The report of a saved model, items shown by the model's own names, the summary opening with
// DescribeSource(model.source) unless options.provenance is already filled. Throws as the
// other overload does.
void WriteReport(SEQUENCE_NAMESPACE_800::SavedModel& model, const ReportOptions& options,
                 std::ostream& out);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_REPORTPAGE_H_
