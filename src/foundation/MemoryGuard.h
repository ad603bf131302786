// How the engine reports running out of memory: a dictionary operation turns an exhausted heap
// into DictionaryFailure, and a query or build operation turns either into status 60000.
#ifndef CARMASEQ_FOUNDATION_MEMORYGUARD_H_
#define CARMASEQ_FOUNDATION_MEMORYGUARD_H_

#include <new>

#include "foundation/Exceptions.h"
#include "foundation/QxStatus.h"

namespace SEQUENCE_NAMESPACE_800 {

// Runs work and returns its result; a std::bad_alloc leaves as SeqExceptions::DictionaryFailure.
template <typename Work>
auto GuardMemory(Work work) -> decltype(work()) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    throw SeqExceptions::DictionaryFailure();
  }
}

// Runs work, which returns a QxStatus, and returns that status; when memory runs out inside it
// (std::bad_alloc or SeqExceptions::DictionaryFailure) returns status 60000 instead.
template <typename Work>
QxCommon_940::QxStatus StatusOrOutOfMemory(Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
  } catch (const SeqExceptions::DictionaryFailure&) {
  }
  return QxCommon_940::QxStatus(QxCommon_940::QxStatus::kOutOfMemory, false);
}

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_FOUNDATION_MEMORYGUARD_H_
