// Text as the report writes it into HTML and SVG: escaped, and numbers that never follow the
// process locale.
#ifndef CARMASEQ_TOOLS_CARMASEQ_HTMLTEXT_H_
#define CARMASEQ_TOOLS_CARMASEQ_HTMLTEXT_H_

#include <string>
#include <string_view>

namespace carmaseq_cli {

// text with &, <, >, " and ' replaced by character references, so that it can stand in element
// content and in quoted attribute values alike. Control characters other than tab, line feed
// and carriage return (which HTML does not allow) become U+FFFD.
std::string EscapeHtml(std::string_view text);

// value with exactly `decimals` digits after a point (never a comma). Not-a-number and the
// infinities give "0". REQUIRES: 0 <= decimals <= 9.
std::string Fixed(double value, int decimals);

// value with up to 6 significant digits and no trailing zeros ("0.05", "12", "2.5e-07"), always
// with a point.
std::string Short(double value);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_HTMLTEXT_H_
