// A predicted item with its confidence, support and cause.
#ifndef CARMASEQ_DICTIONARY_SEQCONSEQUENTDESCRIPTOR_H_
#define CARMASEQ_DICTIONARY_SEQCONSEQUENTDESCRIPTOR_H_

#include <cstdint>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// confidence = count(extended) / count(matched); support = count(extended) / N;
// cause = count(extended) / count(<(item)>), 0 when that one-item sequence is not held.
// A plain copyable value.
class CARMASEQ_EXPORT SeqConsequentDescriptor {
 public:
  SeqConsequentDescriptor() = default;
  // Note the argument order differs from the field order.
  SeqConsequentDescriptor(int item, double support, double confidence, double cause)
      : item_(item), confidence_(confidence), support_(support), cause_(cause) {}

  void SetItem(std::int32_t item) { item_ = item; }
  void SetSupport(double support) { support_ = support; }
  void SetConfidence(double confidence) { confidence_ = confidence; }
  void SetCause(double cause) { cause_ = cause; }
  std::int32_t GetItem() const { return item_; }
  double GetSupport() const { return support_; }
  double GetConfidence() const { return confidence_; }
  double GetCause() const { return cause_; }

  // Debug print to standard output: "Item " item " Support " support, then precision 10, then
  // " Confidence " confidence " Cause " cause "\n".
  void display() const;

 private:
  std::int32_t item_ = 0;
  double confidence_ = 0;
  double support_ = 0;
  double cause_ = 0;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_DICTIONARY_SEQCONSEQUENTDESCRIPTOR_H_
