// The carmaseq command-line program.
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"

namespace {

// Blocks below this size come from the heap, where freed memory is used again, rather than from
// mappings of their own. A run reads its input into arrays that grow by doubling, then mines
// into tables and arrays of similar sizes: with the C library's default (a mapping for 128 KB
// and up, raised only as mappings are freed) the reader's discarded arrays went back to the
// system and the miner's new ones were faulted in afresh, a few microseconds a page. Blocks of
// this size and more still get mappings, so that freeing them returns the memory at once.
constexpr int kHeapBlocksBelow = 4 << 20;

void TuneAllocator() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, kHeapBlocksBelow);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  TuneAllocator();
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
