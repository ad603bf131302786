// Where a command writes: its results, its messages, and whether progress may be shown.
#ifndef CARMASEQ_TOOLS_CARMASEQ_CONSOLE_H_
#define CARMASEQ_TOOLS_CARMASEQ_CONSOLE_H_

#include <iosfwd>

namespace carmaseq_cli {

// The streams outlive the object. Progress goes to err, and only when showProgress is set
// (standard error is a terminal). Copyable.
struct Console {
  std::ostream& out;
  std::ostream& err;
  bool showProgress;
};

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_CONSOLE_H_
