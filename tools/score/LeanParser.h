// The host's parser of lattice documents: a Xerces SAX parser (same scanner, settings and error
// reports as Xerces' DOM parser) that builds a LeanDocument instead of Xerces' own tree.
#ifndef CARMASEQ_TOOLS_SCORE_LEANPARSER_H_
#define CARMASEQ_TOOLS_SCORE_LEANPARSER_H_

#include <memory>
#include <string>
#include <vector>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>

#include "LeanDocument.h"

namespace carmaseq_score {

// Frees a document the way the DOM frees one.
struct ReleaseDocument {
  void operator()(xercesc::DOMDocument* document) const { document->release(); }
};
using LeanDocumentPtr = std::unique_ptr<LeanDocument, ReleaseDocument>;

// Configure it as any SAXParser (validation, security manager, error handler...; but no document
// handler: the parser's own takes the events), then parse.
// The lattice document carries everything in attributes, and the line breaks between its
// elements would each become a text node: character data between two tags that is all white
// space (outside CDATA sections) is therefore dropped. Comments and processing instructions are
// not kept. Not copyable; one parse at a time.
class LeanParser : public xercesc::SAXParser {
 public:
  LeanParser();
  ~LeanParser() override;
  LeanParser(const LeanParser&) = delete;
  LeanParser& operator=(const LeanParser&) = delete;

  // The memory the next parse's document is built in; that document owns it. Without one the
  // document uses Xerces' memory manager.
  void SetDocumentMemory(std::unique_ptr<xercesc::MemoryManager> memory);
  // The document of the last parse, whole only when the parse reported no error. Caller owns the
  // result; null when no parse has started since the last call.
  LeanDocumentPtr TakeDocument();

  // The scanner's events.
  void startDocument() override;
  void XMLDecl(const XMLCh* version, const XMLCh* encoding, const XMLCh* standalone,
               const XMLCh* actualEncoding) override;
  void startElement(const xercesc::XMLElementDecl& decl, unsigned int urlId, const XMLCh* prefix,
                    const xercesc::RefVectorOf<xercesc::XMLAttr>& attributes, XMLSize_t count,
                    bool isEmpty, bool isRoot) override;
  void endElement(const xercesc::XMLElementDecl& decl, unsigned int urlId, bool isRoot,
                  const XMLCh* prefix) override;
  void docCharacters(const XMLCh* chars, XMLSize_t length, bool cdataSection) override;
  void ignorableWhitespace(const XMLCh*, XMLSize_t, bool) override {}
  void docComment(const XMLCh*) override {}
  void docPI(const XMLCh*, const XMLCh*) override {}

 private:
  // Adds the text gathered since the last tag to the open element, unless it is all blank.
  void FlushText();

  xercesc::HandlerBase silent_;
  std::unique_ptr<xercesc::MemoryManager> memory_;
  LeanDocumentPtr document_;
  std::vector<LeanDocument::AttributeText> attributes_;  // reused from element to element
  std::u16string text_;                                  // text since the last tag
  bool keepText_ = false;                                // text_ is not all blank
};

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_LEANPARSER_H_
