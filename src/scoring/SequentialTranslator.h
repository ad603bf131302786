// The plug-in's translator: rebuilds a scoring model from a lattice document, and the entry
// through which the host obtains it.
#ifndef CARMASEQ_SCORING_SEQUENTIALTRANSLATOR_H_
#define CARMASEQ_SCORING_SEQUENTIALTRANSLATOR_H_

#include <cstdint>
#include <string>

#include "ScoreTranslator.h"
#include "scoring/ScoringExport.h"

namespace SEQUENCE_NAMESPACE_800 {
class HashtableSQPair;
}  // namespace SEQUENCE_NAMESPACE_800

namespace QxQuorvis_940 {

class SequentialAssocModel;

// Reads a "SequentialAssociationLattice" document (statistics, item table, item-set table and,
// level by level, every sequence with its occurrence count and adjacent items) and rebuilds the
// level tables of a SequenceDictionary from it, without mining, inside a new
// SequentialAssocModel. Items with a mapped value become variables of the model's host
// dictionary.
//
// Elements are taken by their place and counts, as the export writes them. Whatever lies inside
// the lattice's limits loads, read as written: an item or item-set id given twice names the later
// element; an item set may be empty; counts may be negative; a sequence is stored in the level
// that lists it even when its number of items differs (look-ups never find it there); the first
// of two equal sequences in a level is kept; a level given twice is the later one and a level
// given by no element is empty; adjacent items are stored as given, and the dictionary never
// matches one whose extension cannot exist or is not held.
//
// A document that breaks the limits gives a null model and one trace line (level 1) naming the
// element and the reason: a missing element or attribute, a number that is not an integer, an
// id or reference outside its table, a negative table size, a run or child list shorter than
// its count, a level outside 0..maxSequenceSize, a maxSequenceSize above 31, a level above 0
// whose table would have no room (numberOfSequences below 1), or a sequence of more than 31
// items. A failure that is not the document's (memory running out) gives a null model and a
// trace line saying what happened.
//
// The host owns the translator and every model it returns; the models outlive it. Xerces must
// be initialised while the translator parses. No exception leaves it. Not thread-safe.
class CARMASEQ_SCORING_EXPORT SequentialTranslator : public BaseTranslator {
 public:
  SequentialTranslator();
  ~SequentialTranslator() override;

  using BaseTranslator::ParseFromTree;
  // Returns a new model built from `document`, or null when the document cannot be read (also
  // for a null document). Transcodes the document's text to `encoding`. Caller owns the result.
  ScoreModel* ParseFromTree(xercesc::DOMDocument* document, std::string& encoding) override;

  // From the statistics of the last document read (0 before the first).
  std::int32_t GetNumberOfSequences() const { return numberOfSequences_; }
  std::int32_t GetMaxSequenceSize() const { return maxSequenceSize_; }
  // The model of the last parse, null when it failed. Owned by the caller of that parse: the
  // pointer is only valid while the caller keeps the model.
  SequentialAssocModel* GetLastModel() const { return model_; }

 private:
  // Handed over to the last model's dictionary; not owned, never dereferenced here.
  SEQUENCE_NAMESPACE_800::HashtableSQPair** levelTables_ = nullptr;
  SequentialAssocModel* model_ = nullptr;  // not owned
  std::int32_t numberOfSequences_ = 0;
  std::int32_t maxSequenceSize_ = 0;
};

// The type of GiveMyTranslator, for hosts that look it up by name.
using GiveMyTranslatorFunction = ScoreTranslator* (*)();

}  // namespace QxQuorvis_940

// The plug-in's entry: a new SequentialTranslator, or null when memory runs out. The host owns
// and deletes it. Exported under this undecorated name.
extern "C" CARMASEQ_SCORING_EXPORT QxQuorvis_940::ScoreTranslator* GiveMyTranslator();

#endif  // CARMASEQ_SCORING_SEQUENTIALTRANSLATOR_H_
