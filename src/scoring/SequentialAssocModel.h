// The scoring model that predicts a customer's next items from a sequence lattice.
#ifndef CARMASEQ_SCORING_SEQUENTIALASSOCMODEL_H_
#define CARMASEQ_SCORING_SEQUENTIALASSOCMODEL_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "ScoreModel.h"
#include "scoring/ScoringExport.h"

namespace SEQUENCE_NAMESPACE_800 {
class HashtableSQPair;
class Sequence;
class SequenceDictionary;
}  // namespace SEQUENCE_NAMESPACE_800

namespace QxQuorvis_940 {

struct SequentialAssocModelTestPeer;

// Scores case records against a SequenceDictionary whose lattice is built. For each record it
// reads these fields:
//   "sequence"    the customer's history as text, e.g. "(1 2)(3[12.5])" (see GetSequence);
//   "returnType"  exactly "futureItems" for items of a later item set; anything else gives
//                 "currentItems", items that join the newest item set;
//   "maxReturn"   the most items to return (20 when absent, empty or negative; 0 gives none);
//   "fromCurrent" when present, whatever its value, future items are also predicted from the
//                 history without its newest item sets.
// The result is a SequentialResult whose prediction is a VectorValue of SeqConsequentDescriptor
// and whose target is named after the return type.
//
// Owns its dictionary and its empty query sequence; owns, through BaseModel, the host item
// dictionary and version info it is given. The translator makes it; the host owns it. Not
// copyable. Not thread-safe: a score changes the dictionary's scratch key.
class CARMASEQ_SCORING_EXPORT SequentialAssocModel : public BaseModel {
 public:
  // What GetModelType reports.
  static constexpr int kModelType = 14;

  // A model without a dictionary: every score is an empty list.
  SequentialAssocModel();
  // Takes ownership of tables (a new[] array of levelCount tables, each allocated with new,
  // level 0 holding the empty sequence) and builds the dictionary over them. The tables are
  // released also when construction fails. REQUIRES: 0 <= levelCount <= 32.
  SequentialAssocModel(SEQUENCE_NAMESPACE_800::HashtableSQPair** tables, int levelCount);
  ~SequentialAssocModel() override;

  // Ignored: the model only predicts.
  void SetPredictionOnly(bool predictionOnly) override;
  // Always null: the model gives its fields no roles.
  std::vector<ScoreDictVar*>* GetVarsOfRole(VarRole role) const override;
  // Scores `record` into *result, reusing *result when its GetScoreResultType is 13 and
  // otherwise deleting it and storing a new SequentialResult. `validateRecord` is not consulted.
  // Always returns the default (OK) status. When the score fails (memory running out) the
  // record's prediction is empty, a trace line (level 1) says what happened, and *result is a
  // valid result or, when not even an empty one could be made, null. Throws nothing.
  QxScore::QxStatus GetScore(const ScoreCaseRecord* record, ScoreResult*& result,
                             bool validateRecord) override;
  int GetModelType() const override { return kModelType; }
  // Always true.
  bool GetPredictionOnly() const override { return true; }
  // Debug listing: the first 21 entries of every level below the level count, each key followed
  // by its counter.
  void Display(std::ostream& out) const override;

  // The dictionary, or null for a default-constructed model. The model keeps ownership.
  SEQUENCE_NAMESPACE_800::SequenceDictionary* GetSequenceDictionary() const {
    return dictionary_.get();
  }
  std::int32_t GetLevelCount() const { return levelCount_; }

 private:
  friend struct SequentialAssocModelTestPeer;

  // The longest time text between "[" and "]" that GetSequence reads, in retained characters.
  static constexpr int kMaxTimeText = 39;

  // The customer's sequence from its text. Outside parentheses every character is skipped. "("
  // opens an item set with time 0; inside it a run of digits is an item (wrapping around modulo
  // 2^32 when it is too long for 32 bits), "[...]" gives the set's time from the digits and "."
  // between the brackets, and any other character is skipped; ")" or the end of the text closes
  // the set, also an empty one. A time text of more than kMaxTimeText retained characters, or
  // one whose "]" is missing, is not read: the set keeps its time.
  static SEQUENCE_NAMESPACE_800::Sequence GetSequence(std::string text);

  // The work of GetScore; may throw std::bad_alloc or SeqExceptions::DictionaryFailure.
  void Score(const ScoreCaseRecord* record, ScoreResult*& result);
  // After a failed score: leaves result with an empty prediction, or null.
  static void ClearPrediction(ScoreResult*& result) noexcept;

  std::unique_ptr<SEQUENCE_NAMESPACE_800::SequenceDictionary> dictionary_;
  std::unique_ptr<SEQUENCE_NAMESPACE_800::Sequence> querySequence_;  // always empty
  std::int32_t levelCount_ = 0;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_SCORING_SEQUENTIALASSOCMODEL_H_
