#include "OutputFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "Errors.h"

namespace carmaseq_cli {

namespace {

// ---- Files to remove when a signal ends the program ----

constexpr int kSlots = 64;
std::atomic<char*> gDoomed[kSlots];
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void Remember(const std::string& path) {
  char* copy = strdup(path.c_str());
  for (auto& slot : gDoomed) {
    char* expected = nullptr;
    if (slot.compare_exchange_strong(expected, copy)) return;
  }
  std::free(copy);  // more outputs than slots: the rest is removed only on ordinary failures
}

void Forget(const std::string& path) {
  for (auto& slot : gDoomed) {
    char* held = slot.load();
    if (held != nullptr && path == held && slot.compare_exchange_strong(held, nullptr)) {
      std::free(held);
      return;
    }
  }
}

extern "C" void RemoveAndExit(int signal) {
  for (auto& slot : gDoomed) {
    const char* path = slot.load();
    if (path != nullptr) unlink(path);
  }
  _exit(128 + signal);
}

// Blocks the cleanup signals for the lifetime of the object, so that the renames of a commit
// and their rollback are not cut in half.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanupSignals) sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

// ---- Paths ----

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SystemError(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

// The permissions a newly created file gets (mkstemp makes it private).
mode_t DefaultMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// path with symbolic links followed, when it names an existing one.
std::string FollowLinks(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// An absolute, normal form for comparing paths of files that do not exist yet.
std::string Normal(const std::string& path) {
  std::error_code error;
  const auto normal = std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
  return error ? path : normal.string();
}

}  // namespace

struct OutputFiles::Output {
  enum class Kind { kNew, kReplace, kThrough };

  std::string path;    // as given
  std::string target;  // links followed; empty for standard output
  Kind kind = Kind::kNew;
  mode_t mode = 0;  // of the file to create
  dev_t device = 0;
  ino_t inode = 0;
  std::string temp, backup;  // empty when there is none
  bool renamed = false;      // the temporary file replaced the target
  std::fstream stream;
};

OutputFiles::OutputFiles() { InstallSignalCleanup(); }

OutputFiles::~OutputFiles() { RemoveTemporaries(); }

void OutputFiles::InstallSignalCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RemoveAndExit;
  sigemptyset(&action.sa_mask);
  for (int signal : kCleanupSignals) sigaction(signal, &action, nullptr);
}

void OutputFiles::AddInput(const std::string& path) {
  struct stat info;
  if (path == "-" || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  inputs_.emplace_back(info.st_dev, info.st_ino);
  inputPaths_.push_back(path);
}

void OutputFiles::Declare(const std::string& path) {
  if (path.empty() || path.back() == '/') throw UsageError("bad output file name '" + path + "'");
  auto output = std::make_unique<Output>();
  output->path = path;
  output->mode = DefaultMode();
  if (path == "-") {
    output->kind = Output::Kind::kThrough;
  } else {
    output->target = FollowLinks(path);
    struct stat info;
    if (stat(output->target.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) throw CommandError("cannot write " + path + ": it is a directory");
      if (access(output->target.c_str(), W_OK) != 0) throw CommandError(SystemError("write", path));
      output->kind = S_ISREG(info.st_mode) ? Output::Kind::kReplace : Output::Kind::kThrough;
      output->mode = info.st_mode & 07777;
      output->device = info.st_dev;
      output->inode = info.st_ino;
    } else if (errno != ENOENT) {
      throw CommandError(SystemError("write", path));
    }
    const std::string directory = DirectoryOf(output->target);
    if (output->kind != Output::Kind::kThrough && access(directory.c_str(), W_OK | X_OK) != 0) {
      throw CommandError(SystemError("write", path) + " (directory " + directory + ")");
    }
  }
  for (std::size_t i = 0; i < inputs_.size(); ++i) {
    if (output->kind == Output::Kind::kReplace &&
        inputs_[i] == std::make_pair(output->device, output->inode)) {
      throw UsageError("output " + path + " is the input " + inputPaths_[i]);
    }
  }
  for (const auto& other : outputs_) {
    const bool same =
        output->kind == Output::Kind::kReplace
            ? other->kind == Output::Kind::kReplace && other->device == output->device &&
                  other->inode == output->inode
            : (output->target.empty() && other->target.empty() &&
               other->kind == Output::Kind::kThrough) ||
                  (output->kind == Output::Kind::kNew && other->kind == Output::Kind::kNew &&
                   Normal(other->target) == Normal(output->target));
    if (same) throw UsageError("outputs " + other->path + " and " + path + " are the same file");
  }
  outputs_.push_back(std::move(output));
}

OutputFiles::Output* OutputFiles::Find(const std::string& path) {
  for (auto& output : outputs_) {
    if (output->path == path) return output.get();
  }
  return nullptr;
}

std::fstream& OutputFiles::Open(const std::string& path) {
  Output* output = Find(path);
  if (output == nullptr) throw CommandError("output " + path + " was not declared");
  // Written through: the temporary file goes where temporary files go; else next to the target,
  // so that the rename stays on one file system.
  std::string directory = DirectoryOf(output->target);
  if (output->kind == Output::Kind::kThrough) {
    const char* tmp = std::getenv("TMPDIR");
    directory = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  const std::string base = output->target.empty() ? "stdout" : BaseNameOf(output->target);
  std::string name = directory + "/." + base + ".tmp-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) throw CommandError(SystemError("create a temporary file for", path));
  output->temp = name;
  Remember(name);
  fchmod(fd, output->mode);
  close(fd);
  output->stream.open(name, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
  if (!output->stream) throw CommandError(SystemError("open", name));
  return output->stream;
}

std::vector<std::string> OutputFiles::OpenedPaths() const {
  std::vector<std::string> paths;
  for (const auto& output : outputs_) {
    if (!output->temp.empty()) paths.push_back(output->path);
  }
  return paths;
}

void OutputFiles::WriteThrough(Output& output) {
  std::cout.flush();
  const int fd = output.target.empty() ? STDOUT_FILENO : open(output.target.c_str(), O_WRONLY);
  if (fd < 0) throw CommandError(SystemError("write", output.path));
  output.stream.seekg(0);
  char buffer[1 << 15];
  bool ok = true;
  while (ok && output.stream.read(buffer, sizeof buffer).gcount() > 0) {
    const char* at = buffer;
    std::size_t left = static_cast<std::size_t>(output.stream.gcount());
    while (ok && left > 0) {
      const ssize_t n = write(fd, at, left);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) at += n, left -= static_cast<std::size_t>(n);
    }
  }
  const int savedErrno = errno;
  if (fd != STDOUT_FILENO) close(fd);
  errno = savedErrno;
  if (!ok) throw CommandError(SystemError("write", output.path));
}

void OutputFiles::RollBack(std::size_t renamed) {
  for (std::size_t i = 0; i < renamed; ++i) {
    Output& output = *outputs_[i];
    if (!output.renamed) continue;
    if (!output.backup.empty()) {
      if (std::rename(output.backup.c_str(), output.target.c_str()) == 0) {
        Forget(output.backup);
        output.backup.clear();
      }
    } else {
      unlink(output.target.c_str());
    }
  }
}

void OutputFiles::RemoveTemporaries() {
  for (auto& output : outputs_) {
    if (output->stream.is_open()) output->stream.close();
    for (std::string* path : {&output->temp, &output->backup}) {
      if (path->empty()) continue;
      unlink(path->c_str());
      Forget(*path);
      path->clear();
    }
  }
}

void OutputFiles::CommitAll() {
  SignalsHeld held;
  try {
    for (auto& output : outputs_) {
      if (output->temp.empty()) continue;
      output->stream.flush();
      if (!output->stream) throw CommandError("cannot write " + output->path + " (disk full?)");
    }
    for (auto& output : outputs_) {
      if (!output->temp.empty() && output->kind == Output::Kind::kThrough) WriteThrough(*output);
    }
    for (auto& output : outputs_) {
      if (output->temp.empty() || output->kind != Output::Kind::kReplace) continue;
      std::string backup = output->temp;
      backup.replace(backup.rfind(".tmp-"), 5, ".bak-");
      if (link(output->target.c_str(), backup.c_str()) != 0) {
        throw CommandError(SystemError("keep a backup of", output->path));
      }
      output->backup = backup;
      Remember(backup);
    }
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
      Output& output = *outputs_[i];
      if (output.temp.empty() || output.kind == Output::Kind::kThrough) continue;
      output.stream.close();
      if (std::rename(output.temp.c_str(), output.target.c_str()) != 0) {
        const std::string message = SystemError("rename the output to", output.path);
        RollBack(i);
        throw CommandError(message + "; no output was changed");
      }
      output.renamed = true;
      Forget(output.temp);
      output.temp.clear();
    }
  } catch (...) {
    RemoveTemporaries();
    throw;
  }
  RemoveTemporaries();  // the backups
}

}  // namespace carmaseq_cli
