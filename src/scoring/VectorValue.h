// A list of records as a host value: how the scoring model hands its ranked predictions to the
// host.
#ifndef CARMASEQ_SCORING_VECTORVALUE_H_
#define CARMASEQ_SCORING_VECTORVALUE_H_

#include <string>
#include <utility>
#include <vector>

#include "ScoreValue.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "scoring/ScoringExport.h"

namespace QxQuorvis_940 {

// Owns its records by value. As a host value it stands for its length: GetInt is the number of
// records and every comparison compares that length with the other value's GetInt. The model
// uses VectorValue<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor>; a host reads the records
// with GetVectorValue after checking that GetType is kVector. Copyable.
template <typename T>
class CARMASEQ_SCORING_EXPORT VectorValue : public ScoreValue {
 public:
  VectorValue() = default;
  explicit VectorValue(const std::vector<T>& values) : values_(values) {}
  VectorValue(const VectorValue& other) : ScoreValue(other), values_(other.values_) {}
  VectorValue& operator=(const VectorValue& other) {
    values_ = other.values_;
    return *this;
  }
  ~VectorValue() override = default;

  // Replaces the records.
  void SetVectorValue(const std::vector<T>& values) { values_ = values; }
  void SetVectorValue(std::vector<T>&& values) { values_ = std::move(values); }
  const std::vector<T>& GetVectorValue() const { return values_; }
  int Size() const { return static_cast<int>(values_.size()); }

  // Copies the records of another VectorValue<T>. Any other value, also a vector of another
  // class whose records this one cannot read, and null, leave this value empty.
  void SetValue(const ScoreValue* other) override {
    if (other == this) return;
    const auto* vector = dynamic_cast<const VectorValue*>(other);
    if (vector != nullptr) {
      values_ = vector->values_;
    } else {
      values_.clear();
    }
  }
  // Both return a new VectorValue with a copy of the records. Caller owns the result.
  ScoreValue* GetValue() const override { return new VectorValue(*this); }
  ScoreValue* Clone() const override { return new VectorValue(*this); }

  bool operator==(const ScoreValue& other) const override { return Size() == other.GetInt(); }
  // The options mean nothing to a length.
  bool Equal(const ScoreValue& other, bool /*ignoreCase*/, bool /*missingMatches*/) const override {
    return Size() == other.GetInt();
  }
  bool operator>(const ScoreValue& other) const override { return Size() > other.GetInt(); }
  bool operator<(const ScoreValue& other) const override { return Size() < other.GetInt(); }
  bool operator<=(const ScoreValue& other) const override { return Size() <= other.GetInt(); }
  bool operator>=(const ScoreValue& other) const override { return Size() >= other.GetInt(); }

  bool IsSystemMissingValue() const override { return false; }
  // The number of records.
  int GetInt() const override { return Size(); }
  // A list has no number: the system's missing value.
  double GetDouble() const override { return -1.7976931348623157e308; }
  // "Vector Value: Length of vector = " followed by the length and a newline.
  std::string GetString() const override {
    return "Vector Value: Length of vector = " + std::to_string(Size()) + "\n";
  }
  int GetType() const override { return kVector; }

 private:
  std::vector<T> values_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_SCORING_VECTORVALUE_H_
