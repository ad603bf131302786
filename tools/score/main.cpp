// carmaseq-score: scores case records with the scoring plug-in, as a host framework would.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CaseReader.h"
#include "PluginSession.h"
#include "Progress.h"
#include "ResultWriter.h"
#include "ScoringLog.h"

namespace carmaseq_score {
namespace {

constexpr char kProgram[] = "carmaseq-score";

constexpr char kHelp[] = R"help(Usage: carmaseq-score [OPTIONS] LATTICE.xml [RECORDS]

Loads the scoring plug-in, has it read a sequence lattice document (as the
carmaseq library exports it), and scores every case record of RECORDS (standard
input when absent or "-"), writing one result line per record.

Records hold these fields (any other field is ignored):
  sequence     the customer's history, item sets in time order, e.g.
               "(1 2)(3)(4[12.5])": items are whole numbers, "[...]" gives a
               set's time; other characters are skipped
  returnType   "futureItems" for items of a later visit; anything else (or no
               field) gives "currentItems", items joining the newest item set
  maxReturn    the most items to return (default 20; negative gives 20)
  fromCurrent  when present, whatever its value, future items are also
               predicted from the history without its newest item sets
  id           passed through to the output (see --id-field)

Input formats:
  csv    a header line naming the fields, then one record per line; fields
         may be quoted with double quotes ("" is a quote inside quotes); an
         empty field counts as absent
  jsonl  one flat JSON object per line whose values are strings or numbers,
         e.g. {"id": "c1", "sequence": "(1)(2 3)", "maxReturn": 5}

Output formats:
  csv    header "id,target,predictions"; predictions are
         "item:confidence:support:cause" groups separated by blanks, best first
  jsonl  {"id":"c1","target":"currentItems","predictions":[{"item":3,
         "confidence":0.5,"support":0.25,"cause":1}]}

Options:
  --plugin PATH         the scoring plug-in module (default: the one installed
                        with this program, else the one next to it, else the
                        one of the build it comes from)
  --input-format FMT    csv or jsonl (default: jsonl for files ending in
                        .jsonl, .ndjson or .json, csv otherwise)
  --output-format FMT   csv or jsonl (default: the input format)
  --output PATH         write the results to PATH instead of standard output
  --id-field NAME       the field passed through as the id (default "id")
  --encoding NAME       encoding of the document's text in the model
                        (default UTF-8)
  --trace               write the plug-in's trace lines to standard error
  --quiet               show no progress
  --progress            show progress also when standard error is not a
                        terminal (a line per tenth done)
  -h, --help            show this help

Exit status:
  0 success; 1 bad command line; 2 a file cannot be opened, read or written;
  3 the plug-in cannot be loaded; 4 the document is not well-formed XML or the
  plug-in rejects it; 5 a malformed record (its line is named); 6 a case the
  model fails to score.
)help";

struct Options {
  std::string plugin;
  std::string inputFormat;
  std::string outputFormat;
  std::string output;
  std::string idField = "id";
  std::string encoding = "UTF-8";
  bool trace = false;
  bool quiet = false;
  bool progress = false;
  bool help = false;
  std::string document;
  std::string records = "-";
};

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

Options ParseArguments(int argc, char** argv) {
  Options options;
  std::vector<std::string> positional;
  const std::vector<std::pair<const char*, std::string*>> valued = {
      {"--plugin", &options.plugin},
      {"--input-format", &options.inputFormat},
      {"--output-format", &options.outputFormat},
      {"--output", &options.output},
      {"--id-field", &options.idField},
      {"--encoding", &options.encoding}};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      continue;
    }
    if (arg == "--trace" || arg == "--quiet" || arg == "--progress") {
      (arg == "--trace"   ? options.trace
       : arg == "--quiet" ? options.quiet
                          : options.progress) = true;
      continue;
    }
    bool matched = false;
    for (const auto& [name, target] : valued) {
      const std::string prefix = std::string(name) + "=";
      if (arg == name) {
        if (i + 1 >= argc) throw ToolError(kExitUsage, std::string(name) + " needs a value");
        *target = argv[++i];
      } else if (arg.compare(0, prefix.size(), prefix) == 0) {
        *target = arg.substr(prefix.size());
      } else {
        continue;
      }
      matched = true;
      break;
    }
    if (matched) continue;
    if (arg.size() > 1 && arg[0] == '-') throw ToolError(kExitUsage, "unknown option " + arg);
    positional.push_back(arg);
  }
  if (options.help) return options;
  if (positional.empty()) throw ToolError(kExitUsage, "no lattice document given");
  if (positional.size() > 2) throw ToolError(kExitUsage, "too many arguments");
  options.document = positional[0];
  if (positional.size() == 2) options.records = positional[1];
  if (options.inputFormat.empty()) {
    const std::string& r = options.records;
    options.inputFormat =
        EndsWith(r, ".jsonl") || EndsWith(r, ".ndjson") || EndsWith(r, ".json") ? "jsonl" : "csv";
  }
  if (options.outputFormat.empty()) options.outputFormat = options.inputFormat;
  for (const std::string* format : {&options.inputFormat, &options.outputFormat}) {
    if (*format != "csv" && *format != "jsonl") {
      throw ToolError(kExitUsage, "unknown format \"" + *format + "\" (csv or jsonl)");
    }
  }
  return options;
}

