#include "xml/NumberFormat.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace QxXML_940 {

namespace {

constexpr char kDefaultFormat[] = "%.15g";

// std::to_chars is defined to produce the text printf would produce in the "C" locale, so it
// gives the classic form without touching any locale object. 400 bytes hold the longest "%.16f"
// text: 309 integer digits, sign, point and 16 decimals.
constexpr std::size_t kClassicBufferSize = 400;

// Writes "%.15g" of value in the classic locale to buffer; returns the end of the text.
// Integers below 1e15 in magnitude print with at most 15 digits and no point or exponent under
// "%.15g", so they take the much faster integer conversion (ids and counts are most numbers
// written). Minus zero prints as "-0" and takes the general path.
char* ToClassicGeneral(char* buffer, char* end, double value) {
  if (std::fabs(value) < 1e15) {
    const auto integer = static_cast<std::int64_t>(value);
    if (static_cast<double>(integer) == value && (integer != 0 || !std::signbit(value))) {
      return std::to_chars(buffer, end, integer).ptr;
    }
  }
  const std::to_chars_result r = std::to_chars(buffer, end, value, std::chars_format::general, 15);
  return r.ec == std::errc() ? r.ptr : buffer;  // Never fails with a buffer this large.
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

std::string ReplaceSep(double value) {
  char buffer[kClassicBufferSize];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 16);
  return std::string(buffer, r.ec == std::errc() ? r.ptr : buffer);
}

std::string ReplaceSep(double value, const char* /*format*/) {
  char buffer[kClassicBufferSize];
  return std::string(buffer, ToClassicGeneral(buffer, buffer + sizeof(buffer), value));
}

void AppendClassic(std::string* out, double value) {
  char buffer[kClassicBufferSize];
  out->append(buffer, ToClassicGeneral(buffer, buffer + sizeof(buffer), value));
}

}  // namespace QxXML_940
