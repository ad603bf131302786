// carmaseq-score: scores case records with the scoring plug-in, as a host framework would.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "ArgParser.h"
#include "CaseReader.h"
#include "Errors.h"
#include "OutputFiles.h"
#include "PluginSession.h"
#include "Progress.h"
#include "ResultWriter.h"
#include "ScoringLog.h"

namespace carmaseq_score {
namespace {

using carmaseq_cli::CommandDef;
using carmaseq_cli::OutputFiles;
using carmaseq_cli::ParsedArgs;
using carmaseq_cli::Progress;
using carmaseq_cli::UsageError;

constexpr char kProgram[] = "carmaseq-score";

CommandDef ScoreDef() {
  CommandDef def;
  def.program = kProgram;
  def.synopsis = "[OPTIONS] LATTICE.xml [RECORDS]";
  def.summary =
      "Loads the scoring plug-in, has it read a sequence lattice document (as the carmaseq "
      "library exports it), and scores every case record of RECORDS (standard input when absent "
      "or \"-\"), writing one result line per record.";
  def.minPositional = 1;
  def.maxPositional = 2;
  def.options = {
      {"plugin", "PATH",
       "the scoring plug-in module (default: the one installed with this program, else the one "
       "next to it, else the one of the build it comes from)"},
      {"input-format", "FMT",
       "csv or jsonl (default: jsonl for files ending in .jsonl, .ndjson or .json, csv otherwise)"},
      {"output-format", "FMT", "csv or jsonl (default: the input format)"},
      {"output", "PATH", "write the results to PATH instead of standard output"},
      {"id-field", "NAME", "the field passed through as the id (default \"id\")"},
      {"encoding", "NAME", "encoding of the document's text in the model (default UTF-8)"},
      {"trace", "", "write the plug-in's trace lines to standard error"},
      {"quiet", "", "show no progress"},
      {"progress", "", "show progress also when standard error is not a terminal"},
  };
  def.details = R"help(Records hold these fields (any other field is ignored):
  sequence     the customer's history, item sets in time order, e.g.
               "(1 2)(3)(4[12.5])": items are whole numbers, "[...]" gives a
               set's time; other characters are skipped
  returnType   "futureItems" for items of a later visit; anything else (or no
               field) gives "currentItems", items joining the newest item set
  maxReturn    the most items to return, a whole number (default 20; negative
               gives 20)
  fromCurrent  when present, whatever its value, future items are also
               predicted from the history without its newest item sets
  id           passed through to the output (see --id-field)

Input formats:
  csv    a header line naming the fields (it must name "sequence"), then one
         record per line, as many fields as the header; fields may be quoted
         with double quotes ("" is a quote inside quotes; quoted fields may
         span lines); blanks around fields are dropped; an empty field counts
         as absent
  jsonl  one flat JSON object per line whose values are strings or numbers,
         e.g. {"id": "c1", "sequence": "(1)(2 3)", "maxReturn": 5}

Output formats:
  csv    header "id,target,predictions"; predictions are
         "item:confidence:support:cause" groups separated by blanks, best first
  jsonl  {"id":"c1","target":"currentItems","predictions":[{"item":3,
         "confidence":0.5,"support":0.25,"cause":1}]}

Progress:
  On a terminal, standard error shows the step under way: reading the lattice
  document (share of its bytes read and the time left), building the model
  (time spent) and scoring (records scored and, for a RECORDS file, the share
  of it read and the time left). --progress writes it also to a file or pipe,
  one line per tenth of a step (or per ten seconds) and one when it ends;
  --quiet shows none.

--output is written to a temporary file and appears only once every record is
scored; a failure or a signal leaves an earlier file of that name as it was.
A record whose non-blank sequence holds no "(" is scored as the empty history,
with a warning naming its line.

Exit status:
  0 success; 1 a file cannot be opened, read or written; 2 a bad command line;
  3 the plug-in cannot be loaded; 4 the document is not well-formed XML, its
  entities would expand to too much text, or the plug-in rejects it; 5 a
  malformed record (its line is named); 6 a case the model fails to score;
  128 + N after signal N.
)help";
  return def;
}

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

Options ParseArguments(const ParsedArgs& args) {
  Options options;
  options.help = args.helpRequested();
  if (options.help) return options;
  options.plugin = args.Get("plugin");
  options.inputFormat = args.Get("input-format");
  options.outputFormat = args.Get("output-format");
  options.output = args.Get("output");
  options.idField = args.Get("id-field", options.idField);
  options.encoding = args.Get("encoding", options.encoding);
  options.trace = args.Has("trace");
  options.quiet = args.Has("quiet");
  options.progress = args.Has("progress");
  options.document = args.positional()[0];
  if (args.positional().size() == 2) options.records = args.positional()[1];
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

// Throws RecordError for a maxReturn that is not a whole number; warns when a sequence text that
// is not blank holds no item set (the plug-in scores it as the empty history).
void CheckRecord(const CaseFields& record, const std::string& source) {
  const std::string* maxReturn = record.Find("maxReturn");
  std::int64_t number = 0;
  if (maxReturn != nullptr && !carmaseq_cli::ParseInt(*maxReturn, &number)) {
    throw RecordError(record.line,
                      "maxReturn " + carmaseq_cli::Quoted(*maxReturn) + " is not a whole number");
  }
  const std::string* sequence = record.Find("sequence");
  if (sequence != nullptr && sequence->find('(') == std::string::npos &&
      sequence->find_first_not_of(" \t\r\n") != std::string::npos) {
    std::cerr << kProgram << ": " << source << ": line " << record.line << ": warning: sequence "
              << carmaseq_cli::Quoted(*sequence)
              << " holds no item set; scored as the empty history\n";
  }
}

// Declares --output (none for standard output) after the files it must not overwrite.
std::unique_ptr<OutputFiles> DeclareOutput(const Options& options) {
  if (options.output.empty() || options.output == "-") return nullptr;
  auto files = std::make_unique<OutputFiles>();
  files->AddInput(options.document);
  files->AddInput(options.records);
  try {
    files->Declare(options.output);
  } catch (const UsageError& e) {
    throw ToolError(kExitUsage, e.what());
  } catch (const carmaseq_cli::CommandError& e) {
    throw ToolError(kExitFile, e.what());
  }
  return files;
}

// Shows the steps of loading a document as progress steps.
class LoadProgress : public LoadListener {
 public:
  explicit LoadProgress(Progress& progress) : progress_(progress) {}
  void Step(const std::string& name, double total) override { progress_.Start(name, total); }
  void Done(double done) override { progress_.Update(done); }

 private:
  Progress& progress_;
};

// The size of the records file, or 0 when it is standard input or has no size (a pipe).
double RecordsSize(const std::string& records) {
  if (records == "-") return 0;
  std::error_code error;
  if (!std::filesystem::is_regular_file(records, error)) return 0;
  const std::uintmax_t size = std::filesystem::file_size(records, error);
  return error ? 0 : static_cast<double>(size);
}

void Run(const Options& options) {
  const std::unique_ptr<OutputFiles> output = DeclareOutput(options);
  if (options.trace) QxQuorvis_940::ScoringLog::GetInstance().SetTraceLevel(1);
  Progress progress(std::cerr,
                    Progress::ModeFor(options.quiet, options.progress, isatty(STDERR_FILENO) == 1));
  PluginSession session;
  session.LoadPlugin(options.plugin.empty() ? DefaultPlugin() : options.plugin);
  LoadProgress loading(progress);
  session.LoadDocument(options.document, options.encoding, &loading);
  progress.Finish();

  std::ifstream recordFile;
  if (options.records != "-") {
    recordFile.open(options.records, std::ios::binary);
    if (!recordFile.is_open()) {
      throw ToolError(kExitFile, "cannot open the records " + options.records);
    }
  }
  std::istream& in = options.records == "-" ? std::cin : recordFile;
  std::ostream& out = output != nullptr ? output->Open(options.output) : std::cout;

  const std::unique_ptr<CaseReader> reader =
      options.inputFormat == "csv" ? NewCsvReader(in) : NewJsonLinesReader(in);
  const std::unique_ptr<ResultWriter> writer =
      options.outputFormat == "csv" ? NewCsvWriter(out) : NewJsonLinesWriter(out);
  CaseFields record;
  const std::string source = options.records == "-" ? "standard input" : options.records;
  // The share done is the share of the records file read, when its size is known.
  const double size = RecordsSize(options.records);
  progress.Start("scoring " + source, size, "records");
  double scored = 0;
  try {
    while (reader->Next(&record)) {
      CheckRecord(record, source);
      writer->Write(session.Score(record, options.idField));
      ++scored;
      if (size > 0) {
        // Past the end of the file the stream has no position.
        const std::streamoff at = in.tellg();
        progress.Update(at < 0 ? size : static_cast<double>(at), scored);
      } else {
        progress.Update(scored, scored);
      }
    }
  } catch (const RecordError& e) {
    throw ToolError(kExitRecord, source + ": malformed record at " + e.what());
  }
  progress.Finish();
  out.flush();
  if (!out) throw ToolError(kExitFile, "cannot write the results");
  try {
    if (output != nullptr) output->CommitAll();
  } catch (const carmaseq_cli::CommandError& e) {
    throw ToolError(kExitFile, e.what());
  }
}

}  // namespace
}  // namespace carmaseq_score

int main(int argc, char** argv) {
  using namespace carmaseq_score;
  OutputFiles::InstallSignalCleanup();
  try {
    const CommandDef def = ScoreDef();
    Options options;
    try {
      options = ParseArguments(
          carmaseq_cli::ParseArgs(def, std::vector<std::string>(argv + 1, argv + argc)));
    } catch (const UsageError& e) {
      throw ToolError(kExitUsage, e.what());
    }
    if (options.help) {
      std::cout << carmaseq_cli::FormatHelp(def);
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
