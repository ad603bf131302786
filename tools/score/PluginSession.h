// The host side of carmaseq-score: loads the scoring plug-in, has it translate a lattice
// document into a model, and scores cases with that model.
#ifndef CARMASEQ_TOOLS_SCORE_PLUGINSESSION_H_
#define CARMASEQ_TOOLS_SCORE_PLUGINSESSION_H_

#include <memory>
#include <stdexcept>
#include <string>
#include <xercesc/util/XercesDefs.hpp>

#include "CaseReader.h"
#include "LeanParser.h"
#include "ResultWriter.h"

namespace QxQuorvis_940 {
class ScoreModel;
class ScoreResult;
class ScoreTranslator;
}  // namespace QxQuorvis_940

namespace carmaseq_score {

// The program's exit codes.
enum ExitCode {
  kExitOk = 0,
  kExitFile = 1,      // a file that cannot be opened, read or written
  kExitUsage = 2,     // a bad command line
  kExitPlugin = 3,    // a plug-in that cannot be loaded or has no GiveMyTranslator
  kExitDocument = 4,  // a lattice document that is not well-formed XML or that the plug-in rejects
  kExitRecord = 5,    // a malformed case record
  kExitScoring = 6,   // a model that fails to score a case
};

// A failure that ends the program: its message and exit code.
class ToolError : public std::runtime_error {
 public:
  ToolError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

// Hears how the loading of a document goes: each step by name with the amount it counts
// towards (0 when unknown), then how much of it is done. The default hears nothing.
class LoadListener {
 public:
  virtual ~LoadListener() = default;
  virtual void Step(const std::string& /*name*/, double /*total*/) {}
  virtual void Done(double /*done*/) {}
};

// Owns the loaded module, the Xerces platform, the translator, the model and the last result,
// and releases them in the order the plug-in needs (objects of the module before the module,
// Xerces users before Xerces). Not copyable.
class PluginSession {
 public:
  PluginSession();
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Loads the module at path and obtains its translator. Throws ToolError (kExitPlugin).
  void LoadPlugin(const std::string& path);
  // Parses the document at path and has the translator build the model, the document's text
  // kept in `encoding`. Throws ToolError: kExitFile when the file cannot be opened, kExitDocument
  // when it is not well-formed or the translator rejects it (with the translator's reason).
  // The steps (reading the document: bytes read of its size; building the model) are told to
  // listener when given; it must outlive the call. REQUIRES: LoadPlugin succeeded.
  void LoadDocument(const std::string& path, const std::string& encoding,
                    LoadListener* listener = nullptr);
  // Scores one case; its field `idField` is passed through as the id. Throws ToolError
  // (kExitScoring). REQUIRES: LoadDocument succeeded.
  ScoredCase Score(const CaseFields& record, const std::string& idField);

 private:
  void* module_ = nullptr;
  bool xercesReady_ = false;
  std::unique_ptr<LeanParser> parser_;
  LeanDocumentPtr document_;  // while the model is built
  std::unique_ptr<QxQuorvis_940::ScoreTranslator> translator_;
  std::unique_ptr<QxQuorvis_940::ScoreModel> model_;
  QxQuorvis_940::ScoreResult* result_ = nullptr;  // owned; reused from case to case
};

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_PLUGINSESSION_H_
