// The output files of one run, which appear together and complete, or not at all.
#ifndef CARMASEQ_TOOLS_COMMON_OUTPUTFILES_H_
#define CARMASEQ_TOOLS_COMMON_OUTPUTFILES_H_

#include <sys/types.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace carmaseq_cli {

// Every output is written to a temporary file; CommitAll then puts them all in place. A regular
// target (a symbolic link is followed to its target) is replaced by renaming, keeping its
// permission bits; the replaced file is kept as a hidden backup until every output is in place,
// and put back when one fails. Any other target (a device, a pipe, and "-" for standard output)
// is written through, before any rename. Temporary files and backups are removed on every
// failure, and by SIGINT, SIGTERM or SIGHUP, which end the program with status 128 + the signal's
// number. Not copyable; one thread.
class OutputFiles {
 public:
  OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;
  // Removes the temporary files of a run that did not commit.
  ~OutputFiles();

  // Declares a file the run reads; no output may be the same file. Paths that do not exist yet
  // (reading reports them) and "-" are ignored.
  void AddInput(const std::string& path);
  // Declares an output and checks it at once, before any work. Throws UsageError when path is
  // empty, an input or another output (compared by device and inode, so links and relative
  // paths are caught); CommandError when it is a directory, its directory is missing or not
  // writable, or an existing target is not writable.
  void Declare(const std::string& path);

  // The stream of a declared output, on a new temporary file. Throws CommandError when it cannot
  // be created. REQUIRES: path declared and not opened yet.
  std::fstream& Open(const std::string& path);

  // Puts every opened output in place, as described above. Throws CommandError (every target
  // then as it was, except targets written through) when a write, a copy or a rename fails.
  void CommitAll();

  // Paths of the opened outputs, in order of opening.
  std::vector<std::string> OpenedPaths() const;

  // Installs the signal handlers (done by the constructor as well). Idempotent.
  static void InstallSignalCleanup();

 private:
  struct Output;

  Output* Find(const std::string& path);
  void WriteThrough(Output& output);
  void RollBack(std::size_t renamed);
  void RemoveTemporaries();

  std::vector<std::pair<dev_t, ino_t>> inputs_;
  std::vector<std::string> inputPaths_;
  std::vector<std::unique_ptr<Output>> outputs_;
};

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_COMMON_OUTPUTFILES_H_
