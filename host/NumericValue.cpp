#include "NumericValue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace QxQuorvis_940 {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Returns the index just past the digits starting at `i`.
size_t SkipDigits(std::string_view text, size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

}  // namespace

NumericValue::NumericValue() : value_(MissingValue()) {}

NumericValue::NumericValue(double value) : value_(value) {}

NumericValue::NumericValue(const std::string& text) : value_(MissingValue()) {
  ParseNumber(text, &value_);
}

NumericValue::~NumericValue() = default;

double NumericValue::MissingValue() { return std::numeric_limits<double>::lowest(); }

bool NumericValue::ParseNumber(std::string_view text, double* value) {
  // Find the extent of the number by hand, then let from_chars (locale-free) convert exactly it.
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  // from_chars takes a "-" but not a "+": start the conversion after a "+".
  const bool plus = i < text.size() && text[i] == '+';
  if (plus) ++i;
  const size_t start = i;
  if (!plus && i < text.size() && text[i] == '-') ++i;
  const size_t intStart = i;
  i = SkipDigits(text, i);
  size_t digits = i - intStart;
  if (i < text.size() && text[i] == '.') {
    const size_t fractionEnd = SkipDigits(text, i + 1);
    digits += fractionEnd - (i + 1);
    i = fractionEnd;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const size_t exponentEnd = SkipDigits(text, j);
    if (exponentEnd > j) i = exponentEnd;  // "2e" or "2e+" is the number 2 and a tail.
  }
  double parsed = 0.0;
  const char* first = text.data() + start;
  const char* last = text.data() + i;
  const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (error != std::errc() || end != last) return false;  // Beyond the double range.
  *value = parsed;
  return true;
}

void NumericValue::SetValue(const ScoreValue* other) {
  value_ = other == nullptr ? MissingValue() : other->GetDouble();
}

ScoreValue* NumericValue::GetValue() const { return new NumericValue(*this); }

ScoreValue* NumericValue::Clone() const { return new NumericValue(*this); }

bool NumericValue::operator==(const ScoreValue& other) const { return value_ == other.GetDouble(); }

bool NumericValue::Equal(const ScoreValue& other, bool /*ignoreCase*/, bool missingMatches) const {
  const bool thisMissing = IsSystemMissingValue();
  const bool otherMissing = other.GetDouble() == MissingValue();
  if (thisMissing || otherMissing) return thisMissing && otherMissing && missingMatches;
  return value_ == other.GetDouble();
}

bool NumericValue::operator>(const ScoreValue& other) const { return value_ > other.GetDouble(); }

bool NumericValue::operator<(const ScoreValue& other) const { return value_ < other.GetDouble(); }

bool NumericValue::operator<=(const ScoreValue& other) const { return value_ <= other.GetDouble(); }

bool NumericValue::operator>=(const ScoreValue& other) const { return value_ >= other.GetDouble(); }

bool NumericValue::IsSystemMissingValue() const { return value_ == MissingValue(); }

int NumericValue::GetInt() const {
  if (IsSystemMissingValue() || std::isnan(value_)) return 0;
  const double truncated = std::trunc(value_);
  if (truncated >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  if (truncated <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(truncated);
}

std::string NumericValue::GetString() const {
  if (IsSystemMissingValue()) return std::string();
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value_);
  return std::string(buffer, result.ptr);
}

DateTimeValue::~DateTimeValue() = default;

ScoreValue* DateTimeValue::GetValue() const { return new DateTimeValue(*this); }

ScoreValue* DateTimeValue::Clone() const { return new DateTimeValue(*this); }

}  // namespace QxQuorvis_940
