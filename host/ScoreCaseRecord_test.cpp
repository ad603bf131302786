#include "ScoreCaseRecord.h"

#include <gtest/gtest.h>

#include <string>

#include "ScoreValue.h"

namespace QxQuorvis_940 {
namespace {

TEST(MapCaseRecordTest, LooksUpFieldsByExactName) {
  MapCaseRecord record;
  record.SetField("sequence", "(1 2)(3)");
  record.SetField("maxReturn", "5");
  record.SetField("maxReturn", "-3");
  record.SetField("fromCurrent", "");  // Present with empty text is still present.
  const MapCaseRecord copy = record;
  const auto text = [](const ScoreCaseRecord& host, const char* name) {
    const ScoreValue* value = host.GetFieldValue(name);
    return value == nullptr ? std::string("<absent>") : value->GetString();
  };
  EXPECT_EQ("(1 2)(3)", text(record, "sequence"));
  EXPECT_EQ(-3, record.GetFieldValue("maxReturn")->GetInt());
  EXPECT_EQ("", text(record, "fromCurrent"));
  EXPECT_EQ("<absent>", text(record, "returnType"));
  EXPECT_EQ("<absent>", text(record, "Sequence"));
  record.Clear();
  EXPECT_EQ("<absent>", text(record, "maxReturn"));
  EXPECT_EQ("-3", text(copy, "maxReturn"));
}

}  // namespace
}  // namespace QxQuorvis_940
