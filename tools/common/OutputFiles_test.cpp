#include "OutputFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Errors.h"

namespace carmaseq_cli {
namespace {

namespace fs = std::filesystem;

class OutputFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "carmaseq_outputs_XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
};

// A rename that fails at the end puts back the outputs already replaced and removes the ones
// created, leaving no temporary file or backup behind.
TEST_F(OutputFilesTest, FailedRenamePutsEveryEarlierOutputBack) {
  std::ofstream(Path("a")) << "old a";
  chmod(Path("a").c_str(), 0600);
  {
    OutputFiles files;
    for (const char* name : {"a", "new", "b"}) files.Declare(Path(name));
    files.Open(Path("a")) << "new a";
    files.Open(Path("new")) << "new";
    files.Open(Path("b")) << "new b";
    fs::create_directory(Path("b"));  // appears after the checks
    fs::create_directory(Path("b/x"));
    EXPECT_THROW(files.CommitAll(), CommandError);
  }
  EXPECT_EQ("old a", Read(Path("a")));
  EXPECT_FALSE(fs::exists(Path("new")));
  EXPECT_EQ(2u, Entries());

  OutputFiles files;
  files.Declare(Path("a"));
  files.Open(Path("a")) << "newer";
  files.CommitAll();
  EXPECT_EQ("newer", Read(Path("a")));
  struct stat info;
  ASSERT_EQ(0, stat(Path("a").c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777u) << "the target's permission bits are kept";
  EXPECT_EQ(2u, Entries());
}

}  // namespace
}  // namespace carmaseq_cli
