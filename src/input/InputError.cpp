#include "input/InputError.h"

namespace SeqExceptions {

InputError::InputError(const std::string& source, std::int64_t line, const std::string& reason)
    : std::runtime_error(source + ":" + std::to_string(line) + ": " + reason),
      source_(source),
      line_(line),
      reason_(reason) {}

InputError::~InputError() = default;

}  // namespace SeqExceptions
