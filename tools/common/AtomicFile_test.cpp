#include "AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Errors.h"

namespace carmaseq_cli {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "carmaseq_atomic_XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    dir_ = pattern;
    target_ = (dir_ / "out.txt").string();
    std::ofstream(target_) << "old";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Target() const {
    std::ifstream in(target_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
  std::string target_;
};

TEST_F(AtomicFileTest, TargetChangesOnlyAtCommit) {
  AtomicFile file(target_);
  file.stream() << "new";
  file.stream().flush();
  EXPECT_EQ("old", Target());
  EXPECT_EQ(2u, Entries());
  file.Commit();
  EXPECT_EQ("new", Target());
  EXPECT_EQ(1u, Entries());
  struct stat info;
  ASSERT_EQ(0, stat(target_.c_str(), &info));
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(0666u & ~mask, info.st_mode & 0777u) << "not left private like a temporary file";
}

TEST_F(AtomicFileTest, AbandonedFileLeavesNothingBehind) {
  { AtomicFile(target_).stream() << "half"; }
  EXPECT_EQ("old", Target());
  EXPECT_EQ(1u, Entries());
  EXPECT_THROW(AtomicFile((dir_ / "no-such-dir" / "x").string()), CommandError);
}

}  // namespace
}  // namespace carmaseq_cli
