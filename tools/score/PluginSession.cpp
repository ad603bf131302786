#include "PluginSession.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLExceptMsgs.hpp>
#include <xercesc/util/XMLException.hpp>

#include "DocumentArena.h"
#include "EntityBound.h"
#include "LeanParser.h"
#include "ScoreCaseRecord.h"
#include "ScoreDictVar.h"
#include "ScoreModel.h"
#include "ScoreResult.h"
#include "ScoreTranslator.h"
#include "ScoreValue.h"
#include "ScoringLog.h"
#include "scoring/VectorValue.h"

namespace carmaseq_score {

namespace {

using Predictions = QxQuorvis_940::VectorValue<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor>;
using TranslatorEntry = QxQuorvis_940::ScoreTranslator* (*)();

// The most text a document's entities may expand to.
constexpr std::int64_t kMaxEntityExpansion = std::int64_t{16} << 20;

// What the plug-in's sequential results report as their kind.
constexpr int kSequentialResultType = 13;

std::string Utf8(const XMLCh* text) {
  if (text == nullptr) return std::string();
  try {
    const xercesc::TranscodeToStr utf8(text, "UTF-8");
    return reinterpret_cast<const char*>(utf8.str());
  } catch (const xercesc::XMLException&) {
    return "(message not readable)";
  }
}

// Keeps the first error the parser reports.
class FirstError : public xercesc::ErrorHandler {
 public:
  void warning(const xercesc::SAXParseException&) override {}
  void error(const xercesc::SAXParseException& e) override { Keep(e); }
  void fatalError(const xercesc::SAXParseException& e) override { Keep(e); }
  void resetErrors() override { message_.clear(); }
  const std::string& message() const { return message_; }

 private:
  void Keep(const xercesc::SAXParseException& e) {
    if (!message_.empty()) return;
    message_ = "line " + std::to_string(e.getLineNumber()) + ", column " +
               std::to_string(e.getColumnNumber()) + ": " + Utf8(e.getMessage());
  }
  std::string message_;
};

// The document's file, read through a stream that tells a listener how many bytes it has read.
class CountingFileStream : public xercesc::BinInputStream {
 public:
  // Takes ownership of file.
  CountingFileStream(std::FILE* file, LoadListener* listener) : file_(file), listener_(listener) {}
  ~CountingFileStream() override { std::fclose(file_); }
  CountingFileStream(const CountingFileStream&) = delete;
  CountingFileStream& operator=(const CountingFileStream&) = delete;

  XMLFilePos curPos() const override { return position_; }
  XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override {
    const std::size_t read = std::fread(toFill, 1, maxToRead, file_);
    if (read == 0 && std::ferror(file_)) {
      ThrowXML(xercesc::XMLPlatformUtilsException, xercesc::XMLExcepts::File_CouldNotReadFromFile);
    }
    position_ += read;
    if (listener_ != nullptr) listener_->Done(static_cast<double>(position_));
    return read;
  }
  const XMLCh* getContentType() const override { return nullptr; }

 private:
  std::FILE* file_;
  LoadListener* listener_;
  XMLFilePos position_ = 0;
};

class CountingFileSource : public xercesc::InputSource {
 public:
  CountingFileSource(const std::string& path, LoadListener* listener)
      : xercesc::InputSource(path.c_str()), path_(path), listener_(listener) {}

  // Null when the file cannot be opened (the parser then reports it).
  xercesc::BinInputStream* makeStream() const override {
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr) return nullptr;
    return new CountingFileStream(file, listener_);
  }

 private:
  std::string path_;
  LoadListener* listener_;
};

// Captures the trace lines written while it lives, unless tracing is already on (the lines then
// go where the user asked).
class TraceCapture {
 public:
  TraceCapture() {
    QxQuorvis_940::ScoringLog& log = QxQuorvis_940::ScoringLog::GetInstance();
    if (log.IsTracing(1)) return;
    file_ = std::tmpfile();
    if (file_ == nullptr) return;
    log.SetOutput(file_);
    log.SetTraceLevel(1);
  }
  ~TraceCapture() {
    if (file_ == nullptr) return;
    Restore();
    std::fclose(file_);
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  // The rest of the first captured line after `marker`; empty when there is none.
  std::string Find(const std::string& marker) {
    if (file_ == nullptr) return std::string();
    Restore();
    std::string text;
    std::rewind(file_);
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) text.push_back(c);
    const size_t at = text.find(marker);
    if (at == std::string::npos) return std::string();
    const size_t begin = at + marker.size();
    return text.substr(begin, text.find('\n', begin) - begin);
  }

 private:
  void Restore() {
    QxQuorvis_940::ScoringLog::GetInstance().SetTraceLevel(0);
    QxQuorvis_940::ScoringLog::GetInstance().SetOutput(nullptr);
  }
  std::FILE* file_ = nullptr;
};

}  // namespace

PluginSession::PluginSession() = default;

PluginSession::~PluginSession() {
  delete result_;
  model_.reset();
  translator_.reset();
  document_.reset();
  parser_.reset();
  if (xercesReady_) xercesc::XMLPlatformUtils::Terminate();
  if (module_ != nullptr) dlclose(module_);
}

void PluginSession::LoadPlugin(const std::string& path) {
  module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) {
    const char* reason = dlerror();
    throw ToolError(kExitPlugin, "cannot load the scoring plug-in " + path + ": " +
                                     (reason == nullptr ? "unknown reason" : reason));
  }
  auto entry = reinterpret_cast<TranslatorEntry>(dlsym(module_, "GiveMyTranslator"));
  if (entry == nullptr) {
    throw ToolError(kExitPlugin, "the plug-in " + path + " has no GiveMyTranslator");
  }
  translator_.reset(entry());
  if (translator_ == nullptr) {
    throw ToolError(kExitPlugin, "the plug-in " + path + " gave no translator");
  }
}

