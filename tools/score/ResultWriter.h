// Writers of scored cases for carmaseq-score: CSV or JSON lines.
#ifndef CARMASEQ_TOOLS_SCORE_RESULTWRITER_H_
#define CARMASEQ_TOOLS_SCORE_RESULTWRITER_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dictionary/SeqConsequentDescriptor.h"

namespace carmaseq_score {

// What one case was scored to.
struct ScoredCase {
  const std::string* id = nullptr;  // null when the case has no id field
  std::string target;               // "futureItems" or "currentItems"
  std::vector<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor> predictions;  // ranked
};

// Writes one line per scored case. Numbers are written in the classic locale, as the shortest
// text that reads back as the same double. The stream must outlive the writer.
class ResultWriter {
 public:
  virtual ~ResultWriter() = default;
  virtual void Write(const ScoredCase& scored) = 0;
};

// A header line "id,target,predictions", then per case its id (empty when it has none), its
// target and its predictions as "item:confidence:support:cause" separated by single blanks, best
// first. Fields are quoted when they hold a comma, a quote or a line end.
std::unique_ptr<ResultWriter> NewCsvWriter(std::ostream& out);

// Per case one object: {"id":"7","target":"currentItems","predictions":[{"item":3,
// "confidence":0.5,"support":0.25,"cause":1}]}; "id" is null when the case has none.
std::unique_ptr<ResultWriter> NewJsonLinesWriter(std::ostream& out);

// The shortest text of value that reads back as the same double ("0.5", "1e-07", "inf", "nan").
std::string FormatNumber(double value);

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_RESULTWRITER_H_
