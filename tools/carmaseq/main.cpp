// The carmaseq command-line program.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const carmaseq_cli::Console console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  const int status = carmaseq_cli::RunCarmaseq(args, console);
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "carmaseq: cannot write to standard output\n";
    return 1;
  }
  return status;
}
