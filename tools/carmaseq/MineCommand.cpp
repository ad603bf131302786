// carmaseq mine: transactions in, frequent sequences out as documents and a saved dictionary.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "InputFiles.h"
#include "ItemText.h"
#include "OutputFiles.h"
#include "PartitionSteps.h"
#include "Progress.h"
#include "RuleText.h"
#include "RulesCsvWriter.h"
#include "StatusCheck.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "input/InputError.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "mining/DictionaryBuilder.h"
#include "mining/MemoryUse.h"
#include "mining/ModelFile.h"
#include "mining/PartitionedMining.h"
#include "mining/SequenceMiner.h"
#include "mining/SparkPatterns.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

using Clock = std::chrono::steady_clock;

struct MineSettings {
  std::string input;
  InputFormat format = InputFormat::kSpmf;
  seq::CsvOptions csv;
  std::string delimiterText;  // as given
  seq::MiningOptions mining;
  std::string namesIn;
  std::string pmml, lattice, save, rulesCsv, itemMap;
  seq::ModelFormat saveFormat = seq::ModelFormat::kBinary;
  double minConfidence = 0;
  char sortBy = 'C';
  bool quiet = false;
  std::int32_t partitions = 0;      // mine in this many partitions; 0: all customers at once
  std::int32_t candidateItems = 0;  // item limit of pass 1 in partitions; 0: mining.maxItems
  std::string sourceFormat;  // what the model records as its input's format, when not csv/spmf
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

char ReadDelimiter(const ParsedArgs& args) {
  const std::string text = args.Get("delimiter");
  if (text.empty()) return '\0';
  if (text == "tab" || text == "\\t") return '\t';
  if (text.size() != 1) throw UsageError("option --delimiter needs one character or 'tab'");
  return text[0];
}

seq::CsvOptions ReadCsvOptions(const ParsedArgs& args) {
  seq::CsvOptions csv;
  csv.customerColumn = args.Get("customer-column", csv.customerColumn);
  csv.timeColumn = args.Get("time-column", csv.timeColumn);
  csv.itemColumn = args.Get("item-column", csv.itemColumn);
  csv.delimiter = ReadDelimiter(args);
  csv.timeFormat = args.Get("time-format");
  return csv;
}

// A size such as 2G, 512M, 64k or 1500000 (bytes); K, M, G and T count in powers of 1024.
std::int64_t ReadByteSize(const std::string& name, const std::string& text) {
  std::size_t used = 0;
  double value = -1;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  const std::string unit = text.substr(used);
  const std::string units = "KMGT";
  const std::size_t power = unit.empty() ? 0 : units.find(static_cast<char>(std::toupper(unit[0])));
  const bool unitOk = unit.empty() || (power != std::string::npos &&
                                       (unit.size() == 1 || (unit.size() == 2 && unit[1] == 'B')));
  if (used == 0 || !unitOk || !(value > 0)) {
    throw UsageError("option --" + name + " needs a size such as 2G, 512M or 1000000");
  }
  const double bytes = value * std::pow(1024.0, unit.empty() ? 0 : static_cast<double>(power + 1));
  if (bytes >= 9e18) throw UsageError("option --" + name + " is too large");
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(bytes));
}

std::string GiB(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f GiB", static_cast<double>(bytes) / (1 << 30));
  return text;
}

}  // namespace

std::vector<OptionDef> MiningOptionDefs() {
  return {
      {"min-support", "FRACTION", "least share of customers, 0 to 1 (required)"},
      {"max-items", "N", "longest sequence, in items over all its sets (1-31, default 9)"},
      {"min-gap", "T", "matched item sets at least T apart (0 = off)"},
      {"max-gap", "T", "matched item sets at most T apart (0 = off)"},
      {"window", "T", "a whole match within T (0 = off)"},
      {"threads", "N", "threads that mine (default 0: one per core); results do not depend on it"},
      {"max-memory", "SIZE",
       "stop, writing nothing, when mining would pass SIZE (e.g. 2G; default: 3/4 of memory)"},
  };
}

