// Turning the host's error codes into messages.
#ifndef CARMASEQ_HOST_ERRORFORMATER_H_
#define CARMASEQ_HOST_ERRORFORMATER_H_

#include <string>

#include "HostExport.h"

namespace ScoreContext {

// Makes the message of an error from its code and a detail text.
class QUORVISHOST_EXPORT IErrorFormater {
 public:
  virtual ~IErrorFormater();
  virtual std::string FormatError(int code, const std::string& detail) const = 0;

 protected:
  IErrorFormater() = default;
};

// "error <code>", followed by ": <detail>" when the detail is not empty. Stateless.
class QUORVISHOST_EXPORT QVErrorFormater : public IErrorFormater {
 public:
  QVErrorFormater();
  ~QVErrorFormater() override;

  std::string FormatError(int code, const std::string& detail) const override;
};

// The formatter the host uses for its own errors.
extern QUORVISHOST_EXPORT QVErrorFormater gErrorFormater;

}  // namespace ScoreContext

#endif  // CARMASEQ_HOST_ERRORFORMATER_H_
