#include "ScoreVersionInfo.h"

namespace QxQuorvis_940 {

ScoreVersionInfo::~ScoreVersionInfo() = default;

VersionInfo::~VersionInfo() = default;

}  // namespace QxQuorvis_940
