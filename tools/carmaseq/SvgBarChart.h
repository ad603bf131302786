// A small bar chart written as inline SVG, readable without scripts and by screen readers.
#ifndef CARMASEQ_TOOLS_CARMASEQ_SVGBARCHART_H_
#define CARMASEQ_TOOLS_CARMASEQ_SVGBARCHART_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace carmaseq_cli {

// One bar: the label under it and its height. Copyable.
struct Bar {
  std::string label;
  std::int64_t value;
};

// Writes an <svg> with one bar per entry, left to right, its value above it and its label
// below; the tallest bar fills the height. `title` names the chart for screen readers, which
// also get every "label: value" pair; `axis` is printed under the labels. All text is escaped.
void WriteBarChart(const std::vector<Bar>& bars, const std::string& title, const std::string& axis,
                   std::ostream& out);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_SVGBARCHART_H_
