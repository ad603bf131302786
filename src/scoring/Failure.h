// Names what went wrong when the plug-in catches an exception, for its trace lines.
#ifndef CARMASEQ_SCORING_FAILURE_H_
#define CARMASEQ_SCORING_FAILURE_H_

namespace QxQuorvis_940 {

// What the exception being handled says happened: "out of memory", "the dictionary ran out of
// memory", "index out of range", "the XML library failed", the message of a std::exception, or
// "an unknown exception". The text is static or lives as long as the exception.
// REQUIRES: called inside a catch handler.
const char* CurrentFailure() noexcept;

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_SCORING_FAILURE_H_
