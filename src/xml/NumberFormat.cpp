#include "xml/NumberFormat.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <system_error>

namespace QxXML_940 {

namespace {

constexpr char kDefaultFormat[] = "%.15g";

// std::to_chars is specified to produce the text printf would produce in the "C" locale, so it
// gives the classic form without touching any locale object. 400 bytes hold the longest "%.16f"
// text: 309 integer digits, sign, point and 16 decimals.
constexpr std::size_t kClassicBufferSize = 400;

std::string ToClassicChars(double value, std::chars_format fmt, int precision) {
  char buffer[kClassicBufferSize];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof(buffer), value, fmt, precision);
  if (r.ec != std::errc()) return std::string();  // Unreachable with this buffer size.
  return std::string(buffer, r.ptr);
}

}  // namespace

std::string GetDefaultNumericFormat() { return kDefaultFormat; }

std::string GetDecimalCharacter() {
  const std::lconv* conv = std::localeconv();
  return conv != nullptr && conv->decimal_point != nullptr ? conv->decimal_point : ".";
}

std::string GetListSeparator() { return ";"; }

std::string Format(std::int32_t value) { return Format(static_cast<double>(value), true, nullptr); }

std::string Format(double value, bool plain, const char* format) {
  const char* f = format != nullptr ? format : kDefaultFormat;
  if (!plain) return ReplaceSep(value, f);
  char buffer[112];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int n = std::snprintf(buffer, sizeof(buffer), f, value);
#pragma GCC diagnostic pop
  if (n < 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n) < sizeof(buffer) ? n : sizeof(buffer) - 1);
}

std::string ReplaceSep(double value) { return ToClassicChars(value, std::chars_format::fixed, 16); }

std::string ReplaceSep(double value, const char* /*format*/) {
  return ToClassicChars(value, std::chars_format::general, 15);
}

void AppendClassic(std::string* out, double value) {
  char buffer[kClassicBufferSize];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
  if (r.ec == std::errc()) out->append(buffer, r.ptr);
}

}  // namespace QxXML_940
