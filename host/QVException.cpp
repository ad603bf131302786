#include "QVException.h"

#include "ErrorFormater.h"

namespace QxQuorvis_940 {

QVException::QVException(int code, const std::string& detail)
    : std::runtime_error(ScoreContext::gErrorFormater.FormatError(code, detail)), code_(code) {}

QVException::~QVException() = default;

}  // namespace QxQuorvis_940
