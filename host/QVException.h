// The host's exception type.
#ifndef CARMASEQ_HOST_QVEXCEPTION_H_
#define CARMASEQ_HOST_QVEXCEPTION_H_

#include <stdexcept>
#include <string>

#include "HostExport.h"

namespace QxQuorvis_940 {

// An error of the host itself, with a code; what() is the message that
// ScoreContext::gErrorFormater makes of code and detail. Plug-ins never raise it: nothing thrown
// inside a plug-in may cross into the host. Copyable.
class QUORVISHOST_EXPORT QVException : public std::runtime_error {
 public:
  QVException(int code, const std::string& detail);
  ~QVException() override;
  QVException(const QVException&) = default;
  QVException& operator=(const QVException&) = default;

  int GetErrorCode() const { return code_; }

 private:
  int code_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_QVEXCEPTION_H_
