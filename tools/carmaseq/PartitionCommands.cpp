// carmaseq partition, candidates and count: the steps of exact mining in partitions that a batch
// engine runs one task per partition (the merge is in MineCommand.cpp, beside mine's outputs).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "InputFiles.h"
#include "OutputFiles.h"
#include "PartitionSteps.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/SpmfFormat.h"
#include "mining/PartitionedMining.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

seq::SequenceDatabase ReadPartition(const std::string& path) {
  seq::SequenceDatabase db;
  seq::ItemNameMap unusedNames;
  ReadTransactions(path, InputFormat::kSpmf, seq::CsvOptions(), &unusedNames, &db);
  return db;
}

template <typename T, typename Read>
T ReadStepFile(const std::string& path, Read read) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CommandError(path + ": cannot be opened");
  try {
    return read(in, path);
  } catch (const seq::PartitionError& error) {
    throw CommandError(error.what());
  }
}

}  // namespace

int StepThreads(const seq::MiningOptions& options) {
  if (options.threads > 0) return options.threads;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

seq::CandidateSet ReadCandidateUnion(const std::vector<std::string>& paths) {
  std::vector<seq::CandidateSet> sets;
  for (const std::string& path : paths) {
    sets.push_back(ReadStepFile<seq::CandidateSet>(path, seq::ReadCandidateSet));
  }
  seq::CandidateSet all;
  try {
    all.patterns = seq::UnionCandidates(sets);
  } catch (const seq::PartitionError& error) {
    throw CommandError(error.what());
  }
  all.settings = sets.front().settings;
  for (const seq::CandidateSet& set : sets) all.customers += set.customers;
  return all;
}

std::vector<seq::PartitionCounts> ReadCountFiles(const std::vector<std::string>& paths) {
  std::vector<seq::PartitionCounts> counts;
  for (const std::string& path : paths) {
    counts.push_back(ReadStepFile<seq::PartitionCounts>(path, seq::ReadPartitionCounts));
  }
  return counts;
}

CommandDef PartitionDef() {
  CommandDef def;
  def.name = "partition";
  def.synopsis = "INPUT --partitions P --output-dir DIR [input options]";
  def.summary =
      "Splits customers' transactions into P files of whole customers, dealt out longest first "
      "(the customers sorted by their number of items, the r-th goes to part r mod P), in the "
      "integer sequence format with times, plus the item-name map items.tsv.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      {"partitions", "P", "number of partitions (1-100000, required)"},
      {"output-dir", "DIR", "existing folder to write part-00000.txt ... and items.tsv into"},
      {"format", "spmf|csv", "input format; default: csv for .csv/.tsv names, else spmf"},
      {"customer-column", "NAME", "CSV column of the customer (default customer)"},
      {"time-column", "NAME", "CSV column of the time (default time)"},
      {"item-column", "NAME", "CSV column of the item (default item)"},
      {"time-format", "FMT", "CSV time format such as %d-%m-%Y"},
  };
  return def;
}

