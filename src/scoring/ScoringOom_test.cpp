// Memory running out at each allocation in turn, while a model scores and while the translator
// reads a document. A score still returns the default status, and its record gets an empty
// prediction (or no result at all) and a trace line saying memory ran out; a read gives no model
// and says memory ran out, never that the document was wrong. With memory enough, both give
// exactly what they give without failures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "foundation/failing_new_testutil.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/SequentialResult.h"
#include "scoring/VectorValue.h"
#include "scoring/scoring_testutil.h"

namespace QxQuorvis_940 {
namespace {

using Predictions = std::vector<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor>;

// The prediction list of a result, or null when it has none.
const Predictions* List(const ScoreResult* result) {
  const auto* list =
      result == nullptr
          ? nullptr
          : dynamic_cast<const VectorValue<Predictions::value_type>*>(result->GetPrediction());
  return list == nullptr ? nullptr : &list->GetVectorValue();
}

class ScoringOomTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
  static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

  void TearDown() override { ::testutil::allocationsLeft = -1; }
  std::string TakeTrace() { return trace_.Take(); }

  testutil::TraceCapture trace_;
};

TEST_F(ScoringOomTest, ScoresReturnOkWithAnEmptyPredictionWhenMemoryRunsOut) {
  testutil::ModelLoader loader;
  const std::unique_ptr<SequentialAssocModel> model =
      loader.Load(testutil::ExampleLatticeDocument());
  ASSERT_NE(nullptr, model);
  MapCaseRecord record;
  record.SetField("sequence", "(2)(1)");
  record.SetField("returnType", "futureItems");
  record.SetField("fromCurrent", "");
  ScoreResult* reference = nullptr;
  ASSERT_TRUE(model->GetScore(&record, reference, false).IsOK());
  const Predictions expected = *List(reference);
  ASSERT_FALSE(expected.empty());

  // Scored into no result, and into a result of the model's own kind holding a stale list.
  for (const bool reuse : {false, true}) {
    bool complete = false;
    for (long allowed = 0; !complete && allowed < 10000; ++allowed) {
      ScoreResult* result = nullptr;
      if (reuse) {
        ASSERT_TRUE(model->GetScore(&record, result, false).IsOK());
      }
      TakeTrace();
      ::testutil::allocationsLeft = allowed;
      const QxScore::QxStatus status = model->GetScore(&record, result, false);
      ::testutil::allocationsLeft = -1;
      EXPECT_TRUE(status.IsOK()) << allowed;
      const Predictions* list = List(result);
      complete = list != nullptr && !list->empty();
      if (complete) {
        EXPECT_EQ(expected.size(), list->size()) << allowed;
      } else {
        EXPECT_TRUE(list == nullptr || list->empty()) << allowed;
        EXPECT_NE(std::string::npos, TakeTrace().find("memory")) << allowed;
      }
      delete result;
    }
    EXPECT_TRUE(complete);
  }
  delete reference;
}

TEST_F(ScoringOomTest, ReadsSayMemoryRanOutNeverThatTheDocumentIsWrong) {
  testutil::ModelLoader reference;
  const std::unique_ptr<SequentialAssocModel> expected =
      reference.Load(testutil::ExampleLatticeDocument());
  ASSERT_NE(nullptr, expected);
  testutil::DocumentParser parser;
  xercesc::DOMDocument* document = parser.Parse(testutil::ExampleLatticeDocument());
  ASSERT_NE(nullptr, document);
  SequentialTranslator translator;
  std::string encoding = "UTF-8";
  // The document's first element look-up makes its node-list pool, which the XML library leaks
  // when memory runs out there: a read without failures makes it first.
  std::unique_ptr<ScoreModel> model(translator.ParseFromTree(document, encoding));
  ASSERT_NE(nullptr, model);
  model.reset();
  long allowed = 0;
  for (; model == nullptr && allowed < 100000; ++allowed) {
    TakeTrace();
    ::testutil::allocationsLeft = allowed;
    model.reset(translator.ParseFromTree(document, encoding));
    ::testutil::allocationsLeft = -1;
    if (model != nullptr) break;
    const std::string trace = TakeTrace();
    EXPECT_NE(std::string::npos, trace.find("document not read: ")) << allowed << trace;
    EXPECT_NE(std::string::npos, trace.find("memory")) << allowed << trace;
    EXPECT_EQ(std::string::npos, trace.find("document rejected")) << allowed << trace;
  }
  ASSERT_NE(nullptr, model);
  EXPECT_GT(allowed, 10);  // the failures reached the reading, not only its start
  EXPECT_EQ(testutil::Listing(*expected),
            testutil::Listing(static_cast<SequentialAssocModel&>(*model)));
}

}  // namespace
}  // namespace QxQuorvis_940