seq::MiningOptions ReadMiningOptions(const ParsedArgs& args) {
  if (!args.Has("min-support")) throw UsageError("option --min-support is required");
  seq::MiningOptions mining;
  mining.minSupport = args.GetDouble("min-support", 0, 0, 1);
  mining.maxItems = static_cast<std::int32_t>(args.GetInt("max-items", 9, 1, 31));
  mining.minGap = args.GetDouble("min-gap", 0, 0, 1e300);
  mining.maxGap = args.GetDouble("max-gap", 0, 0, 1e300);
  mining.slidingWindow = args.GetDouble("window", 0, 0, 1e300);
  if (mining.maxGap > 0 && mining.minGap > mining.maxGap) {
    throw UsageError("--min-gap " + args.Get("min-gap") + " is larger than --max-gap " +
                     args.Get("max-gap"));
  }
  mining.threads = static_cast<std::int32_t>(args.GetInt("threads", 0, 0, 1024));
  if (args.Has("max-memory")) mining.maxMemory = ReadByteSize("max-memory", args.Get("max-memory"));
  return mining;
}

namespace {

// The options of the outputs that mine, merge and import write.
std::vector<OptionDef> OutputOptions() {
  return {
      {"names", "FILE", "item-name map to read (id<TAB>name); names SPMF item ids"},
      {"pmml", "FILE", "write the rules as a PMML 3.2 SequenceModel"},
      {"lattice", "FILE", "write the lattice document that carmaseq-score loads"},
      {"save", "FILE", "save the model (dictionary, item names, settings) for later queries"},
      {"save-format", "binary|xml", "format of --save (default: xml for .xml names, else binary)"},
      {"rules-csv", "FILE", "write the rules as CSV"},
      {"item-map", "FILE", "write the item-name map (id<TAB>name)"},
      {"min-confidence", "FRACTION", "least confidence of the written rules (default 0)"},
      {"sort", "MEASURE", "order of the written rules: support, confidence (default) or cause"},
      {"quiet", "", "print nothing but errors"},
      {"progress", "", "show progress also when standard error is not a terminal"},
  };
}

void ReadOutputSettings(const ParsedArgs& args, MineSettings* s) {
  s->namesIn = args.Get("names");
  s->pmml = args.Get("pmml");
  s->lattice = args.Get("lattice");
  s->save = args.Get("save");
  s->rulesCsv = args.Get("rules-csv");
  s->itemMap = args.Get("item-map");
  const bool xmlByName = seq::ModelFormatForName(s->save) == seq::ModelFormat::kObjectXml;
  s->saveFormat =
      args.GetChoice("save-format", {"binary", "xml"}, xmlByName ? "xml" : "binary") == "xml"
          ? seq::ModelFormat::kObjectXml
          : seq::ModelFormat::kBinary;
  s->minConfidence = args.GetDouble("min-confidence", 0, 0, 1);
  s->sortBy = SortLetter(args.GetChoice("sort", {"support", "confidence", "cause"}, "confidence"));
  s->quiet = args.Has("quiet");
}

MineSettings ReadSettings(const ParsedArgs& args) {
  MineSettings s;
  s.input = args.positional()[0];
  const std::string guessed = InputFormatForName(s.input) == InputFormat::kCsv ? "csv" : "spmf";
  s.format = args.GetChoice("format", {"spmf", "csv"}, guessed) == "csv" ? InputFormat::kCsv
                                                                         : InputFormat::kSpmf;
  s.csv = ReadCsvOptions(args);
  s.delimiterText = args.Get("delimiter");
  s.mining = ReadMiningOptions(args);
  s.partitions = static_cast<std::int32_t>(args.GetInt("partitions", 0, 1, 100000));
  s.candidateItems = static_cast<std::int32_t>(args.GetInt("candidate-items", 0, 1, 31));
  ReadOutputSettings(args, &s);
  return s;
}

// Mining in partitions within this process: both passes over the partitions SplitCustomers
// deals out, then the merge; the same dictionary BuildDictionary gives.
seq::BuildResult MinePartitioned(const seq::SequenceDatabase& db, const seq::MiningOptions& options,
                                 std::int32_t parts, std::int32_t candidateItems) {
  const std::vector<seq::SequenceDatabase> split = seq::SplitCustomers(db, parts);
  seq::MiningOptions pass1 = options;
  if (candidateItems > 0) pass1.maxItems = std::min(candidateItems, options.maxItems);
  std::vector<seq::CandidateSet> candidates;
  for (const seq::SequenceDatabase& part : split) {
    candidates.push_back(seq::MineCandidates(part, pass1));
  }
  const seq::PatternList all = seq::UnionCandidates(candidates);
  std::vector<seq::PartitionCounts> counts;
  for (const seq::SequenceDatabase& part : split) {
    counts.push_back(seq::CountPartition(part, all, options, StepThreads(options)));
  }
  seq::SeqDictionarySettings settings;
  settings.numberOfLevels = options.maxItems + 1;
  return seq::MergeCounts(all, counts, options, settings, pass1.maxItems);
}

// Mines db (left empty: the lattice is built in the memory the transactions held).
seq::BuildResult Mine(seq::SequenceDatabase& db, MineSettings& s, Progress& progress) {
  progress.Start("mining");
  s.mining.progress = [&progress](const seq::MiningProgress& p) {
    progress.SetTotal(p.total);
    progress.Update(p.done);
  };
  seq::BuildResult built;
  try {
    built = s.partitions > 0 ? MinePartitioned(db, s.mining, s.partitions, s.candidateItems)
                             : seq::BuildDictionary(std::move(db), s.mining);
  } catch (const SeqExceptions::DictionaryFailure&) {
    throw std::bad_alloc();
  } catch (const std::invalid_argument& error) {
    throw UsageError(error.what());
  } catch (const seq::PartitionError& error) {
    throw CommandError(error.what());
  }
  progress.Finish();
  if (built.summary.memoryLimitReached) {
    const std::int64_t budget =
        s.mining.maxMemory > 0 ? s.mining.maxMemory : seq::DefaultMemoryBudget();
    throw CommandError("mining stopped at the memory limit of " + GiB(budget) + " after " +
                       std::to_string(built.summary.sequences) + " sequences, with " +
                       std::to_string(built.summary.firstItemsDone) + " of " +
                       std::to_string(built.summary.firstItems) +
                       " first items done; raise --min-support or set --max-items");
  }
  CheckStatus(built.status, "mining");
  if (built.dictionary == nullptr) throw CommandError("mining gave no dictionary");
  return built;
}

// The rules the CSV output lists, as the dictionary holds them.
seq::HeldRules Rules(const seq::SequenceDictionary& dictionary, const MineSettings& s) {
  seq::RuleQuery query;
  query.minSupport = s.mining.minSupport;
  query.minConfidence = s.minConfidence;
  query.sortBy = s.sortBy;
  seq::HeldRules rules;
  CheckStatus(seq::FindHeldRules(dictionary, query, &rules), "finding rules");
  return rules;
}

// What the saved model records about its input.
seq::ModelSource Source(const MineSettings& s) {
  seq::ModelSource source;
  source.input = s.input;
  source.format = !s.sourceFormat.empty()         ? s.sourceFormat
                  : s.format == InputFormat::kCsv ? "csv"
                                                  : "spmf";
  if (s.format == InputFormat::kCsv) {
    source.customerColumn = s.csv.customerColumn;
    source.timeColumn = s.csv.timeColumn;
    source.itemColumn = s.csv.itemColumn;
    source.delimiter = s.delimiterText;
    source.timeFormat = s.csv.timeFormat;
  }
  source.minSupport = s.mining.minSupport;
  source.maxItems = s.mining.maxItems;
  source.minGap = s.mining.minGap;
  source.maxGap = s.mining.maxGap;
  source.window = s.mining.slidingWindow;
  return source;
}

// Declares the inputs and every requested output, so that a wrong output path is reported
// before any work.
void DeclareFiles(const MineSettings& s, OutputFiles* files) {
  files->AddInput(s.input);
  if (!s.namesIn.empty()) files->AddInput(s.namesIn);
  for (const std::string* path : {&s.pmml, &s.lattice, &s.save, &s.rulesCsv, &s.itemMap}) {
    if (!path->empty()) files->Declare(*path);
  }
}

// Writes every requested output to its temporary file, then commits them all, so that either
// every output appears complete or none is changed.
void WriteOutputs(seq::SequenceDictionary& dictionary, const seq::DatabaseStats& stats,
                  const seq::ItemNameMap& names, const MineSettings& s, OutputFiles& files,
                  std::ostream& log, Progress& progress) {
  auto open = [&files](const std::string& path) -> std::fstream& { return files.Open(path); };
  if (!s.pmml.empty()) {
    progress.Start("writing the rules document " + s.pmml);
    const auto status =
        dictionary.ExportRulesXML(open(s.pmml), s.mining.minSupport, 1, s.minConfidence, 1, 0, 1,
                                  stats.maxItemsPerSet, stats.avgItemsPerSet, s.sortBy, false);
    CheckStatus(status, "writing " + s.pmml);
  }
  if (!s.lattice.empty()) {
    progress.Start("writing the lattice document " + s.lattice);
    CheckStatus(dictionary.ExportLatticeXML(open(s.lattice), s.mining.minSupport),
                "writing " + s.lattice);
  }
  if (!s.save.empty()) {
    progress.Start("saving " + s.save);
    seq::WriteModel(open(s.save), s.save, dictionary, names, Source(s), s.saveFormat);
  }
  if (!s.rulesCsv.empty()) {
    progress.Start("writing the rules " + s.rulesCsv);
    const auto rules = Rules(dictionary, s);
    progress.SetTotal(static_cast<double>(rules.size()));
    WriteRulesCsv(rules, ItemText(&names), open(s.rulesCsv), [&progress](std::size_t written) {
      progress.Update(static_cast<double>(written));
    });
    log << "rules: " << rules.size() << " with confidence >= " << s.minConfidence << "\n";
  }
  if (!s.itemMap.empty()) names.Save(open(s.itemMap));
  progress.Finish();
  files.CommitAll();
  for (const std::string& path : files.OpenedPaths()) log << "wrote " << path << "\n";
}

void PrintReadSummary(const seq::DatabaseStats& stats, const MineSettings& s, double seconds,
                      std::ostream& out) {
  char line[256];
  std::snprintf(line, sizeof line,
                "read %d customers, %lld item sets, %lld items (%d distinct) in %.3f s\n",
                stats.customers, static_cast<long long>(stats.itemSets),
                static_cast<long long>(stats.items), stats.distinctItems, seconds);
  out << s.input << ": " << line;
}

void PrintMineSummary(const seq::MiningSummary& summary, double minSupport, double seconds,
                      std::ostream& out) {
  char line[256];
  std::snprintf(
      line, sizeof line, "mined %lld frequent sequences (count >= %d, support %g) in %.3f s\n",
      static_cast<long long>(summary.sequences), summary.countThreshold, minSupport, seconds);
  out << line << "by number of items:";
  for (std::size_t k = 1; k < summary.perLevel.size(); ++k) {
    if (summary.perLevel[k] > 0) out << " " << k << ": " << summary.perLevel[k];
  }
  out << "\n";
}

}  // namespace