void PluginSession::LoadDocument(const std::string& path, const std::string& encoding,
                                 LoadListener* listener) {
  LoadListener silent;
  if (listener == nullptr) listener = &silent;
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) throw ToolError(kExitFile, "cannot open the lattice document " + path);
  // The parser bounds the number of entity expansions; their total size is bounded here.
  const std::int64_t expansion = EntityExpansionBytes(file);
  if (expansion < 0) throw ToolError(kExitFile, "cannot read the lattice document " + path);
  if (expansion > kMaxEntityExpansion) {
    throw ToolError(kExitDocument, "the lattice document " + path +
                                       " is refused: its entities would expand to more than " +
                                       std::to_string(kMaxEntityExpansion >> 20) + " MB");
  }
  try {
    xercesc::XMLPlatformUtils::Initialize();
  } catch (const xercesc::XMLException& e) {
    throw ToolError(kExitDocument, "cannot start the XML parser: " + Utf8(e.getMessage()));
  }
  xercesReady_ = true;

  // The document type is not fetched, and entity expansion is bounded.
  xercesc::SecurityManager security;
  security.setEntityExpansionLimit(10000);
  FirstError errors;
  document_.reset();
  parser_ = std::make_unique<LeanParser>();
  // The document lives in an arena of its own, freed with it.
  auto arena = std::make_unique<DocumentArena>();
  DocumentArena* documentArena = arena.get();
  parser_->SetDocumentMemory(std::move(arena));
  // Nothing is validated and no namespace resolved: the plug-in reads names and attributes only.
  parser_->setValidationScheme(xercesc::SAXParser::Val_Never);
  parser_->setDoNamespaces(false);
  parser_->setDoSchema(false);
  parser_->setLoadExternalDTD(false);
  parser_->setDisableDefaultEntityResolution(true);
  parser_->setSecurityManager(&security);
  parser_->setErrorHandler(&errors);
  std::error_code sizeError;
  const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
  listener->Step("reading the lattice document " + path, sizeError ? 0 : static_cast<double>(size));
  const CountingFileSource source(path, listener);
  std::string failure;
  try {
    parser_->parse(source);
  } catch (const xercesc::XMLException& e) {
    failure = Utf8(e.getMessage());
  } catch (const xercesc::DOMException& e) {
    failure = Utf8(e.getMessage());
  } catch (const xercesc::SAXException& e) {
    failure = Utf8(e.getMessage());
  } catch (const xercesc::OutOfMemoryException&) {
    failure = "out of memory";
  }
  parser_->setErrorHandler(nullptr);
  parser_->setSecurityManager(nullptr);
  if (failure.empty() && parser_->getErrorCount() != 0) failure = errors.message();
  document_ = parser_->TakeDocument();
  if (failure.empty() && (document_ == nullptr || document_->getDocumentElement() == nullptr)) {
    failure = "no document";
  }
  if (!failure.empty()) {
    document_.reset();
    throw ToolError(kExitDocument,
                    "the lattice document " + path + " is not well-formed XML: " + failure);
  }
  parser_.reset();
  documentArena->StopPreparing();  // the document is complete
  listener->Step("building the model", 0);
  TraceCapture trace;
  std::string target = encoding;
  model_.reset(translator_->ParseFromTree(document_.get(), target));
  if (model_ == nullptr) {
    // A document breaking the lattice's limits is rejected; one that could not be read for
    // another reason (memory running out) is reported as such.
    const std::string rejected = trace.Find("document rejected: ");
    const std::string unread = trace.Find("document not read: ");
    throw ToolError(kExitDocument,
                    !unread.empty()
                        ? "the plug-in could not read the lattice document " + path + ": " + unread
                        : "the plug-in rejected the lattice document " + path + ": " +
                              (rejected.empty() ? "see the trace" : rejected));
  }
  // The model keeps nothing of the document.
  document_.reset();
}

ScoredCase PluginSession::Score(const CaseFields& record, const std::string& idField) {
  QxQuorvis_940::MapCaseRecord fields;
  for (const auto& [name, text] : record.fields) fields.SetField(name, text);
  const QxScore::QxStatus status = model_->GetScore(&fields, result_, false);
  if (!status.IsOK()) {
    throw ToolError(kExitScoring, "line " + std::to_string(record.line) +
                                      ": the model failed to score the case (code " +
                                      std::to_string(status.GetErrorCode()) + ")");
  }
  if (result_ == nullptr) {
    throw ToolError(kExitScoring, "line " + std::to_string(record.line) +
                                      ": the model gave no result (see the trace)");
  }
  const QxQuorvis_940::ScoreValue* prediction = result_->GetPrediction();
  if (result_->GetScoreResultType() != kSequentialResultType || prediction == nullptr ||
      prediction->GetType() != QxQuorvis_940::ScoreValue::kVector) {
    throw ToolError(kExitScoring, "line " + std::to_string(record.line) +
                                      ": the model gave no list of predicted items");
  }
  ScoredCase scored;
  scored.id = record.Find(idField);
  scored.target = result_->GetTarget() == nullptr ? "" : result_->GetTarget()->GetName();
  // The plug-in's list type is known by its kind; its classes are not visible across the
  // module boundary, so the cast is static.
  scored.predictions = static_cast<const Predictions*>(prediction)->GetVectorValue();
  return scored;
}

}  // namespace carmaseq_score
