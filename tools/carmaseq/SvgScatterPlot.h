// The rules scatter plot written as inline SVG: one point per rule, support across, confidence
// up, coloured by cause.
#ifndef CARMASEQ_TOOLS_CARMASEQ_SVGSCATTERPLOT_H_
#define CARMASEQ_TOOLS_CARMASEQ_SVGSCATTERPLOT_H_

#include <iosfwd>
#include <string>
#include <vector>

namespace carmaseq_cli {

// One plotted rule: its measures and the text shown when the point is pointed at. Copyable.
struct RulePoint {
  double support;
  double confidence;
  double cause;
  std::string text;
};

// The colour of a cause in [0, 1] (values outside are clamped), as "#rrggbb": dark blue for
// low causes through green to yellow for high ones.
std::string CauseColour(double cause);

// A tick scale covering [low, high]: first and last tick and the step between ticks, a round
// number (1, 2 or 5 times a power of ten) giving at most about six intervals. Copyable.
struct AxisScale {
  double first;
  double last;
  double step;
};
// REQUIRES: low <= high; both finite.
AxisScale NiceScale(double low, double high);

// Writes an <svg> with axes, a cause legend and one <circle class="pt" data-i="K"> per point
// (K its index), each with a <title> holding its text and measures. The y axis spans from the
// lowest confidence (rounded down) to 1, the x axis from 0 to the highest support (rounded up).
void WriteScatterPlot(const std::vector<RulePoint>& points, std::ostream& out);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_SVGSCATTERPLOT_H_
