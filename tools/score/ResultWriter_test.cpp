#include "ResultWriter.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

namespace carmaseq_score {
namespace {

using SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor;

ScoredCase Example(const std::string* id) {
  ScoredCase scored;
  scored.id = id;
  scored.target = "futureItems";
  scored.predictions = {
      SeqConsequentDescriptor(3, 0.25, 2.0 / 3.0, 1.0),
      SeqConsequentDescriptor(-1, 1e-7, 0.5, std::numeric_limits<double>::infinity())};
  return scored;
}

TEST(ResultWriterTest, CsvQuotesFieldsThatNeedIt) {
  std::ostringstream out;
  const std::string id = "a,\"b\"";
  const std::unique_ptr<ResultWriter> writer = NewCsvWriter(out);
  writer->Write(Example(&id));
  writer->Write(ScoredCase{nullptr, "currentItems", {}});
  EXPECT_EQ(
      "id,target,predictions\n"
      "\"a,\"\"b\"\"\",futureItems,3:0.6666666666666666:0.25:1 -1:0.5:1e-07:inf\n"
      ",currentItems,\n",
      out.str());
}

TEST(ResultWriterTest, JsonLinesEscapeTextAndHaveNoInfinity) {
  std::ostringstream out;
  const std::string id = "q\"\\\n";
  const std::unique_ptr<ResultWriter> writer = NewJsonLinesWriter(out);
  writer->Write(Example(&id));
  writer->Write(ScoredCase{nullptr, "currentItems", {}});
  EXPECT_EQ(
      "{\"id\":\"q\\\"\\\\\\u000a\",\"target\":\"futureItems\",\"predictions\":["
      "{\"item\":3,\"confidence\":0.6666666666666666,\"support\":0.25,\"cause\":1},"
      "{\"item\":-1,\"confidence\":0.5,\"support\":1e-07,\"cause\":null}]}\n"
      "{\"id\":null,\"target\":\"currentItems\",\"predictions\":[]}\n",
      out.str());
}

}  // namespace
}  // namespace carmaseq_score
