#include "ScoringLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace QxQuorvis_940 {
namespace {

TEST(ScoringLogTest, WritesFormattedLinesUpToTheLevel) {
  ScoringLog& log = ScoringLog::GetInstance();
  std::FILE* file = std::tmpfile();
  ASSERT_NE(nullptr, file);
  const int savedLevel = log.GetTraceLevel();
  log.SetOutput(file);
  log.SetTraceLevel(0);
  log.TraceText(1, "off %s", "x");
  EXPECT_FALSE(log.IsTracing(1));
  log.SetTraceLevel(1);
  log.TraceText(1, "Enter:%s", "QxQuorvis_940::SequentialTranslator::ParseFromTree");
  log.TraceText(2, "detail %d", 7);
  log.SetTraceLevel(2);
  log.TraceText(2, "level %d of %s", 2, "two");
  const std::string longText(5000, 'z');
  log.TraceText(1, "%s", longText.c_str());
  log.SetOutput(nullptr);
  log.SetTraceLevel(savedLevel);
  std::string written(8192, '\0');
  std::rewind(file);
  written.resize(std::fread(written.data(), 1, written.size(), file));
  std::fclose(file);
  EXPECT_EQ("Enter:QxQuorvis_940::SequentialTranslator::ParseFromTree\nlevel 2 of two\n" +
                longText + "\n",
            written);
}

}  // namespace
}  // namespace QxQuorvis_940