CommandDef MineDef() {
  CommandDef def;
  def.name = "mine";
  def.synopsis = "INPUT --min-support FRACTION [options]";
  def.summary =
      "Reads customers' transactions, finds every sequence of item sets that at least the given "
      "share of customers contains, and writes any of: the rules as PMML, the lattice document "
      "for scoring, the dictionary for later queries, the rules as CSV and the item-name map.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      {"format", "spmf|csv", "input format; default: csv for .csv/.tsv names, else spmf"},
      {"customer-column", "NAME", "CSV column of the customer (default customer)"},
      {"time-column", "NAME", "CSV column of the time (default time)"},
      {"item-column", "NAME", "CSV column of the item (default item)"},
      {"delimiter", "C", "CSV field separator, or 'tab' (default: from the header line)"},
      {"time-format", "FMT", "CSV time format such as %d-%m-%Y (default: numbers or ISO 8601)"},
      {"partitions", "P", "mine in P partitions of whole customers, as a cluster would"},
      {"candidate-items", "N",
       "with --partitions: longest sequence pass 1 looks for (default --max-items); the merge "
       "refuses a limit that sequences of N items show too low"},
  };
  const std::vector<OptionDef> mining = MiningOptionDefs();
  def.options.insert(def.options.begin() + 1, mining.begin(), mining.end());
  const std::vector<OptionDef> outputs = OutputOptions();
  def.options.insert(def.options.end(), outputs.begin(), outputs.end());
  def.details =
      "SPMF input: one customer per line, item ids separated by blanks, -1 ends an item set,\n"
      "-2 ends the sequence. CSV input: a header line naming the customer, time and item\n"
      "columns, then one row per item; the rows of one customer and time form an item set.\n"
      "Times are numbers or dates (dates count in days for --min-gap, --max-gap, --window).\n"
      "Outputs are written to temporary files and renamed when all are complete.\n";
  return def;
}

