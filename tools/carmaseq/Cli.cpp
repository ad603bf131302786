#include "Cli.h"

#include <new>
#include <ostream>

#include "Commands.h"
#include "Errors.h"

#ifndef CARMASEQ_VERSION
#define CARMASEQ_VERSION "unknown"
#endif

namespace carmaseq_cli {

namespace {

struct Command {
  const char* name;
  const char* purpose;  // one line for the overview
  CommandDef (*def)();
  int (*run)(const ParsedArgs&, const Console&);
};

constexpr Command kCommands[] = {
    {"mine", "mine frequent sequences from transactions and write the results", MineDef, RunMine},
    {"rules", "list the sequential rules of a saved dictionary", RulesDef, RunRules},
    {"predict", "predict the next items for customers' histories", PredictDef, RunPredict},
    {"search", "find held sequences that contain, begin or end with a sequence", SearchDef,
     RunSearch},
    {"stats", "show what a saved dictionary holds", StatsDef, RunStats},
    {"report", "write an HTML page of a saved dictionary's rules and sequences", ReportDef,
     RunReport},
    {"generate", "write synthetic customer histories with planted patterns", GenerateDef,
     RunGenerate},
    {"partition", "split transactions into files of whole customers", PartitionDef, RunPartition},
    {"candidates", "pass 1 of partitioned mining: one partition's frequent sequences",
     CandidatesDef, RunCandidates},
    {"count", "pass 2 of partitioned mining: one partition's counts of all candidates", CountDef,
     RunCount},
    {"merge", "sum the partitions' counts and write what mine writes", MergeDef, RunMerge},
    {"import", "build the outputs of mine from patterns mined elsewhere (JSON lines)", ImportDef,
     RunImport},
};

void PrintOverview(std::ostream& out) {
  out << "Usage: carmaseq COMMAND [options]\n\n"
         "Finds sequential association rules in customers' histories.\n\nCommands:\n";
  for (const Command& command : kCommands) {
    const std::string name = command.name;
    out << "  " << name << std::string(12 - name.size(), ' ') << command.purpose << "\n";
  }
  out << "\nRun 'carmaseq COMMAND --help' for a command's options.\n"
         "Example: carmaseq generate shop.csv && carmaseq mine shop.csv --min-support 0.02 "
         "--save shop.model\n";
}

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

int Dispatch(const std::vector<std::string>& args, const Console& console) {
  if (args.empty()) {
    PrintOverview(console.err);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintOverview(console.out);
    return kExitOk;
  }
  if (args[0] == "--version") {
    console.out << "carmaseq " << CARMASEQ_VERSION << "\n";
    return kExitOk;
  }
  const Command* command = FindCommand(args[0]);
  if (command == nullptr) {
    throw UsageError("unknown command '" + args[0] + "'; see 'carmaseq --help'");
  }
  const CommandDef def = command->def();
  const ParsedArgs parsed = ParseArgs(def, std::vector<std::string>(args.begin() + 1, args.end()));
  if (parsed.helpRequested()) {
    console.out << FormatHelp(def);
    return kExitOk;
  }
  return command->run(parsed, console);
}

}  // namespace

int RunCarmaseq(const std::vector<std::string>& args, const Console& console) {
  try {
    return Dispatch(args, console);
  } catch (const UsageError& error) {
    console.err << "carmaseq: " << error.what() << "\n";
    return kExitUsage;
  } catch (const CommandError& error) {
    console.err << "carmaseq: " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    console.err << "carmaseq: out of memory\n";
  } catch (const std::exception& error) {
    console.err << "carmaseq: " << error.what() << "\n";
  }
  return kExitFailure;
}

}  // namespace carmaseq_cli
