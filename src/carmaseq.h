// Umbrella header: every public header of the carmaseq engine (library carmaseq).
#ifndef CARMASEQ_CARMASEQ_H_
#define CARMASEQ_CARMASEQ_H_

#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SeqConsequentDescriptor.h"
#include "dictionary/SeqDictionarySettings.h"
#include "dictionary/SequenceDictionary.h"
#include "dictionary/SequenceSemiLattice.h"
#include "foundation/Exceptions.h"
#include "foundation/QxMV.h"
#include "foundation/QxPower.h"
#include "foundation/QxStatus.h"
#include "persist/XMLObj.h"
#include "sequence/AdjacentItemSet.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"
#include "xml/ExportFormat.h"
#include "xml/NumberFormat.h"
#include "xml/XMLNodes.h"
#include "xml/XMLUtil.h"
#include "xml/XMLWriter.h"

#endif  // CARMASEQ_CARMASEQ_H_
