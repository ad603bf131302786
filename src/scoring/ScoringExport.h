// Symbol visibility for the scoring plug-in. The module is built with hidden symbols; its entry
// and the classes a host reaches through it (translator, model, result, prediction list) are
// exported, so that hosts can recognise them by their type.
#ifndef CARMASEQ_SCORING_SCORINGEXPORT_H_
#define CARMASEQ_SCORING_SCORINGEXPORT_H_

#define CARMASEQ_SCORING_EXPORT __attribute__((visibility("default")))

#endif  // CARMASEQ_SCORING_SCORINGEXPORT_H_
