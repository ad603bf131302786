// Umbrella header of the model builder (library carmaseq_mining): reading customers' transactions
// and mining them into a dictionary. Includes the engine's umbrella header.
#ifndef CARMASEQ_CARMASEQ_MINING_H_
#define CARMASEQ_CARMASEQ_MINING_H_

#include "carmaseq.h"
#include "input/CsvReader.h"
#include "input/InputError.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/SequenceGenerator.h"
#include "input/SpmfFormat.h"
#include "input/TimeParser.h"
#include "mining/DictionaryBuilder.h"
#include "mining/ModelFile.h"
#include "mining/SequenceMiner.h"

#endif  // CARMASEQ_CARMASEQ_MINING_H_
