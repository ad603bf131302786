// Text as a host value.
#ifndef CARMASEQ_HOST_STRINGVALUE_H_
#define CARMASEQ_HOST_STRINGVALUE_H_

#include <string>
#include <utility>

#include "HostExport.h"
#include "ScoreValue.h"

namespace QxQuorvis_940 {

// A piece of text, as the fields of a case record arrive. Never missing. Comparisons are those of
// this text with the other value's GetString, byte by byte. Copyable.
class QUORVISHOST_EXPORT StringValue : public ScoreValue {
 public:
  explicit StringValue(std::string text) : text_(std::move(text)) {}
  ~StringValue() override;
  StringValue(const StringValue&) = default;
  StringValue& operator=(const StringValue&) = default;

  const std::string& GetText() const { return text_; }

  // Takes other's GetString; null gives the empty text.
  void SetValue(const ScoreValue* other) override;
  ScoreValue* GetValue() const override;
  ScoreValue* Clone() const override;

  bool operator==(const ScoreValue& other) const override;
  // With ignoreCase, ASCII letters compare without case; missingMatches means nothing to text.
  bool Equal(const ScoreValue& other, bool ignoreCase, bool missingMatches) const override;
  bool operator>(const ScoreValue& other) const override;
  bool operator<(const ScoreValue& other) const override;
  bool operator<=(const ScoreValue& other) const override;
  bool operator>=(const ScoreValue& other) const override;

  bool IsSystemMissingValue() const override { return false; }
  // The decimal integer at the start of the text as strtol reads it (leading blanks, a sign,
  // digits, anything after ignored), held within the int range; 0 when there is none.
  int GetInt() const override;
  // The number at the start of the text (NumericValue::ParseNumber); missing when there is none.
  double GetDouble() const override;
  std::string GetString() const override { return text_; }
  int GetType() const override { return kString; }

 private:
  std::string text_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_STRINGVALUE_H_