std::string ProgramDirectory() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return ".";
  path.resize(static_cast<size_t>(length));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

double FileSize(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<double>(status.st_size) : 0;
}

// The plug-in installed with the program, the one next to it, or the one of the build.
std::string DefaultPlugin() {
  const std::string directory = ProgramDirectory();
  const std::string candidates[] = {directory + "/" + CARMASEQ_SCORE_INSTALLED_PLUGIN,
                                    directory + "/" + CARMASEQ_SCORE_PLUGIN_NAME,
                                    CARMASEQ_SCORE_BUILD_PLUGIN};
  for (const std::string& candidate : candidates) {
    if (Exists(candidate)) return candidate;
  }
  return candidates[0];
}

void Run(const Options& options) {
  if (options.trace) QxQuorvis_940::ScoringLog::GetInstance().SetTraceLevel(1);
  carmaseq_cli::Progress progress(
      std::cerr,
      carmaseq_cli::Progress::ModeFor(options.quiet, options.progress, isatty(STDERR_FILENO) == 1));
  PluginSession session;
  session.LoadPlugin(options.plugin.empty() ? DefaultPlugin() : options.plugin);
  progress.Start("loading " + options.document);
  session.LoadDocument(options.document, options.encoding);
  progress.Finish();

  std::ifstream recordFile;
  if (options.records != "-") {
    recordFile.open(options.records, std::ios::binary);
    if (!recordFile.is_open()) {
      throw ToolError(kExitFile, "cannot open the records " + options.records);
    }
  }
  std::istream& in = options.records == "-" ? std::cin : recordFile;
  std::ofstream outputFile;
  if (!options.output.empty()) {
    outputFile.open(options.output, std::ios::binary | std::ios::trunc);
    if (!outputFile.is_open()) throw ToolError(kExitFile, "cannot create " + options.output);
  }
  std::ostream& out = options.output.empty() ? std::cout : outputFile;

  const std::unique_ptr<CaseReader> reader =
      options.inputFormat == "csv" ? NewCsvReader(in) : NewJsonLinesReader(in);
  const std::unique_ptr<ResultWriter> writer =
      options.outputFormat == "csv" ? NewCsvWriter(out) : NewJsonLinesWriter(out);
  CaseFields record;
  const std::string source = options.records == "-" ? "standard input" : options.records;
  // The share done is the share of the records file read, when it is a file.
  progress.Start("scoring " + source, options.records == "-" ? 0 : FileSize(options.records));
  std::int64_t scored = 0;
  try {
    while (reader->Next(&record)) {
      writer->Write(session.Score(record, options.idField));
      if (++scored % 256 == 0) {
        progress.Update(options.records == "-" ? static_cast<double>(scored)
                                               : static_cast<double>(recordFile.tellg()));
      }
    }
  } catch (const RecordError& e) {
    throw ToolError(kExitRecord, source + ": malformed record at " + e.what());
  }
  progress.Finish();
  out.flush();
  if (!out) throw ToolError(kExitFile, "cannot write the results");
}

}  // namespace
}  // namespace carmaseq_score

int main(int argc, char** argv) {
  using namespace carmaseq_score;
  try {
    const Options options = ParseArguments(argc, argv);
    if (options.help) {
      std::cout << kHelp;
      return kExitOk;
    }
    Run(options);
    return kExitOk;
  } catch (const ToolError& e) {
    std::cerr << kProgram << ": " << e.what() << "\n";
    if (e.code() == kExitUsage) std::cerr << "Try '" << kProgram << " --help'.\n";
    return e.code();
  } catch (const std::exception& e) {
    std::cerr << kProgram << ": " << e.what() << "\n";
    return kExitScoring;
  }
}
