// The status value that engine operations return and that index checks throw.
#ifndef CARMASEQ_FOUNDATION_QXSTATUS_H_
#define CARMASEQ_FOUNDATION_QXSTATUS_H_

#include <cstdint>

#include "foundation/Visibility.h"

namespace QxCommon_940 {

// Error code, severity (0 OK, positive warning, negative error) and three integer and three real
// details. Codes the engine produces: 0 none, 1 cancelled, 60000 out of memory or dictionary
// failure, 60001 index out of range (thrown, never returned). Copyable; thrown by value.
// Every status must be looked at: a call that drops one does not compile.
#if defined(CARMASEQ_BUILDING)
#define CARMASEQ_STATUS_CLASS [[nodiscard, gnu::visibility("default")]]
#else
#define CARMASEQ_STATUS_CLASS [[nodiscard]]
#endif

class CARMASEQ_STATUS_CLASS QxStatus {
 public:
  static constexpr std::int32_t kNone = 0;
  static constexpr std::int32_t kCancelled = 1;
  static constexpr std::int32_t kOutOfMemory = 60000;
  static constexpr std::int32_t kIndexOutOfRange = 60001;

  // An OK status: code 0, severity 0, all data 0.
  QxStatus() = default;
  // Severity +1 when isWarning, else -1; all data 0.
  QxStatus(std::int32_t code, bool isWarning);

  std::int32_t GetErrorCode() const { return code_; }
  std::int16_t GetSeverity() const { return severity_; }
  bool IsOK() const { return severity_ == 0; }
  bool IsError() const { return severity_ < 0; }
  bool IsWarning() const { return severity_ > 0; }

  // REQUIRES: slot < 3 (not checked).
  void SetDiscreteDatum(unsigned slot, std::int32_t value) { discrete_[slot] = value; }
  std::int32_t GetDiscreteDatum(unsigned slot) const { return discrete_[slot]; }
  void SetScaleDatum(unsigned slot, double value) { scale_[slot] = value; }
  double GetScaleDatum(unsigned slot) const { return scale_[slot]; }

  // True iff codes, severities and all six data are equal (a NaN datum never compares equal).
  bool operator==(const QxStatus& other) const;
  bool operator!=(const QxStatus& other) const { return !(*this == other); }

  // The status thrown by the sequence containers for an index out of range.
  static QxStatus IndexError(std::int32_t index, std::int32_t count);

 private:
  std::int32_t code_ = 0;
  std::int16_t severity_ = 0;
  std::int32_t discrete_[3] = {0, 0, 0};
  double scale_[3] = {0.0, 0.0, 0.0};
};

}  // namespace QxCommon_940

#endif  // CARMASEQ_FOUNDATION_QXSTATUS_H_
