// Translators: what turns a parsed model document into a scoring model.
#ifndef CARMASEQ_HOST_SCORETRANSLATOR_H_
#define CARMASEQ_HOST_SCORETRANSLATOR_H_

#include <memory>
#include <string>
#include <xercesc/util/XercesDefs.hpp>

#include "HostExport.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class DOMNode;
class DOMNodeList;
XERCES_CPP_NAMESPACE_END

namespace QxQuorvis_940 {

class QuorvisTranscoder;
class ScoreModel;

// Turns the DOM of a model document into a new ScoreModel. A plug-in hands the host its
// translator; the host owns it and every model it returns, and parses the documents (Xerces must
// stay initialised while the translator lives). The virtual operations keep this order: hosts
// and plug-ins built apart rely on it.
//
// No exception may leave a translator: a document it cannot read gives a null model.
class QUORVISHOST_EXPORT ScoreTranslator {
 public:
  virtual ~ScoreTranslator();

  // Each returns a new model, or null when the document cannot be read. Caller owns the result.
  // `encoding` names the 8-bit encoding in which the model keeps the document's text ("UTF-8"
  // when not given). A node stands for the document that holds it.
  virtual ScoreModel* ParseFromTree(xercesc::DOMDocument* document) = 0;
  virtual ScoreModel* ParseFromTree(xercesc::DOMNode* node) = 0;
  virtual ScoreModel* ParseFromTree(xercesc::DOMNode* node, std::string& encoding) = 0;
  virtual ScoreModel* ParseFromTree(xercesc::DOMDocument* document, const char* encoding) = 0;
  virtual ScoreModel* ParseFromTree(xercesc::DOMNode* node, const char* encoding) = 0;
  virtual ScoreModel* ParseFromTree(xercesc::DOMDocument* document, std::string& encoding) = 0;
  // Whether the host asks for documents of its older parser. DOM translators ignore it.
  virtual void SetSupportOldParser(bool support) = 0;
  virtual bool GetSupportOldParser() const = 0;

 protected:
  ScoreTranslator() = default;
};

// The host's base of every translator. The first five ParseFromTree overloads find the document
// and encoding and call the sixth, ParseFromTree(DOMDocument*, std::string&), which is the one a
// translator overrides (add `using BaseTranslator::ParseFromTree;` to keep the others visible).
// Holds the transcoder of the last CreateTranscoder, and offers static helpers that read the DOM
// without throwing. Not copyable.
class QUORVISHOST_EXPORT BaseTranslator : public ScoreTranslator {
 public:
  BaseTranslator();
  ~BaseTranslator() override;
  BaseTranslator(const BaseTranslator&) = delete;
  BaseTranslator& operator=(const BaseTranslator&) = delete;

  ScoreModel* ParseFromTree(xercesc::DOMDocument* document) override;
  ScoreModel* ParseFromTree(xercesc::DOMNode* node) override;
  ScoreModel* ParseFromTree(xercesc::DOMNode* node, std::string& encoding) override;
  ScoreModel* ParseFromTree(xercesc::DOMDocument* document, const char* encoding) override;
  ScoreModel* ParseFromTree(xercesc::DOMNode* node, const char* encoding) override;
  // Reads no document: returns null.
  ScoreModel* ParseFromTree(xercesc::DOMDocument* document, std::string& encoding) override;
  void SetSupportOldParser(bool support) override { supportOldParser_ = support; }
  bool GetSupportOldParser() const override { return supportOldParser_; }

  // Replaces the held transcoder with one to `encoding` (UTF-8 when empty or unknown).
  // REQUIRES: XMLPlatformUtils::Initialize has run.
  void CreateTranscoder(const std::string& encoding);
  // The transcoder of the last CreateTranscoder, or null before the first. The translator keeps
  // ownership.
  QuorvisTranscoder* GetTranscoder() const { return transcoder_.get(); }

  // The elements named `tag` (UTF-8) in document order, or null for a null document. The document
  // owns the list.
  static xercesc::DOMNodeList* GetElementsByTagName(xercesc::DOMDocument* document,
                                                    const char* tag);
  // The value of the attribute `name` (UTF-8) of `element`; null when the element is null or has
  // no such attribute (an attribute present with an empty value gives an empty string). The
  // element owns the value.
  static const XMLCh* GetAttribute(const xercesc::DOMElement* element, const char* name);
  // Returns true iff `value` is a decimal integer within the int range (XML blanks around it, an
  // optional sign, at least one digit, nothing else) and sets *out; leaves *out alone otherwise,
  // also for a null value.
  static bool VerifyInt(const XMLCh* value, int* out);
  // The integer of `value` as above, or 0 when `value` is null or no such integer. Use the other
  // overload where 0 must be told apart from a missing or broken number.
  static int VerifyInt(const XMLCh* value);
  // The first child of `node` that is an element, or null (also for a null node).
  static xercesc::DOMElement* GetFirstChildElt(const xercesc::DOMNode* node);
  // The next sibling of `node` that is an element, or null (also for a null node).
  static xercesc::DOMElement* GetNextSiblingElt(const xercesc::DOMNode* node);

 private:
  std::unique_ptr<QuorvisTranscoder> transcoder_;
  bool supportOldParser_ = false;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCORETRANSLATOR_H_
