// libFuzzer target: the lattice translator on arbitrary documents. Bytes that Xerces parses are
// handed to ParseFromTree; an accepted document's model must hold a table per level and keys of
// at most 31 items, and must score cases whatever links its sequences carry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "ScoreResult.h"
#include "dictionary/SequenceDictionary.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/scoring_testutil.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"

namespace {

using QxQuorvis_940::MapCaseRecord;
using QxQuorvis_940::ScoreResult;
using QxQuorvis_940::SequentialAssocModel;

// A dictionary has at most 32 levels, every one with a table, and keys hold at most 31 items.
void CheckLevels(const SequentialAssocModel& model) {
  const SEQUENCE_NAMESPACE_800::SequenceDictionary* dictionary = model.GetSequenceDictionary();
  if (dictionary->getNumberOfLevels() > 32) std::abort();
  for (int level = 0; level < dictionary->getNumberOfLevels(); ++level) {
    const SEQUENCE_NAMESPACE_800::HashtableSQPair* table = dictionary->getLevelTable(level);
    if (table == nullptr) std::abort();
    for (auto it = table->begin(); it != table->end(); ++it) {
      if (it->key->size() > 31) std::abort();
    }
  }
}

void ScoreSome(SequentialAssocModel* model) {
  ScoreResult* result = nullptr;
  MapCaseRecord record;
  for (const char* sequence : {"", "(1)", "(1 2)(3)", "(1)(2)(3)(4 5)", "(1 2)(1 2)(2 3)(1 2 3)"}) {
    record.SetField("sequence", sequence);
    record.SetField("returnType", "currentItems");
    if (!model->GetScore(&record, result, false).IsOK()) std::abort();
    record.SetField("returnType", "futureItems");
    if (!model->GetScore(&record, result, false).IsOK()) std::abort();
    record.SetField("fromCurrent", "");
    if (!model->GetScore(&record, result, false).IsOK()) std::abort();
  }
  delete result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool initialised = (xercesc::XMLPlatformUtils::Initialize(), true);
  (void)initialised;
  QxQuorvis_940::testutil::ModelLoader loader;
  const std::unique_ptr<SequentialAssocModel> model =
      loader.Load(std::string(reinterpret_cast<const char*>(data), size));
  if (model == nullptr) return 0;
  CheckLevels(*model);
  ScoreSome(model.get());
  return 0;
}
