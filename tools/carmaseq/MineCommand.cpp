// carmaseq mine: transactions in, frequent sequences out as documents and a saved dictionary.
#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "InputFiles.h"
#include "ItemText.h"
#include "OutputFiles.h"
#include "RuleText.h"
#include "dictionary/SequenceDictionary.h"
#include "foundation/Exceptions.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "mining/DictionaryBuilder.h"
#include "mining/ModelFile.h"
#include "mining/SequenceMiner.h"

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
  return mining;
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
  s.namesIn = args.Get("names");
  s.pmml = args.Get("pmml");
  s.lattice = args.Get("lattice");
  s.save = args.Get("save");
  s.rulesCsv = args.Get("rules-csv");
  s.itemMap = args.Get("item-map");
  const bool xmlByName = seq::ModelFormatForName(s.save) == seq::ModelFormat::kObjectXml;
  s.saveFormat =
      args.GetChoice("save-format", {"binary", "xml"}, xmlByName ? "xml" : "binary") == "xml"
          ? seq::ModelFormat::kObjectXml
          : seq::ModelFormat::kBinary;
  s.minConfidence = args.GetDouble("min-confidence", 0, 0, 1);
  s.sortBy = SortLetter(args.GetChoice("sort", {"support", "confidence", "cause"}, "confidence"));
  s.quiet = args.Has("quiet");
  return s;
}

// Shows mining progress on one terminal line, rewritten in place.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
  ~ProgressLine() { Clear(); }

  void Show(const std::string& text) {
    if (!enabled_) return;
    err_ << "\r" << text << "\x1b[K" << std::flush;
    shown_ = true;
  }
  void Clear() {
    if (shown_) err_ << "\r\x1b[K" << std::flush;
    shown_ = false;
  }

 private:
  std::ostream& err_;
  bool enabled_;
  bool shown_ = false;
};

seq::BuildResult Mine(const seq::SequenceDatabase& db, MineSettings& s, ProgressLine& progress) {
  s.mining.progress = [&progress](const seq::MiningProgress& p) {
    progress.Show("mining: " + std::to_string(p.done) + "/" + std::to_string(p.total) +
                  " first items, " + std::to_string(p.found) + " sequences");
  };
  seq::BuildResult built;
  try {
    built = seq::BuildDictionary(db, s.mining);
  } catch (const SeqExceptions::DictionaryFailure&) {
    throw std::bad_alloc();
  } catch (const std::invalid_argument& error) {
    throw UsageError(error.what());
  }
  progress.Clear();
  if (built.dictionary == nullptr) {
    throw CommandError("mining failed (status " + std::to_string(built.status.GetErrorCode()) +
                       ")");
  }
  return built;
}

std::vector<seq::SeqAssociationRule> Rules(seq::SequenceDictionary& dictionary,
                                           const MineSettings& s) {
  std::vector<seq::SeqAssociationRule> rules;
  const auto status =
      dictionary.GetRules(rules, s.mining.minSupport, 1, s.minConfidence, 1, 0, 1, s.sortBy, false);
  if (!status.IsOK()) throw std::bad_alloc();
  return rules;
}

// What the saved model records about its input.
seq::ModelSource Source(const MineSettings& s) {
  seq::ModelSource source;
  source.input = s.input;
  source.format = s.format == InputFormat::kCsv ? "csv" : "spmf";
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
                  std::ostream& log) {
  auto open = [&files](const std::string& path) -> std::fstream& { return files.Open(path); };
  if (!s.pmml.empty()) {
    const auto status =
        dictionary.ExportRulesXML(open(s.pmml), s.mining.minSupport, 1, s.minConfidence, 1, 0, 1,
                                  stats.maxItemsPerSet, stats.avgItemsPerSet, s.sortBy, false);
    if (!status.IsOK()) throw std::bad_alloc();
  }
  if (!s.lattice.empty()) dictionary.ExportLatticeXML(open(s.lattice), s.mining.minSupport);
  if (!s.save.empty()) {
    seq::WriteModel(open(s.save), s.save, dictionary, names, Source(s), s.saveFormat);
  }
  if (!s.rulesCsv.empty()) {
    const auto rules = Rules(dictionary, s);
    WriteRulesCsv(rules, ItemText(&names), open(s.rulesCsv));
    log << "rules: " << rules.size() << " with confidence >= " << s.minConfidence << "\n";
  }
  if (!s.itemMap.empty()) names.Save(open(s.itemMap));
  files.CommitAll();
  for (const std::string& path : files.OpenedPaths()) log << "wrote " << path << "\n";
}

void PrintReadSummary(const seq::DatabaseStats& stats, const MineSettings& s, double seconds,
                      std::ostream& out) {
  char line[256];
  std::snprintf(line, sizeof line,
                "read %d customers, %lld item sets, %lld items (%d distinct) in %.2f s\n",
                stats.customers, static_cast<long long>(stats.itemSets),
                static_cast<long long>(stats.items), stats.distinctItems, seconds);
  out << s.input << ": " << line;
}

void PrintMineSummary(const seq::MiningSummary& summary, double minSupport, double seconds,
                      std::ostream& out) {
  char line[256];
  std::snprintf(
      line, sizeof line, "mined %lld frequent sequences (count >= %d, support %g) in %.2f s\n",
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
      {"min-support", "FRACTION", "least share of customers, 0 to 1 (required)"},
      {"max-items", "N", "longest sequence, in items over all its sets (1-31, default 9)"},
      {"min-gap", "T", "matched item sets at least T apart (0 = off)"},
      {"max-gap", "T", "matched item sets at most T apart (0 = off)"},
      {"window", "T", "a whole match within T (0 = off)"},
      {"customer-column", "NAME", "CSV column of the customer (default customer)"},
      {"time-column", "NAME", "CSV column of the time (default time)"},
      {"item-column", "NAME", "CSV column of the item (default item)"},
      {"delimiter", "C", "CSV field separator, or 'tab' (default: from the header line)"},
      {"time-format", "FMT", "CSV time format such as %d-%m-%Y (default: numbers or ISO 8601)"},
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
  };
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
  ProgressLine progress(console.err, console.showProgress && !s.quiet);

  Clock::time_point start = Clock::now();
  seq::SequenceDatabase db;
  progress.Show("reading " + s.input);
  ReadTransactions(s.input, s.format, s.csv, &names, &db);
  progress.Clear();
  const seq::DatabaseStats stats = db.Stats();
  if (stats.customers == 0) throw CommandError(s.input + ": no customers");
  PrintReadSummary(stats, s, SecondsSince(start), log);

  start = Clock::now();
  seq::BuildResult built = Mine(db, s, progress);
  PrintMineSummary(built.summary, s.mining.minSupport, SecondsSince(start), log);
  WriteOutputs(*built.dictionary, stats, names, s, files, log);
  return kExitOk;
}

}  // namespace carmaseq_cli
