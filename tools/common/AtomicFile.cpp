#include "AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Errors.h"

namespace carmaseq_cli {

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The permissions a newly created file would get (mkstemp makes it private).
mode_t DefaultMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::string SystemError(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  if (path_.empty() || path_.back() == '/')
    throw CommandError("bad output file name '" + path_ + "'");
  std::string pattern = DirectoryOf(path_) + "/." + BaseNameOf(path_) + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw CommandError(SystemError("create a file next to", path_));
  fchmod(fd, DefaultMode());
  close(fd);
  tempPath_ = name.data();
  stream_.open(tempPath_, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!stream_) {
    std::remove(tempPath_.c_str());
    throw CommandError(SystemError("open", tempPath_));
  }
}

AtomicFile::~AtomicFile() {
  if (tempPath_.empty()) return;
  stream_.close();
  std::remove(tempPath_.c_str());
}

void AtomicFile::Commit() {
  stream_.flush();
  const bool written = static_cast<bool>(stream_);
  stream_.close();
  if (!written || stream_.fail()) throw CommandError("cannot write " + path_ + " (disk full?)");
  if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    throw CommandError(SystemError("rename the output to", path_));
  }
  tempPath_.clear();
}

}  // namespace carmaseq_cli
