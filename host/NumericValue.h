// Numbers and points in time as host values.
#ifndef CARMASEQ_HOST_NUMERICVALUE_H_
#define CARMASEQ_HOST_NUMERICVALUE_H_

#include <string>
#include <string_view>

#include "HostExport.h"
#include "ScoreValue.h"

namespace QxQuorvis_940 {

// A double, or the system's missing value (the most negative finite double), which orders before
// every number. Text is read in the classic locale whatever the process locale. Copyable.
class QUORVISHOST_EXPORT NumericValue : public ScoreValue {
 public:
  // The missing value.
  NumericValue();
  explicit NumericValue(double value);
  // The number at the start of `text` (see ParseNumber); the missing value when there is none.
  explicit NumericValue(const std::string& text);
  ~NumericValue() override;
  NumericValue(const NumericValue&) = default;
  NumericValue& operator=(const NumericValue&) = default;

  // The system's missing value, -1.7976931348623157e308.
  static double MissingValue();

  // Reads the longest decimal number (optional sign, digits with an optional "." and fraction,
  // optional exponent) after leading blanks of `text`, ignoring what follows it: "1.2.3" gives
  // 1.2. Returns true iff there is one and sets *value; leaves *value alone otherwise.
  static bool ParseNumber(std::string_view text, double* value);

  // Takes other's GetDouble; null gives the missing value.
  void SetValue(const ScoreValue* other) override;
  ScoreValue* GetValue() const override;
  ScoreValue* Clone() const override;

  // Comparisons are those of GetDouble of both values.
  bool operator==(const ScoreValue& other) const override;
  // Two missing values are equal iff missingMatches; ignoreCase means nothing to numbers.
  bool Equal(const ScoreValue& other, bool ignoreCase, bool missingMatches) const override;
  bool operator>(const ScoreValue& other) const override;
  bool operator<(const ScoreValue& other) const override;
  bool operator<=(const ScoreValue& other) const override;
  bool operator>=(const ScoreValue& other) const override;

  bool IsSystemMissingValue() const override;
  // Truncated toward zero and held within the int range; 0 for the missing value and NaN.
  int GetInt() const override;
  double GetDouble() const override { return value_; }
  // The shortest text that reads back as the same double; empty for the missing value.
  std::string GetString() const override;
  int GetType() const override { return kNumeric; }

 private:
  double value_;
};

// A point in time as seconds since 1970-01-01T00:00:00 UTC; otherwise a NumericValue. Copyable.
class QUORVISHOST_EXPORT DateTimeValue : public NumericValue {
 public:
  explicit DateTimeValue(double secondsSinceEpoch) : NumericValue(secondsSinceEpoch) {}
  ~DateTimeValue() override;
  DateTimeValue(const DateTimeValue&) = default;
  DateTimeValue& operator=(const DateTimeValue&) = default;

  ScoreValue* GetValue() const override;
  ScoreValue* Clone() const override;
  int GetType() const override { return kDateTime; }
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_NUMERICVALUE_H_
