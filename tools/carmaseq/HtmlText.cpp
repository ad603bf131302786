#include "HtmlText.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace carmaseq_cli {

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default: {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F;
        escaped += control ? std::string("\xEF\xBF\xBD") : std::string(1, c);
      }
    }
  }
  return escaped;
}

std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.setf(std::ios::fixed);
  out.precision(decimals);
  out << value;
  return out.str();
}

std::string Short(double value) {
  if (!std::isfinite(value)) value = 0;
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.precision(6);
  out << value;
  return out.str();
}

}  // namespace carmaseq_cli
