// The status that a scoring model returns for one case record.
#ifndef CARMASEQ_HOST_SCORESTATUS_H_
#define CARMASEQ_HOST_SCORESTATUS_H_

namespace QxScore {

// An error code (0 none) and a severity (0 OK, positive warning, negative error). A default
// status is OK. Copyable. Every status must be looked at: dropping one does not compile.
class [[nodiscard]] QxStatus {
 public:
  QxStatus() = default;
  QxStatus(int code, int severity) : code_(code), severity_(severity) {}

  int GetErrorCode() const { return code_; }
  int GetSeverity() const { return severity_; }
  bool IsOK() const { return severity_ == 0; }

 private:
  int code_ = 0;
  int severity_ = 0;
};

}  // namespace QxScore

#endif  // CARMASEQ_HOST_SCORESTATUS_H_
