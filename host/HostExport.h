// Symbol visibility for the quorvishost shared library. The library is built with hidden symbols;
// QUORVISHOST_EXPORT marks what hosts and plug-ins may use.
#ifndef CARMASEQ_HOST_HOSTEXPORT_H_
#define CARMASEQ_HOST_HOSTEXPORT_H_

#if defined(QUORVISHOST_BUILDING)
#define QUORVISHOST_EXPORT __attribute__((visibility("default")))
#else
#define QUORVISHOST_EXPORT
#endif

#endif  // CARMASEQ_HOST_HOSTEXPORT_H_
