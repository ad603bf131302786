#include "ScoringLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace QxQuorvis_940 {
namespace {

// Sends the log to a temporary file and restores the level and stream afterwards.
class ScoringLogTest : public testing::Test {
 protected:
  void SetUp() override {
    file_ = std::tmpfile();
    ASSERT_NE(nullptr, file_);
    savedLevel_ = log_.GetTraceLevel();
    log_.SetOutput(file_);
  }
  void TearDown() override {
    log_.SetOutput(nullptr);
    log_.SetTraceLevel(savedLevel_);
    std::fclose(file_);
  }
  std::string Written() {
    std::string text;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
  }

  ScoringLog& log_ = ScoringLog::GetInstance();
  std::FILE* file_ = nullptr;
  int savedLevel_ = 0;
};

TEST_F(ScoringLogTest, WritesNothingWhenOff) {
  log_.SetTraceLevel(0);
  log_.TraceText(1, "Enter:%s", "x");
  EXPECT_FALSE(log_.IsTracing(1));
  EXPECT_EQ("", Written());
}

TEST_F(ScoringLogTest, WritesFormattedLinesUpToTheLevel) {
  log_.SetTraceLevel(1);
  log_.TraceText(1, "Enter:%s", "QxQuorvis_940::SequentialTranslator::ParseFromTree");
  log_.TraceText(2, "detail %d", 7);
  log_.SetTraceLevel(2);
  log_.TraceText(2, "level %d of %s", 2, "two");
  const std::string longText(5000, 'z');
  log_.TraceText(1, "%s", longText.c_str());
  EXPECT_EQ("Enter:QxQuorvis_940::SequentialTranslator::ParseFromTree\nlevel 2 of two\n" +
                longText + "\n",
            Written());
}

}  // namespace
}  // namespace QxQuorvis_940
