#include "ScoreCaseRecord.h"

#include <gtest/gtest.h>

#include "ScoreValue.h"

namespace QxQuorvis_940 {
namespace {

TEST(MapCaseRecordTest, LooksUpFieldsByExactName) {
  MapCaseRecord record;
  record.SetField("sequence", "(1 2)(3)");
  record.SetField("maxReturn", "5");
  record.SetField("fromCurrent", "");
  const ScoreCaseRecord& host = record;

  const ScoreValue* sequence = host.GetFieldValue("sequence");
  ASSERT_NE(nullptr, sequence);
  EXPECT_EQ("(1 2)(3)", sequence->GetString());
  ASSERT_NE(nullptr, host.GetFieldValue("maxReturn"));
  EXPECT_EQ(5, host.GetFieldValue("maxReturn")->GetInt());
  // A field present with empty text is still present.
  ASSERT_NE(nullptr, host.GetFieldValue("fromCurrent"));
  EXPECT_EQ("", host.GetFieldValue("fromCurrent")->GetString());
  EXPECT_EQ(nullptr, host.GetFieldValue("returnType"));
  EXPECT_EQ(nullptr, host.GetFieldValue("Sequence"));
}

TEST(MapCaseRecordTest, SettingAgainReplacesAndClearEmpties) {
  MapCaseRecord record;
  record.SetField("maxReturn", "5");
  record.SetField("maxReturn", "-3");
  EXPECT_EQ(-3, record.GetFieldValue("maxReturn")->GetInt());
  MapCaseRecord copy = record;
  record.Clear();
  EXPECT_EQ(nullptr, record.GetFieldValue("maxReturn"));
  ASSERT_NE(nullptr, copy.GetFieldValue("maxReturn"));
  EXPECT_EQ("-3", copy.GetFieldValue("maxReturn")->GetString());
}

}  // namespace
}  // namespace QxQuorvis_940
