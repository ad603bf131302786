#include "dictionary/SeqConsequentDescriptor.h"

#include <iostream>

namespace SEQUENCE_NAMESPACE_800 {

void SeqConsequentDescriptor::display() const {
  std::cout << "Item " << item_ << " Support " << support_;
  std::cout.precision(10);
  std::cout << " Confidence " << confidence_ << " Cause " << cause_ << "\n";
}

}  // namespace SEQUENCE_NAMESPACE_800
