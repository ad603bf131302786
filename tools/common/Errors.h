// The two kinds of failure a carmaseq command reports, each with its exit status.
#ifndef CARMASEQ_TOOLS_COMMON_ERRORS_H_
#define CARMASEQ_TOOLS_COMMON_ERRORS_H_

#include <stdexcept>
#include <string>

namespace carmaseq_cli {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The command line is wrong: an unknown option, a missing or malformed value. Reported with a
// hint to the command's --help; exit status 2. Copyable.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// The command was understood but could not be carried out: unreadable or malformed input, a
// file that cannot be written. Exit status 1. Copyable.
class CommandError : public std::runtime_error {
 public:
  explicit CommandError(const std::string& message) : std::runtime_error(message) {}
};

// text in single quotes for a message, cut to its first 100 bytes ("..." marks the cut), so that
// a huge input line is not echoed whole.
inline std::string Quoted(const std::string& text) {
  constexpr std::size_t kShown = 100;
  return "'" + text.substr(0, kShown) + (text.size() > kShown ? "...'" : "'");
}

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_COMMON_ERRORS_H_
