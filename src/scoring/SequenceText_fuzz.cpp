// libFuzzer target: the model's sequence text parser on arbitrary text, and a score of that
// text against a small lattice (current and future items, with and without fromCurrent).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <xercesc/util/PlatformUtils.hpp>

#include "ScoreCaseRecord.h"
#include "ScoreResult.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/scoring_testutil.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace {

using QxQuorvis_940::SequentialAssocModel;

// N = 10 over the items 1 to 3, with links, as the lattice export writes such a lattice.
SequentialAssocModel* Model() {
  static SequentialAssocModel* model = [] {
    xercesc::XMLPlatformUtils::Initialize();
    QxQuorvis_940::testutil::ModelLoader loader;
    std::unique_ptr<SequentialAssocModel> loaded =
        loader.Load(QxQuorvis_940::testutil::LatticeDocument({{{}, 10, {{1, 1}, {2, 1}, {3, 1}}},
                                                              {{{1}}, 6, {{2, 3}, {3, 3}, {2, 0}}},
                                                              {{{2}}, 5, {{3, 3}, {1, 0}}},
                                                              {{{3}}, 4, {}},
                                                              {{{1}, {2}}, 3, {}},
                                                              {{{1}, {3}}, 4, {}},
                                                              {{{2}, {3}}, 2, {}},
                                                              {{{1, 2}}, 2, {}}},
                                                             10));
    if (loaded == nullptr) std::abort();
    return loaded.release();
  }();
  return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SEQUENCE_NAMESPACE_800::Sequence sequence =
      QxQuorvis_940::SequentialAssocModelTestPeer::GetSequence(text);
  // Each item comes from a run of digits, and each set from a "(" (or the text's end).
  std::int64_t items = 0;
  for (int i = 0; i < sequence.Length(); ++i) items += sequence[i].Size();
  if (items > static_cast<std::int64_t>(size) || sequence.Length() > static_cast<int>(size)) {
    std::abort();
  }

  QxQuorvis_940::MapCaseRecord record;
  record.SetField("sequence", text);
  QxQuorvis_940::ScoreResult* result = nullptr;
  for (const char* type : {"currentItems", "futureItems"}) {
    record.SetField("returnType", type);
    if (!Model()->GetScore(&record, result, false).IsOK()) std::abort();
  }
  record.SetField("fromCurrent", "");
  if (!Model()->GetScore(&record, result, false).IsOK()) std::abort();
  delete result;
  return 0;
}
