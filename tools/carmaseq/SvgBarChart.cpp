#include "SvgBarChart.h"

#include <algorithm>
#include <ostream>

#include "HtmlText.h"

namespace carmaseq_cli {

namespace {

constexpr int kSlot = 44;  // horizontal room per bar
constexpr int kBarWidth = 30;
constexpr int kPlotHeight = 120;
constexpr int kTop = 18;  // room for the value above the tallest bar
constexpr int kLeft = 8;

std::string Px(double value) { return Fixed(value, 1); }

}  // namespace

void WriteBarChart(const std::vector<Bar>& bars, const std::string& title, const std::string& axis,
                   std::ostream& out) {
  std::int64_t highest = 1;
  std::string spoken = title + ".";
  for (const Bar& bar : bars) {
    highest = std::max(highest, bar.value);
    spoken += " " + bar.label + ": " + std::to_string(bar.value) + ";";
  }
  const int width = kLeft * 2 + kSlot * static_cast<int>(std::max<std::size_t>(bars.size(), 1));
  const int baseline = kTop + kPlotHeight;
  const int height = baseline + 38;
  out << "<svg class=\"bars\" role=\"img\" aria-label=\"" << EscapeHtml(spoken) << "\" width=\""
      << width << "\" height=\"" << height << "\" viewBox=\"0 0 " << width << ' ' << height
      << "\">\n";
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const Bar& bar = bars[i];
    const double h = static_cast<double>(bar.value) / static_cast<double>(highest) * kPlotHeight;
    const double center = kLeft + kSlot * (static_cast<double>(i) + 0.5);
    const std::string label = EscapeHtml(bar.label);
    out << "<g><title>" << label << ": " << bar.value << "</title><rect class=\"bar\" x=\""
        << Px(center - kBarWidth / 2.0) << "\" y=\"" << Px(baseline - h) << "\" width=\""
        << kBarWidth << "\" height=\"" << Px(h) << "\"/><text x=\"" << Px(center) << "\" y=\""
        << Px(baseline - h - 4) << "\" text-anchor=\"middle\">" << bar.value << "</text><text x=\""
        << Px(center) << "\" y=\"" << baseline + 14 << "\" text-anchor=\"middle\">" << label
        << "</text></g>\n";
  }
  out << "<line class=\"axis\" x1=\"" << kLeft << "\" y1=\"" << baseline << "\" x2=\""
      << width - kLeft << "\" y2=\"" << baseline << "\"/>\n<text x=\"" << width / 2 << "\" y=\""
      << height - 4 << "\" text-anchor=\"middle\" class=\"axis-title\">" << EscapeHtml(axis)
      << "</text>\n</svg>\n";
}

}  // namespace carmaseq_cli
