#include "ScoreResult.h"

namespace QxQuorvis_940 {

ScoreResult::~ScoreResult() = default;

}  // namespace QxQuorvis_940
