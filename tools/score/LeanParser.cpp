#include "LeanParser.h"

#include <xercesc/framework/XMLAttr.hpp>
#include <xercesc/framework/XMLElementDecl.hpp>
#include <xercesc/internal/ReaderMgr.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/util/XMLUni.hpp>

namespace carmaseq_score {

namespace {

bool IsAllSpace(const XMLCh* chars, XMLSize_t length) {
  for (XMLSize_t i = 0; i < length; ++i) {
    if (chars[i] != ' ' && chars[i] != '\n' && chars[i] != '\t' && chars[i] != '\r') return false;
  }
  return true;
}

}  // namespace

LeanParser::LeanParser() {
  // The scanner reports its events to the parser only while a document handler is set; the
  // handler itself hears nothing, the events being taken here.
  setDocumentHandler(&silent_);
}

LeanParser::~LeanParser() = default;

void LeanParser::SetDocumentMemory(std::unique_ptr<xercesc::MemoryManager> memory) {
  memory_ = std::move(memory);
}

LeanDocumentPtr LeanParser::TakeDocument() { return std::move(document_); }

void LeanParser::startDocument() {
  xercesc::SAXParser::startDocument();
  document_.reset(new LeanDocument(std::move(memory_)));
  document_->SetURI(getScanner().getLocator()->getSystemId());
  document_->SetDeclaration(nullptr, nullptr, false,
                            getScanner().getReaderMgr()->getCurrentEncodingStr());
  text_.clear();
  keepText_ = false;
}

void LeanParser::XMLDecl(const XMLCh* version, const XMLCh* encoding, const XMLCh* standalone,
                         const XMLCh* actualEncoding) {
  xercesc::SAXParser::XMLDecl(version, encoding, standalone, actualEncoding);
  if (document_ == nullptr) return;
  document_->SetDeclaration(version, encoding,
                            xercesc::XMLString::equals(standalone, xercesc::XMLUni::fgYesString),
                            actualEncoding);
}

void LeanParser::startElement(const xercesc::XMLElementDecl& decl, unsigned int, const XMLCh*,
                              const xercesc::RefVectorOf<xercesc::XMLAttr>& attributes,
                              XMLSize_t count, bool isEmpty, bool) {
  FlushText();
  attributes_.clear();
  for (XMLSize_t i = 0; i < count; ++i) {
    const xercesc::XMLAttr* attribute = attributes.elementAt(i);
    attributes_.push_back({attribute->getQName(), attribute->getValue()});
  }
  document_->StartElement(decl.getFullName(), attributes_.data(), attributes_.size());
  if (isEmpty) document_->EndElement();
}

void LeanParser::endElement(const xercesc::XMLElementDecl&, unsigned int, bool, const XMLCh*) {
  FlushText();
  document_->EndElement();
}

void LeanParser::docCharacters(const XMLCh* chars, XMLSize_t length, bool cdataSection) {
  text_.append(chars, length);
  if (cdataSection || !IsAllSpace(chars, length)) keepText_ = true;
}

void LeanParser::FlushText() {
  if (keepText_ && !text_.empty()) document_->AddText(text_.data(), text_.size());
  text_.clear();
  keepText_ = false;
}

}  // namespace carmaseq_score
