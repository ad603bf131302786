#include "SvgScatterPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "HtmlText.h"

namespace carmaseq_cli {

namespace {

// The plot area inside the drawing; the legend sits to its right.
constexpr double kLeft = 58, kTop = 14, kWidth = 520, kHeight = 330;
constexpr double kTotalWidth = kLeft + kWidth + 110, kTotalHeight = kTop + kHeight + 46;

// Five evenly spaced colours from dark blue through green to yellow, easy to tell apart in
// order, also in grey scale.
constexpr unsigned char kStops[5][3] = {{0x44, 0x01, 0x54},
                                        {0x3b, 0x52, 0x8b},
                                        {0x21, 0x91, 0x8c},
                                        {0x5e, 0xc9, 0x62},
                                        {0xfd, 0xe7, 0x25}};

std::string Px(double value) { return Fixed(value, 1); }

double ScaleTo(double value, const AxisScale& scale, double from, double length) {
  return from + (value - scale.first) / (scale.last - scale.first) * length;
}

void WriteAxes(const AxisScale& xs, const AxisScale& ys, std::ostream& out) {
  const double bottom = kTop + kHeight;
  out << "<rect class=\"frame\" x=\"" << Px(kLeft) << "\" y=\"" << Px(kTop) << "\" width=\""
      << Px(kWidth) << "\" height=\"" << Px(kHeight) << "\"/>\n";
  const int xTicks = static_cast<int>(std::lround((xs.last - xs.first) / xs.step));
  for (int i = 0; i <= xTicks; ++i) {
    const double value = xs.first + i * xs.step;
    const std::string x = Px(ScaleTo(value, xs, kLeft, kWidth));
    out << "<line class=\"grid\" x1=\"" << x << "\" y1=\"" << Px(kTop) << "\" x2=\"" << x
        << "\" y2=\"" << Px(bottom) << "\"/><text x=\"" << x << "\" y=\"" << Px(bottom + 16)
        << "\" text-anchor=\"middle\">" << Short(value) << "</text>\n";
  }
  const int yTicks = static_cast<int>(std::lround((ys.last - ys.first) / ys.step));
  for (int i = 0; i <= yTicks; ++i) {
    const double value = ys.first + i * ys.step;
    const std::string y = Px(ScaleTo(value, ys, bottom, -kHeight));
    out << "<line class=\"grid\" x1=\"" << Px(kLeft) << "\" y1=\"" << y << "\" x2=\""
        << Px(kLeft + kWidth) << "\" y2=\"" << y << "\"/><text x=\"" << Px(kLeft - 6) << "\" y=\""
        << y << "\" dy=\"4\" text-anchor=\"end\">" << Short(value) << "</text>\n";
  }
  out << "<text class=\"axis-title\" x=\"" << Px(kLeft + kWidth / 2) << "\" y=\""
      << Px(kTotalHeight - 6) << "\" text-anchor=\"middle\">support</text>\n"
      << "<text class=\"axis-title\" transform=\"translate(14 " << Px(kTop + kHeight / 2)
      << ") rotate(-90)\" text-anchor=\"middle\">confidence</text>\n";
}

void WriteLegend(std::ostream& out) {
  const double x = kLeft + kWidth + 30, top = kTop + 20, height = 160;
  out << "<defs><linearGradient id=\"cause-scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">";
  for (int i = 0; i < 5; ++i) {
    out << "<stop offset=\"" << Short(i / 4.0) << "\" stop-color=\"" << CauseColour(i / 4.0)
        << "\"/>";
  }
  out << "</linearGradient></defs>\n<text class=\"axis-title\" x=\"" << Px(x) << "\" y=\""
      << Px(top - 8) << "\">cause</text><rect x=\"" << Px(x) << "\" y=\"" << Px(top)
      << "\" width=\"14\" height=\"" << Px(height) << "\" fill=\"url(#cause-scale)\"/>\n";
  for (const double value : {0.0, 0.5, 1.0}) {
    out << "<text x=\"" << Px(x + 20) << "\" y=\"" << Px(top + height * (1 - value))
        << "\" dy=\"4\">" << Short(value) << "</text>";
  }
  out << "\n";
}

}  // namespace

std::string CauseColour(double cause) {
  const double t = std::isfinite(cause) ? std::clamp(cause, 0.0, 1.0) * 4 : 0;
  const int low = std::min(static_cast<int>(t), 3);
  const double f = t - low;
  char text[8];
  int rgb[3];
  for (int c = 0; c < 3; ++c) {
    rgb[c] =
        static_cast<int>(std::lround(kStops[low][c] + (kStops[low + 1][c] - kStops[low][c]) * f));
  }
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return text;
}

AxisScale NiceScale(double low, double high) {
  if (high - low < 1e-12) low = high - std::max(std::fabs(high), 1.0) * 0.1;
  const double raw = (high - low) / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double normal = raw / magnitude;
  const double step = (normal <= 1 ? 1 : normal <= 2 ? 2 : normal <= 5 ? 5 : 10) * magnitude;
  // The small slack keeps a bound that is already on a tick (0.3 / 0.1) from moving a step.
  return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step};
}

void WriteScatterPlot(const std::vector<RulePoint>& points, std::ostream& out) {
  double maxSupport = 0, minConfidence = 1;
  for (const RulePoint& point : points) {
    maxSupport = std::max(maxSupport, point.support);
    minConfidence = std::min(minConfidence, point.confidence);
  }
  const AxisScale xs = NiceScale(0, maxSupport > 0 ? maxSupport : 1);
  const AxisScale ys = NiceScale(std::clamp(minConfidence, 0.0, 1.0), 1);
  out << "<svg id=\"scatter\" role=\"img\" aria-labelledby=\"scatter-title\" width=\""
      << Px(kTotalWidth) << "\" height=\"" << Px(kTotalHeight) << "\" viewBox=\"0 0 "
      << Px(kTotalWidth) << ' ' << Px(kTotalHeight) << "\">\n";
  WriteAxes(xs, ys, out);
  WriteLegend(out);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const RulePoint& point = points[i];
    out << "<circle class=\"pt\" data-i=\"" << i << "\" cx=\""
        << Px(ScaleTo(point.support, xs, kLeft, kWidth)) << "\" cy=\""
        << Px(ScaleTo(point.confidence, ys, kTop + kHeight, -kHeight)) << "\" r=\"4\" fill=\""
        << CauseColour(point.cause) << "\"><title>" << EscapeHtml(point.text) << " (support "
        << Fixed(point.support, 4) << ", confidence " << Fixed(point.confidence, 4) << ", cause "
        << Fixed(point.cause, 4) << ")</title></circle>\n";
  }
  out << "</svg>\n";
}

}  // namespace carmaseq_cli
