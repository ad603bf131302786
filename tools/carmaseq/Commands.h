// The subcommands of carmaseq: each has its option table (for parsing and --help) and its run
// function, which returns the exit status or throws UsageError / CommandError.
#ifndef CARMASEQ_TOOLS_CARMASEQ_COMMANDS_H_
#define CARMASEQ_TOOLS_CARMASEQ_COMMANDS_H_

#include "ArgParser.h"
#include "Console.h"

namespace carmaseq_cli {

CommandDef MineDef();
int RunMine(const ParsedArgs& args, const Console& console);

CommandDef RulesDef();
int RunRules(const ParsedArgs& args, const Console& console);

CommandDef PredictDef();
int RunPredict(const ParsedArgs& args, const Console& console);

CommandDef SearchDef();
int RunSearch(const ParsedArgs& args, const Console& console);

CommandDef StatsDef();
int RunStats(const ParsedArgs& args, const Console& console);

CommandDef ReportDef();
int RunReport(const ParsedArgs& args, const Console& console);

CommandDef GenerateDef();
int RunGenerate(const ParsedArgs& args, const Console& console);

// Partitioned mining and importing patterns mined elsewhere.
CommandDef PartitionDef();
int RunPartition(const ParsedArgs& args, const Console& console);
CommandDef CandidatesDef();
int RunCandidates(const ParsedArgs& args, const Console& console);
CommandDef CountDef();
int RunCount(const ParsedArgs& args, const Console& console);
CommandDef MergeDef();
int RunMerge(const ParsedArgs& args, const Console& console);
CommandDef ImportDef();
int RunImport(const ParsedArgs& args, const Console& console);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_COMMANDS_H_
