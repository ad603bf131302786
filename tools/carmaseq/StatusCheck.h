// Turns an engine status that is not OK into the command's failure, naming what happened.
#ifndef CARMASEQ_TOOLS_CARMASEQ_STATUSCHECK_H_
#define CARMASEQ_TOOLS_CARMASEQ_STATUSCHECK_H_

#include <string>

#include "Errors.h"
#include "foundation/QxStatus.h"

namespace carmaseq_cli {

// What a status code means, e.g. "out of memory (status 60000)".
inline std::string StatusText(const QxCommon_940::QxStatus& status) {
  const int code = status.GetErrorCode();
  const char* meaning = code == QxCommon_940::QxStatus::kOutOfMemory ? "out of memory"
                        : code == QxCommon_940::QxStatus::kCancelled ? "cancelled"
                                                                     : "failed";
  return std::string(meaning) + " (status " + std::to_string(code) + ")";
}

// Throws CommandError "<what>: <StatusText>" unless status is OK.
inline void CheckStatus(const QxCommon_940::QxStatus& status, const std::string& what) {
  if (!status.IsOK()) throw CommandError(what + ": " + StatusText(status));
}

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_STATUSCHECK_H_