int RunMine(const ParsedArgs& args, const Console& console) {
  MineSettings s = ReadSettings(args);
  std::ostream null(nullptr);
  std::ostream& log = s.quiet ? null : console.out;
  seq::ItemNameMap names = s.namesIn.empty() ? seq::ItemNameMap() : LoadNames(s.namesIn);
  OutputFiles files;
  DeclareFiles(s, &files);
  Progress progress(console.err,
                    Progress::ModeFor(s.quiet, args.Has("progress"), console.showProgress));

  Clock::time_point start = Clock::now();
  seq::SequenceDatabase db;
  progress.Start("reading " + s.input);
  ReadTransactions(s.input, s.format, s.csv, &names, &db);
  progress.Finish();
  const seq::DatabaseStats stats = db.Stats();
  if (stats.customers == 0) throw CommandError(s.input + ": no customers");
  PrintReadSummary(stats, s, SecondsSince(start), log);

  start = Clock::now();
  seq::BuildResult built = Mine(db, s, progress);
  PrintMineSummary(built.summary, s.mining.minSupport, SecondsSince(start), log);
  WriteOutputs(*built.dictionary, stats, names, s, files, log, progress);
  return kExitOk;
}

}  // namespace carmaseq_cli

namespace carmaseq_cli {

CommandDef MergeDef() {
  CommandDef def;
  def.name = "merge";
  def.synopsis = "COUNTS... --candidates FILE... --min-support FRACTION [options]";
  def.summary =
      "The last step of partitioned mining: sums every partition's count file, keeps the "
      "sequences frequent over all customers and writes the outputs mine writes, identical to "
      "mining all customers at once.";
  def.minPositional = 1;
  def.maxPositional = 1 << 20;
  def.options = {
      {"candidates", "FILE", "a candidate file; give every partition's (required)"},
  };
  const std::vector<OptionDef> mining = MiningOptionDefs();
  def.options.insert(def.options.end(), mining.begin(), mining.end());
  const std::vector<OptionDef> outputs = OutputOptions();
  def.options.insert(def.options.end(), outputs.begin(), outputs.end());
  return def;
}

int RunMerge(const ParsedArgs& args, const Console& console) {
  if (!args.Has("candidates")) throw UsageError("option --candidates is required");
  MineSettings s;
  s.mining = ReadMiningOptions(args);
  ReadOutputSettings(args, &s);
  s.input = std::to_string(args.positional().size()) + " count files";
  s.sourceFormat = "partitions";
  std::ostream null(nullptr);
  std::ostream& log = s.quiet ? null : console.out;
  OutputFiles files;
  for (const std::string& path : args.positional()) files.AddInput(path);
  for (const std::string& path : args.GetAll("candidates")) files.AddInput(path);
  DeclareFiles(s, &files);
  const seq::ItemNameMap names = s.namesIn.empty() ? seq::ItemNameMap() : LoadNames(s.namesIn);
  const seq::CandidateSet candidates = ReadCandidateUnion(args.GetAll("candidates"));
  const std::vector<seq::PartitionCounts> counts = ReadCountFiles(args.positional());
  seq::SeqDictionarySettings settings;
  settings.numberOfLevels = s.mining.maxItems + 1;
  seq::BuildResult built;
  try {
    built = seq::MergeCounts(candidates.patterns, counts, s.mining, settings,
                             candidates.settings.maxItems);
  } catch (const seq::PartitionError& error) {
    throw CommandError(error.what());
  }
  CheckStatus(built.status, "merging");
  if (built.dictionary == nullptr) throw CommandError("merging gave no dictionary");
  log << "merged " << counts.size() << " partitions: " << built.summary.customers << " customers, "
      << candidates.patterns.size() << " candidates\n";
  PrintMineSummary(built.summary, s.mining.minSupport, 0, log);
  Progress progress(console.err,
                    Progress::ModeFor(s.quiet, args.Has("progress"), console.showProgress));
  WriteOutputs(*built.dictionary, seq::MergedStats(counts), names, s, files, log, progress);
  return kExitOk;
}

CommandDef ImportDef() {
  CommandDef def;
  def.name = "import";
  def.synopsis = "DIR-or-FILE --customers N [options]";
  def.summary =
      "Builds the dictionary, lattice and the outputs mine writes from frequent sequential "
      "patterns mined elsewhere: JSON lines {\"sequence\":[[...],...],\"freq\":n}, one file "
      "or a folder of part-*.json files as a distributed engine's PrefixSpan writes them.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      {"customers", "N", "how many customers the patterns were mined from (required)"},
      {"min-support", "FRACTION",
       "the support they were mined at (default: the least count over N); a pattern below it "
       "is an error"},
      {"max-items", "N", "longest sequence a saved dictionary may hold (1-31, default 9)"},
      {"max-set-size", "N", "largest transaction of the input, for the PMML document"},
      {"avg-set-size", "F", "mean transaction size of the input, for the PMML document"},
  };
  const std::vector<OptionDef> outputs = OutputOptions();
  def.options.insert(def.options.end(), outputs.begin(), outputs.end());
  def.details =
      "Every pattern given is kept, whatever the order of the lines and files. Integer items\n"
      "are item ids; string items are item names, numbered as --names says, or else in the\n"
      "byte order of the names. The patterns must form a complete mining result: a set that\n"
      "lacks a sub-sequence of one of its patterns (a truncated file, a filter applied after\n"
      "mining) is refused, naming the first missing sub-sequence.\n";
  return def;
}

