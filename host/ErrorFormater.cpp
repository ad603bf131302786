#include "ErrorFormater.h"

namespace ScoreContext {

QVErrorFormater gErrorFormater;

IErrorFormater::~IErrorFormater() = default;

QVErrorFormater::QVErrorFormater() = default;

QVErrorFormater::~QVErrorFormater() = default;

std::string QVErrorFormater::FormatError(int code, const std::string& detail) const {
  std::string message = "error " + std::to_string(code);
  if (!detail.empty()) message += ": " + detail;
  return message;
}

}  // namespace ScoreContext
