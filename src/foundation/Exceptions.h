// Exception types of the engine. Both are empty marker classes.
#ifndef CARMASEQ_FOUNDATION_EXCEPTIONS_H_
#define CARMASEQ_FOUNDATION_EXCEPTIONS_H_

#include "foundation/Visibility.h"

namespace SeqExceptions {

// Thrown by value when memory runs out inside a dictionary operation.
class CARMASEQ_EXPORT DictionaryFailure {};

// Thrown by the persistence readers after they print their message. Created with new and thrown
// as a pointer; the catcher owns and deletes it.
class CARMASEQ_EXPORT IOException {};

}  // namespace SeqExceptions

#endif  // CARMASEQ_FOUNDATION_EXCEPTIONS_H_
