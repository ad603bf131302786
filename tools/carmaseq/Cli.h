// The carmaseq program without its process entry: picks the subcommand, parses its options,
// runs it and turns failures into messages and exit statuses.
#ifndef CARMASEQ_TOOLS_CARMASEQ_CLI_H_
#define CARMASEQ_TOOLS_CARMASEQ_CLI_H_

#include <string>
#include <vector>

#include "Console.h"

namespace carmaseq_cli {

// Runs "carmaseq ARGS..." (args excludes the program name). Errors are written to console.err
// as "carmaseq: MESSAGE". Returns 0 on success, 1 when a command fails, 2 for a usage error.
int RunCarmaseq(const std::vector<std::string>& args, const Console& console);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_CLI_H_
