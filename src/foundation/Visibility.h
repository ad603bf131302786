// Symbol visibility for the carmaseq shared libraries. Both are built with hidden symbols;
// CARMASEQ_EXPORT marks what callers of the engine may use, CARMASEQ_MINING_EXPORT what callers of
// the model builder (reading transactions, mining them) may use.
#ifndef CARMASEQ_FOUNDATION_VISIBILITY_H_
#define CARMASEQ_FOUNDATION_VISIBILITY_H_

#if defined(CARMASEQ_BUILDING)
#define CARMASEQ_EXPORT __attribute__((visibility("default")))
#else
#define CARMASEQ_EXPORT
#endif

#if defined(CARMASEQ_MINING_BUILDING)
#define CARMASEQ_MINING_EXPORT __attribute__((visibility("default")))
#else
#define CARMASEQ_MINING_EXPORT
#endif

#endif  // CARMASEQ_FOUNDATION_VISIBILITY_H_
