// The error that the input readers throw for malformed input.
#ifndef CARMASEQ_INPUT_INPUTERROR_H_
#define CARMASEQ_INPUT_INPUTERROR_H_

#include <cstdint>
#include <stdexcept>
#include <string>

#include "foundation/Visibility.h"

namespace SeqExceptions {

// A malformed line of an input file: where it is (source name and 1-based line number; line 0
// when the fault is not tied to a line, such as a read failure) and why. what() is
// "source:line: reason". Thrown by value. Copyable.
class CARMASEQ_MINING_EXPORT InputError : public std::runtime_error {
 public:
  InputError(const std::string& source, std::int64_t line, const std::string& reason);
  ~InputError() override;

  const std::string& source() const { return source_; }
  std::int64_t line() const { return line_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string source_;
  std::int64_t line_;
  std::string reason_;
};

}  // namespace SeqExceptions

#endif  // CARMASEQ_INPUT_INPUTERROR_H_
