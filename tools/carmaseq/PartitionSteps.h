// What the partitioned-mining commands share with mine and merge: the mining options and the
// reading of the step files.
#ifndef CARMASEQ_TOOLS_CARMASEQ_PARTITIONSTEPS_H_
#define CARMASEQ_TOOLS_CARMASEQ_PARTITIONSTEPS_H_

#include <string>
#include <vector>

#include "ArgParser.h"
#include "mining/PartitionedMining.h"

namespace carmaseq_cli {

// The options of the mining settings that mine, candidates, count and merge take.
std::vector<OptionDef> MiningOptionDefs();

// --min-support (required), --max-items, --min-gap, --max-gap, --window, --threads and
// --max-memory, as mine reads them. Throws UsageError.
SEQUENCE_NAMESPACE_800::MiningOptions ReadMiningOptions(const ParsedArgs& args);

// The union of the candidate files at paths, with their settings (which record the item limit of
// pass 1) and all their customers. Throws CommandError naming a file that cannot be read or is
// damaged, or when the files do not belong to one run.
SEQUENCE_NAMESPACE_800::CandidateSet ReadCandidateUnion(const std::vector<std::string>& paths);

// The count files at paths. Throws CommandError as above.
std::vector<SEQUENCE_NAMESPACE_800::PartitionCounts> ReadCountFiles(
    const std::vector<std::string>& paths);

// The threads a counting step uses: options.threads, or one per core when it is 0.
int StepThreads(const SEQUENCE_NAMESPACE_800::MiningOptions& options);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_PARTITIONSTEPS_H_