int RunPartition(const ParsedArgs& args, const Console& console) {
  if (!args.Has("partitions") || !args.Has("output-dir")) {
    throw UsageError("options --partitions and --output-dir are required");
  }
  const std::string input = args.positional()[0];
  const auto parts = static_cast<std::int32_t>(args.GetInt("partitions", 1, 1, 100000));
  const std::string dir = args.Get("output-dir");
  seq::CsvOptions csv;
  csv.customerColumn = args.Get("customer-column", csv.customerColumn);
  csv.timeColumn = args.Get("time-column", csv.timeColumn);
  csv.itemColumn = args.Get("item-column", csv.itemColumn);
  csv.timeFormat = args.Get("time-format");
  const std::string guessed = InputFormatForName(input) == InputFormat::kCsv ? "csv" : "spmf";
  const InputFormat format = args.GetChoice("format", {"spmf", "csv"}, guessed) == "csv"
                                 ? InputFormat::kCsv
                                 : InputFormat::kSpmf;
  OutputFiles files;
  files.AddInput(input);
  std::vector<std::string> paths;
  for (std::int32_t p = 0; p < parts; ++p) {
    char name[32];
    std::snprintf(name, sizeof name, "/part-%05d.txt", static_cast<int>(p));
    paths.push_back(dir + name);
    files.Declare(paths.back());
  }
  files.Declare(dir + "/items.tsv");
  seq::ItemNameMap names;
  seq::SequenceDatabase db;
  ReadTransactions(input, format, csv, &names, &db);
  if (db.NumCustomers() == 0) throw CommandError(input + ": no customers");

  const std::vector<seq::SequenceDatabase> split = seq::SplitCustomers(db, parts);
  for (std::int32_t p = 0; p < parts; ++p) {
    seq::WriteSpmf(split[p], files.Open(paths[p]), /*withTimes=*/true);
  }
  names.Save(files.Open(dir + "/items.tsv"));
  files.CommitAll();
  console.out << input << ": " << db.NumCustomers() << " customers in " << parts
              << " partitions under " << dir << "\n";
  return kExitOk;
}

CommandDef CandidatesDef() {
  CommandDef def;
  def.name = "candidates";
  def.synopsis = "PART --min-support FRACTION --output FILE [options]";
  def.summary =
      "Pass 1 of partitioned mining: the sequences frequent in one partition at the support "
      "given (the same for every partition), written as a candidate file. --max-items may be "
      "lower than the run's: the merge then checks that it was enough.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = MiningOptionDefs();
  def.options.push_back({"output", "FILE", "candidate file to write (required)"});
  return def;
}

int RunCandidates(const ParsedArgs& args, const Console& console) {
  if (!args.Has("output")) throw UsageError("option --output is required");
  const seq::MiningOptions options = ReadMiningOptions(args);
  OutputFiles files;
  files.AddInput(args.positional()[0]);
  files.Declare(args.Get("output"));
  const seq::SequenceDatabase db = ReadPartition(args.positional()[0]);
  seq::CandidateSet set;
  try {
    set = seq::MineCandidates(db, options);
  } catch (const seq::PartitionError& error) {
    throw CommandError(args.positional()[0] + ": " + error.what());
  }
  seq::WriteCandidateSet(set, files.Open(args.Get("output")));
  files.CommitAll();
  console.out << args.positional()[0] << ": " << set.patterns.size() << " candidates from "
              << set.customers << " customers\n";
  return kExitOk;
}

CommandDef CountDef() {
  CommandDef def;
  def.name = "count";
  def.synopsis = "PART --candidates FILE... --min-support FRACTION --output FILE [options]";
  def.summary =
      "Pass 2 of partitioned mining: the exact count, in one partition, of every sequence of the "
      "union of all partitions' candidate files, written as a count file.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = MiningOptionDefs();
  def.options.push_back({"candidates", "FILE", "a candidate file; give every partition's"});
  def.options.push_back({"output", "FILE", "count file to write (required)"});
  return def;
}

int RunCount(const ParsedArgs& args, const Console& console) {
  if (!args.Has("output") || !args.Has("candidates")) {
    throw UsageError("options --candidates and --output are required");
  }
  const seq::MiningOptions options = ReadMiningOptions(args);
  OutputFiles files;
  files.AddInput(args.positional()[0]);
  for (const std::string& path : args.GetAll("candidates")) files.AddInput(path);
  files.Declare(args.Get("output"));
  const seq::PatternList candidates = ReadCandidateUnion(args.GetAll("candidates")).patterns;
  const seq::SequenceDatabase db = ReadPartition(args.positional()[0]);
  const seq::PartitionCounts counts =
      seq::CountPartition(db, candidates, options, StepThreads(options));
  seq::WritePartitionCounts(counts, files.Open(args.Get("output")));
  files.CommitAll();
  console.out << args.positional()[0] << ": counted " << candidates.size() << " candidates in "
              << counts.customers << " customers\n";
  return kExitOk;
}

}  // namespace carmaseq_cli
