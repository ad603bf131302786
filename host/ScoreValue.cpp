#include "ScoreValue.h"

namespace QxQuorvis_940 {

ScoreValue::~ScoreValue() = default;

}  // namespace QxQuorvis_940