namespace {

// The largest item set among the patterns: what the PMML document reports unless told.
std::int32_t LargestSet(const seq::PatternList& patterns) {
  std::int32_t largest = 0;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const seq::MinedSequence pattern = patterns.Get(i);
    for (std::int32_t k = 0, begin = 0; k < pattern.numSets; begin = pattern.setEnds[k++]) {
      largest = std::max(largest, pattern.setEnds[k] - begin);
    }
  }
  return largest;
}

}  // namespace

int RunImport(const ParsedArgs& args, const Console& console) {
  if (!args.Has("customers")) throw UsageError("option --customers is required");
  MineSettings s;
  ReadOutputSettings(args, &s);
  s.input = args.positional()[0];
  s.sourceFormat = "patterns";
  const auto customers = static_cast<std::int32_t>(
      args.GetInt("customers", 1, 1, std::numeric_limits<std::int32_t>::max()));
  std::ostream null(nullptr);
  std::ostream& log = s.quiet ? null : console.out;
  OutputFiles files;
  DeclareFiles(s, &files);
  const seq::ItemNameMap given = s.namesIn.empty() ? seq::ItemNameMap() : LoadNames(s.namesIn);
  seq::ImportedPatterns imported;
  try {
    imported = seq::ReadSparkPatternPath(s.input, s.namesIn.empty() ? nullptr : &given);
  } catch (const SeqExceptions::InputError& error) {
    throw CommandError(error.what());
  }
  std::int64_t leastCount = customers;
  for (std::size_t i = 0; i < imported.patterns.size(); ++i) {
    leastCount = std::min(leastCount, imported.patterns.count(i));
  }
  s.mining.minSupport =
      args.GetDouble("min-support", static_cast<double>(leastCount) / customers, 0, 1);
  s.mining.maxItems = static_cast<std::int32_t>(args.GetInt("max-items", 9, 1, 31));
  try {
    seq::CheckImportedPatterns(imported, customers, s.mining.minSupport);
  } catch (const std::invalid_argument& error) {
    throw CommandError(s.input + ": " + error.what());
  }
  for (std::size_t i = 0; i < imported.patterns.size(); ++i) {
    if (imported.patterns.NumItems(i) > s.mining.maxItems) {
      throw CommandError(s.input + ": pattern " + imported.patterns.Text(i) +
                         " has more items than --max-items allows");
    }
  }
  const seq::ItemNameMap& names = s.namesIn.empty() ? imported.names : given;
  seq::SeqDictionarySettings settings;
  settings.numberOfLevels = s.mining.maxItems + 1;
  seq::BuildResult built =
      seq::BuildDictionaryFromPatterns(imported.patterns, customers, s.mining, settings);
  CheckStatus(built.status, "building the lattice");
  if (built.dictionary == nullptr) throw CommandError("importing gave no dictionary");
  seq::DatabaseStats stats;
  stats.customers = customers;
  stats.maxItemsPerSet = static_cast<std::int32_t>(args.GetInt(
      "max-set-size", LargestSet(imported.patterns), 0, std::numeric_limits<std::int32_t>::max()));
  stats.avgItemsPerSet = args.GetDouble("avg-set-size", std::nan(""), 0, 1e300);
  log << s.input << ": imported " << imported.patterns.size() << " patterns of " << customers
      << " customers\n";
  Progress progress(console.err,
                    Progress::ModeFor(s.quiet, args.Has("progress"), console.showProgress));
  WriteOutputs(*built.dictionary, stats, names, s, files, log, progress);
  return kExitOk;
}

}  // namespace carmaseq_cli
