// Symbol visibility for the carmaseq shared library. The library is built with hidden symbols;
// CARMASEQ_EXPORT marks what callers may use.
#ifndef CARMASEQ_FOUNDATION_VISIBILITY_H_
#define CARMASEQ_FOUNDATION_VISIBILITY_H_

#if defined(CARMASEQ_BUILDING)
#define CARMASEQ_EXPORT __attribute__((visibility("default")))
#else
#define CARMASEQ_EXPORT
#endif

#endif  // CARMASEQ_FOUNDATION_VISIBILITY_H_
