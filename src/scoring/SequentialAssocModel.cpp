#include "scoring/SequentialAssocModel.h"

#include <cctype>
#include <cstdint>
#include <new>
#include <ostream>
#include <utility>

#include "NumericValue.h"
#include "ScoreCaseRecord.h"
#include "ScoreDictVar.h"
#include "ScoreValue.h"
#include "ScoringLog.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/SequenceSemiLattice.h"
#include "foundation/QxStatus.h"
#include "scoring/Failure.h"
#include "scoring/SequentialResult.h"
#include "scoring/VectorValue.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace QxQuorvis_940 {

// The prediction list that hosts receive: instantiated here and exported with the model.
template class CARMASEQ_SCORING_EXPORT VectorValue<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor>;

namespace {

using SEQUENCE_NAMESPACE_800::HashtableSQPair;
using SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor;
using SEQUENCE_NAMESPACE_800::Sequence;
using SEQUENCE_NAMESPACE_800::SequenceDictionary;
using SEQUENCE_NAMESPACE_800::SequenceSemiLattice;
using SEQUENCE_NAMESPACE_800::TimedItemSet;
using PredictionVector = VectorValue<SeqConsequentDescriptor>;

constexpr char kFutureItems[] = "futureItems";
constexpr char kCurrentItems[] = "currentItems";
constexpr int kDefaultMaxReturn = 20;
// Display lists at most this many entries per level.
constexpr int kDisplayedEntries = 21;

void DeleteTables(HashtableSQPair** tables, int levelCount) {
  if (tables == nullptr) return;
  for (int level = 0; level < levelCount; ++level) delete tables[level];
  delete[] tables;
}

// The field `name` of record when it is present; null otherwise, also for a null record.
const ScoreValue* Field(const ScoreCaseRecord* record, const char* name) {
  return record == nullptr ? nullptr : record->GetFieldValue(name);
}

// The text of the field `name`; empty when the field is absent.
std::string FieldText(const ScoreCaseRecord* record, const char* name) {
  const ScoreValue* value = Field(record, name);
  return value == nullptr ? std::string() : value->GetString();
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Reads the time text that starts after a "[" at text[begin] and sets it on set when it is
// readable. Returns the position after the closing "]", or text.size() when there is none.
size_t ReadTime(const std::string& text, size_t begin, int maxRetained, TimedItemSet* set) {
  std::string retained;
  bool tooLong = false;
  size_t i = begin;
  for (; i < text.size() && text[i] != ']'; ++i) {
    if (!IsDigit(text[i]) && text[i] != '.') continue;
    if (static_cast<int>(retained.size()) < maxRetained) {
      retained.push_back(text[i]);
    } else {
      tooLong = true;
    }
  }
  if (i == text.size()) return i;  // unclosed: not a time
  if (!retained.empty() && !tooLong) set->SetTime(NumericValue(retained).GetDouble());
  return i + 1;
}

// Says in a trace line why the dictionary gave no prediction. Throws nothing.
void TraceStatus(const QxCommon_940::QxStatus& status) noexcept {
  const std::int32_t code = status.GetErrorCode();
  const char* what = code == QxCommon_940::QxStatus::kCancelled     ? "cancelled"
                     : code == QxCommon_940::QxStatus::kOutOfMemory ? "out of memory"
                                                                    : "failed";
  try {
    ScoringLog::GetInstance().TraceText(
        1, "QxQuorvis_940::SequentialAssocModel::GetScore: prediction %s (status %d); it is empty",
        what, static_cast<int>(code));
  } catch (...) {
  }
}

}  // namespace

SequentialAssocModel::SequentialAssocModel() : querySequence_(std::make_unique<Sequence>()) {}

SequentialAssocModel::SequentialAssocModel(HashtableSQPair** tables, int levelCount)
    : levelCount_(levelCount) {
  try {
    querySequence_ = std::make_unique<Sequence>();
    dictionary_.reset(new SequenceDictionary(tables, levelCount));
  } catch (const std::bad_alloc&) {
    // Only the allocations before the dictionary's constructor throw this; the constructor
    // itself releases the tables when it fails.
    DeleteTables(tables, levelCount);
    throw;
  }
}

SequentialAssocModel::~SequentialAssocModel() = default;

void SequentialAssocModel::SetPredictionOnly(bool /*predictionOnly*/) {}

std::vector<ScoreDictVar*>* SequentialAssocModel::GetVarsOfRole(VarRole /*role*/) const {
  return nullptr;
}

QxScore::QxStatus SequentialAssocModel::GetScore(const ScoreCaseRecord* record,
                                                 ScoreResult*& result, bool /*validateRecord*/) {
  try {
    Score(record, result);
  } catch (...) {
    // The trace line must not throw in turn.
    try {
      ScoringLog::GetInstance().TraceText(
          1, "QxQuorvis_940::SequentialAssocModel::GetScore: %s; the prediction is empty",
          CurrentFailure());
    } catch (...) {
    }
    ClearPrediction(result);
  }
  return QxScore::QxStatus();
}

void SequentialAssocModel::ClearPrediction(ScoreResult*& result) noexcept {
  if (result != nullptr && result->GetScoreResultType() == SequentialResult::kResultType) {
    auto* list = dynamic_cast<PredictionVector*>(result->GetPrediction());
    if (list != nullptr) {
      list->SetVectorValue(std::vector<SeqConsequentDescriptor>());  // allocates nothing
      return;
    }
    result->SetPrediction(nullptr);
    try {
      auto empty = std::make_unique<PredictionVector>();
      result->SetPrediction(empty.get());
      empty.release();
    } catch (...) {
      // The result keeps no prediction at all.
    }
    return;
  }
  // The caller's result was not replaced yet: a foreign result must not keep its prediction.
  delete result;
  result = nullptr;
  try {
    auto target = std::make_unique<DictVar>(kCurrentItems, ScoreDictVar::kResultTarget);
    auto fresh = std::make_unique<SequentialResult>(target.get());
    target.release();
    auto empty = std::make_unique<PredictionVector>();
    fresh->SetPrediction(empty.get());
    empty.release();
    result = fresh.release();
  } catch (...) {
    // No result at all.
  }
}

void SequentialAssocModel::Score(const ScoreCaseRecord* record, ScoreResult*& result) {
  std::vector<SeqConsequentDescriptor> predictions;
  std::string returnType = kCurrentItems;
  int maxReturn = kDefaultMaxReturn;

  // A result of another kind is replaced by a fresh one.
  const bool fresh =
      result == nullptr || result->GetScoreResultType() != SequentialResult::kResultType;
  if (fresh) {
    auto target = std::make_unique<DictVar>(kCurrentItems, ScoreDictVar::kResultTarget);
    auto created = std::make_unique<SequentialResult>(target.get());
    target.release();
    delete result;
    result = created.release();
  }

  const std::string sequenceText = FieldText(record, "sequence");
  const Sequence parsed = sequenceText.empty() ? Sequence() : GetSequence(sequenceText);
  const Sequence* query = sequenceText.empty() ? querySequence_.get() : &parsed;

  const std::string returnText = FieldText(record, "returnType");
  if (!returnText.empty()) returnType = returnText;

  const ScoreValue* maxField = Field(record, "maxReturn");
  if (maxField != nullptr && !maxField->GetString().empty() && maxField->GetInt() >= 0) {
    maxReturn = maxField->GetInt();
  }

  // A record that names "fromCurrent" also asks for items after its shortened histories.
  const bool wholeSequenceOnly = Field(record, "fromCurrent") == nullptr;

  SequenceSemiLattice* lattice = dictionary_.get();
  QxCommon_940::QxStatus status;
  if (returnType == kFutureItems) {
    if (lattice != nullptr) {
      status = lattice->GetFutureItems(predictions, query, maxReturn, wholeSequenceOnly);
    }
  } else {
    returnType = kCurrentItems;
    if (lattice != nullptr) status = lattice->GetCurrentItems(predictions, query, maxReturn);
  }
  if (!status.IsOK()) {
    // Memory ran out or the dictionary was cancelled: the record gets no prediction.
    predictions.clear();
    TraceStatus(status);
  }

  auto* reusable = fresh ? nullptr : dynamic_cast<PredictionVector*>(result->GetPrediction());
  if (reusable != nullptr) {
    reusable->SetVectorValue(std::move(predictions));
  } else {
    // A fresh result, or a reused one that holds no list of predictions.
    auto prediction = std::make_unique<PredictionVector>(predictions);
    result->SetPrediction(prediction.get());
    prediction.release();
  }
  if (result->GetTarget() != nullptr) result->GetTarget()->SetName(returnType);
}

Sequence SequentialAssocModel::GetSequence(std::string text) {
  Sequence sequence;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '(') {
      ++i;
      continue;
    }
    ++i;
    TimedItemSet set(0, 0.0);
    while (i < text.size() && text[i] != ')') {
      if (IsDigit(text[i])) {
        // Item ids are 32-bit: longer digit runs wrap around.
        std::uint32_t item = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
          item = item * 10u + static_cast<std::uint32_t>(text[i] - '0');
        }
        set.AddItem(static_cast<std::int32_t>(item));
      } else if (text[i] == '[') {
        i = ReadTime(text, i + 1, kMaxTimeText, &set);
      } else {
        ++i;
      }
    }
    sequence.AddTimedItemSet(&set);
    if (i < text.size()) ++i;  // the ")"
  }
  return sequence;
}

void SequentialAssocModel::Display(std::ostream& out) const {
  if (dictionary_ == nullptr) return;
  for (int level = 0; level < levelCount_; ++level) {
    const HashtableSQPair* table = dictionary_->getLevelTable(level);
    if (table == nullptr) continue;
    int shown = 0;
    for (auto it = table->begin(); it != table->end() && shown < kDisplayedEntries; ++it, ++shown) {
      it->key->display(out);
      if (it->value != nullptr) it->value->display(out, false);
    }
  }
}

}  // namespace QxQuorvis_940
