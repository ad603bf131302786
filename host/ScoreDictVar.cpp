#include "ScoreDictVar.h"

namespace QxQuorvis_940 {

ScoreDictVar::~ScoreDictVar() = default;

DictVar::~DictVar() = default;

}  // namespace QxQuorvis_940
