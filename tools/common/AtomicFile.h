// An output file that appears under its name only once it is complete.
#ifndef CARMASEQ_TOOLS_COMMON_ATOMICFILE_H_
#define CARMASEQ_TOOLS_COMMON_ATOMICFILE_H_

#include <fstream>
#include <string>

namespace carmaseq_cli {

// Writes go to a temporary file created next to the target (same directory, so the final rename
// stays on one file system); Commit renames it over the target. A file that is never committed
// is removed when the object goes away, so a failed run leaves neither a half-written file nor
// a changed target. Not copyable.
class AtomicFile {
 public:
  // Creates the temporary file. Throws CommandError when it cannot be created.
  explicit AtomicFile(std::string path);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  const std::string& path() const { return path_; }
  // The stream on the temporary file, open for binary output. Valid until Commit.
  std::fstream& stream() { return stream_; }

  // Closes the temporary file and renames it to path(). Throws CommandError, leaving the target
  // untouched, when a write failed or the rename fails. REQUIRES: not committed yet.
  void Commit();

 private:
  std::string path_;
  std::string tempPath_;  // empty once committed or removed
  std::fstream stream_;
};

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_COMMON_ATOMICFILE_H_
