#include "StringValue.h"

#include <cstdlib>
#include <limits>

#include "NumericValue.h"

namespace QxQuorvis_940 {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

StringValue::~StringValue() = default;

void StringValue::SetValue(const ScoreValue* other) {
  text_ = other == nullptr ? std::string() : other->GetString();
}

ScoreValue* StringValue::GetValue() const { return new StringValue(*this); }

ScoreValue* StringValue::Clone() const { return new StringValue(*this); }

bool StringValue::operator==(const ScoreValue& other) const { return text_ == other.GetString(); }

bool StringValue::Equal(const ScoreValue& other, bool ignoreCase, bool /*missingMatches*/) const {
  return ignoreCase ? EqualIgnoringCase(text_, other.GetString()) : text_ == other.GetString();
}

bool StringValue::operator>(const ScoreValue& other) const { return text_ > other.GetString(); }

bool StringValue::operator<(const ScoreValue& other) const { return text_ < other.GetString(); }

bool StringValue::operator<=(const ScoreValue& other) const { return text_ <= other.GetString(); }

bool StringValue::operator>=(const ScoreValue& other) const { return text_ >= other.GetString(); }

int StringValue::GetInt() const {
  const long value = std::strtol(text_.c_str(), nullptr, 10);
  // strtol saturates at the long range; hold the result within int as well.
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

double StringValue::GetDouble() const {
  double value = NumericValue::MissingValue();
  NumericValue::ParseNumber(text_, &value);
  return value;
}

}  // namespace QxQuorvis_940
