// A compact, read-only implementation of the Xerces DOM interfaces, built by the host program
// while it parses a lattice document and handed to the plug-in in place of Xerces' own tree.
//
// A lattice document is millions of small elements whose content is all in attributes. Xerces'
// tree spends about 200 bytes on an element and 280 on an attribute (a node, a text child and a
// string); this one spends 48 bytes on an element and 16 on an attribute plus its value text:
//   element   = vtable, parent, next sibling, first child, interned name, attribute count,
//               followed in the same block by its attributes (name, value) and their values;
//   text node = vtable, parent, next sibling, data, length.
// Names are interned once per document; every node lives in blocks that the document frees at
// once.
//
// What the tree holds: the document, its elements with their attributes in document order, and
// the text between them that is not all white space (adjacent text, CDATA sections included, is
// one text node; entity references are expanded in place). Comments, processing instructions and
// the document type declaration are not kept: getDoctype() gives null and the document's one
// child is its element. Nodes have no namespace (as a parser that does not resolve namespaces
// makes them), no attribute is an ID and xml:base is not applied (every base URI is the
// document's).
//
// Behaviour of the interfaces:
// - Every reading method answers as the DOM says: names, types, values, parent, children and
//   siblings, attributes by name or index, getElementsByTagName ("*" too, document order),
//   getTextContent, getOwnerDocument, isSameNode, isEqualNode, compareDocumentPosition.
// - DOMAttr nodes, attribute maps and node lists are made on first demand and kept by the
//   document, so asking twice gives the same object. getAttribute and hasAttribute make nothing.
// - Methods that would change the tree (set..., create..., insert..., remove..., import, adopt,
//   rename, ...) throw xercesc::DOMException NO_MODIFICATION_ALLOWED_ERR; those that have no
//   meaning here (cloneNode, ranges, traversal, XPath, the DOM configuration) throw
//   NOT_SUPPORTED_ERR; release() on a node other than the document throws INVALID_ACCESS_ERR.
// - release() on the document frees the document and every node and object it gave out.
// Strings returned (getTextContent, substringData) live as long as the document.
//
// Thread-safety: none; even reading makes cached objects. Use from one thread at a time.
#ifndef CARMASEQ_TOOLS_SCORE_LEANDOCUMENT_H_
#define CARMASEQ_TOOLS_SCORE_LEANDOCUMENT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>
#include <xercesc/dom/DOMAttr.hpp>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNamedNodeMap.hpp>
#include <xercesc/dom/DOMNodeList.hpp>
#include <xercesc/dom/DOMText.hpp>
#include <xercesc/dom/DOMTypeInfo.hpp>
#include <xercesc/framework/MemoryManager.hpp>

namespace carmaseq_score {

class LeanDocument;

// The DOMNode methods that every node of the tree answers alike. Interface is the Xerces
// interface the node implements.
template <class Interface>
class LeanNode : public Interface {
 public:
  xercesc::DOMNode* getParentNode() const override { return nullptr; }
  xercesc::DOMNodeList* getChildNodes() const override;
  xercesc::DOMNode* getFirstChild() const override { return nullptr; }
  xercesc::DOMNode* getLastChild() const override;
  xercesc::DOMNode* getPreviousSibling() const override;
  xercesc::DOMNode* getNextSibling() const override { return nullptr; }
  xercesc::DOMNamedNodeMap* getAttributes() const override { return nullptr; }
  xercesc::DOMDocument* getOwnerDocument() const override;
  xercesc::DOMNode* cloneNode(bool deep) const override;
  xercesc::DOMNode* insertBefore(xercesc::DOMNode* newChild, xercesc::DOMNode* refChild) override;
  xercesc::DOMNode* replaceChild(xercesc::DOMNode* newChild, xercesc::DOMNode* oldChild) override;
  xercesc::DOMNode* removeChild(xercesc::DOMNode* oldChild) override;
  xercesc::DOMNode* appendChild(xercesc::DOMNode* newChild) override;
  bool hasChildNodes() const override { return getFirstChild() != nullptr; }
  void setNodeValue(const XMLCh* nodeValue) override;
  // The tree is already normal (no empty or adjacent text nodes): nothing to do.
  void normalize() override {}
  bool isSupported(const XMLCh* feature, const XMLCh* version) const override;
  const XMLCh* getNamespaceURI() const override { return nullptr; }
  const XMLCh* getPrefix() const override { return nullptr; }
  const XMLCh* getLocalName() const override { return nullptr; }
  void setPrefix(const XMLCh* prefix) override;
  bool hasAttributes() const override { return false; }
  bool isSameNode(const xercesc::DOMNode* other) const override {
    return other == static_cast<const xercesc::DOMNode*>(this);
  }
  bool isEqualNode(const xercesc::DOMNode* other) const override;
  void* setUserData(const XMLCh* key, void* data, xercesc::DOMUserDataHandler* handler) override;
  void* getUserData(const XMLCh* key) const override;
  const XMLCh* getBaseURI() const override;
  short compareDocumentPosition(const xercesc::DOMNode* other) const override;
  const XMLCh* getTextContent() const override;
  void setTextContent(const XMLCh* textContent) override;
  const XMLCh* lookupPrefix(const XMLCh* namespaceURI) const override;
  bool isDefaultNamespace(const XMLCh* namespaceURI) const override;
  const XMLCh* lookupNamespaceURI(const XMLCh* prefix) const override;
  void* getFeature(const XMLCh* feature, const XMLCh* version) const override;
  void release() override;

 protected:
  LeanNode() = default;
  // The document the node belongs to (the document itself for the document).
  LeanDocument* Document() const;
};

// A text node: a child of an element, or the value of an attribute node.
class LeanText final : public LeanNode<xercesc::DOMText> {
 public:
  // data (length code units, terminated) must live as long as the node.
  LeanText(xercesc::DOMNode* parent, const XMLCh* data, XMLSize_t length)
      : parent_(parent), data_(data), length_(length) {}

  const XMLCh* getNodeName() const override;
  const XMLCh* getNodeValue() const override { return data_; }
  NodeType getNodeType() const override { return TEXT_NODE; }
  xercesc::DOMNode* getParentNode() const override { return parent_; }
  xercesc::DOMNode* getNextSibling() const override { return next_; }
  const XMLCh* getTextContent() const override { return data_; }

  const XMLCh* getData() const override { return data_; }
  XMLSize_t getLength() const override { return length_; }
  const XMLCh* substringData(XMLSize_t offset, XMLSize_t count) const override;
  void appendData(const XMLCh* arg) override;
  void insertData(XMLSize_t offset, const XMLCh* arg) override;
  void deleteData(XMLSize_t offset, XMLSize_t count) override;
  void replaceData(XMLSize_t offset, XMLSize_t count, const XMLCh* arg) override;
  void setData(const XMLCh* data) override;
  xercesc::DOMText* splitText(XMLSize_t offset) override;
  bool getIsElementContentWhitespace() const override { return false; }
  const XMLCh* getWholeText() const override { return data_; }
  xercesc::DOMText* replaceWholeText(const XMLCh* content) override;
  bool isIgnorableWhitespace() const override { return false; }

 private:
  friend class LeanDocument;
  xercesc::DOMNode* parent_;
  xercesc::DOMNode* next_ = nullptr;
  const XMLCh* data_;
  XMLSize_t length_;
};

// An element. Its attributes follow it in the same block of memory.
class LeanElement final : public LeanNode<xercesc::DOMElement> {
 public:
  struct Attribute {
    const XMLCh* name;  // interned
    const XMLCh* value;
  };

  // Returns the index of the attribute called name, or -1.
  long Find(const XMLCh* name) const;
  const Attribute& attribute(std::size_t index) const {
    return reinterpret_cast<const Attribute*>(this + 1)[index];
  }
  std::size_t attributeCount() const { return count_; }

  const XMLCh* getNodeName() const override { return name_; }
  const XMLCh* getNodeValue() const override { return nullptr; }
  NodeType getNodeType() const override { return ELEMENT_NODE; }
  xercesc::DOMNode* getParentNode() const override { return parent_; }
  xercesc::DOMNode* getFirstChild() const override { return firstChild_; }
  xercesc::DOMNode* getNextSibling() const override { return next_; }
  xercesc::DOMNamedNodeMap* getAttributes() const override;
  bool hasAttributes() const override { return count_ != 0; }

  const XMLCh* getTagName() const override { return name_; }
  const XMLCh* getAttribute(const XMLCh* name) const override;
  xercesc::DOMAttr* getAttributeNode(const XMLCh* name) const override;
  xercesc::DOMNodeList* getElementsByTagName(const XMLCh* name) const override;
  void setAttribute(const XMLCh* name, const XMLCh* value) override;
  xercesc::DOMAttr* setAttributeNode(xercesc::DOMAttr* newAttr) override;
  xercesc::DOMAttr* removeAttributeNode(xercesc::DOMAttr* oldAttr) override;
  void removeAttribute(const XMLCh* name) override;
  const XMLCh* getAttributeNS(const XMLCh* namespaceURI, const XMLCh* localName) const override;
  void setAttributeNS(const XMLCh* namespaceURI, const XMLCh* qualifiedName,
                      const XMLCh* value) override;
  void removeAttributeNS(const XMLCh* namespaceURI, const XMLCh* localName) override;
  xercesc::DOMAttr* getAttributeNodeNS(const XMLCh* namespaceURI,
                                       const XMLCh* localName) const override;
  xercesc::DOMAttr* setAttributeNodeNS(xercesc::DOMAttr* newAttr) override;
  xercesc::DOMNodeList* getElementsByTagNameNS(const XMLCh* namespaceURI,
                                               const XMLCh* localName) const override;
  bool hasAttribute(const XMLCh* name) const override { return Find(name) >= 0; }
  bool hasAttributeNS(const XMLCh* namespaceURI, const XMLCh* localName) const override;
  void setIdAttribute(const XMLCh* name, bool isId) override;
  void setIdAttributeNS(const XMLCh* namespaceURI, const XMLCh* localName, bool isId) override;
  void setIdAttributeNode(const xercesc::DOMAttr* idAttr, bool isId) override;
  const xercesc::DOMTypeInfo* getSchemaTypeInfo() const override;
  xercesc::DOMElement* getFirstElementChild() const override;
  xercesc::DOMElement* getLastElementChild() const override;
  xercesc::DOMElement* getPreviousElementSibling() const override;
  xercesc::DOMElement* getNextElementSibling() const override;
  XMLSize_t getChildElementCount() const override;

 private:
  friend class LeanDocument;
  LeanElement(xercesc::DOMNode* parent, const XMLCh* name, std::uint32_t count)
      : parent_(parent), name_(name), count_(count) {}

  xercesc::DOMNode* parent_;
  xercesc::DOMNode* next_ = nullptr;
  xercesc::DOMNode* firstChild_ = nullptr;
  const XMLCh* name_;
  std::uint32_t count_;
};

// An attribute of an element, made when first asked for. Its value is also its one text child.
class LeanAttr final : public LeanNode<xercesc::DOMAttr> {
 public:
  LeanAttr(const LeanElement* owner, const LeanElement::Attribute* attribute);

  const XMLCh* getNodeName() const override { return attribute_->name; }
  const XMLCh* getNodeValue() const override { return attribute_->value; }
  NodeType getNodeType() const override { return ATTRIBUTE_NODE; }
  xercesc::DOMNode* getFirstChild() const override;
  xercesc::DOMDocument* getOwnerDocument() const override { return owner_->getOwnerDocument(); }
  const XMLCh* getTextContent() const override { return attribute_->value; }

  const XMLCh* getName() const override { return attribute_->name; }
  bool getSpecified() const override { return true; }
  const XMLCh* getValue() const override { return attribute_->value; }
  void setValue(const XMLCh* value) override;
  xercesc::DOMElement* getOwnerElement() const override;
  bool isId() const override { return false; }
  const xercesc::DOMTypeInfo* getSchemaTypeInfo() const override;

 private:
  const LeanElement* owner_;
  const LeanElement::Attribute* attribute_;
  LeanText text_;
};

// The document: owns every node, the memory they live in and the objects made on demand.
// Made by the parser (LeanParser); the caller of the parse owns it and frees it with release().
class LeanDocument final : public LeanNode<xercesc::DOMDocument> {
 public:
  // The name and value of an attribute to build.
  struct AttributeText {
    const XMLCh* name;
    const XMLCh* value;
  };

  // Builds in blocks from memory (owned; freed after the blocks), or from Xerces' memory manager
  // when memory is null. REQUIRES: Xerces initialised, as long as the document lives.
  explicit LeanDocument(std::unique_ptr<xercesc::MemoryManager> memory = nullptr);
  ~LeanDocument() override;
  LeanDocument(const LeanDocument&) = delete;
  LeanDocument& operator=(const LeanDocument&) = delete;

  // Building, for the parser: elements are opened and closed in document order; text goes to the
  // open element (text outside any element is ignored). Texts are copied. Throws
  // std::bad_alloc or what the memory manager throws. The first element is the document's.
  void StartElement(const XMLCh* name, const AttributeText* attributes, std::size_t count);
  void EndElement();
  void AddText(const XMLCh* chars, XMLSize_t length);
  // What the XML declaration said (null where it said nothing), and the encoding the text was
  // read in.
  void SetDeclaration(const XMLCh* version, const XMLCh* encoding, bool standalone,
                      const XMLCh* inputEncoding);
  void SetURI(const XMLCh* uri);

  // Objects made on demand, kept so that asking again gives the same one.
  LeanAttr* AttrNode(const LeanElement* owner, std::size_t index);
  xercesc::DOMNamedNodeMap* AttributeMap(const LeanElement* owner);
  xercesc::DOMNodeList* ChildList(const xercesc::DOMNode* parent);
  xercesc::DOMNodeList* ElementList(const xercesc::DOMNode* root, const XMLCh* name);
  void* SetUserData(const xercesc::DOMNode* node, const XMLCh* key, void* data,
                    xercesc::DOMUserDataHandler* handler);
  void* UserData(const xercesc::DOMNode* node, const XMLCh* key) const;
  // A copy of text that lives as long as the document.
  const XMLCh* Keep(std::u16string_view text);

  // Memory taken from the document's blocks so far, in bytes.
  std::size_t used() const { return used_; }

  // DOMNode.
  const XMLCh* getNodeName() const override;
  const XMLCh* getNodeValue() const override { return nullptr; }
  NodeType getNodeType() const override { return DOCUMENT_NODE; }
  xercesc::DOMNode* getFirstChild() const override { return root_; }
  xercesc::DOMDocument* getOwnerDocument() const override { return nullptr; }
  const XMLCh* getTextContent() const override { return nullptr; }
  void release() override;

  // DOMDocument.
  xercesc::DOMElement* createElement(const XMLCh* tagName) override;
  xercesc::DOMDocumentFragment* createDocumentFragment() override;
  xercesc::DOMText* createTextNode(const XMLCh* data) override;
  xercesc::DOMComment* createComment(const XMLCh* data) override;
  xercesc::DOMCDATASection* createCDATASection(const XMLCh* data) override;
  xercesc::DOMProcessingInstruction* createProcessingInstruction(const XMLCh* target,
                                                                 const XMLCh* data) override;
  xercesc::DOMAttr* createAttribute(const XMLCh* name) override;
  xercesc::DOMEntityReference* createEntityReference(const XMLCh* name) override;
  xercesc::DOMDocumentType* getDoctype() const override { return nullptr; }
  xercesc::DOMImplementation* getImplementation() const override;
  xercesc::DOMElement* getDocumentElement() const override { return root_; }
  xercesc::DOMNodeList* getElementsByTagName(const XMLCh* tagname) const override;
  xercesc::DOMNode* importNode(const xercesc::DOMNode* importedNode, bool deep) override;
  xercesc::DOMElement* createElementNS(const XMLCh* namespaceURI,
                                       const XMLCh* qualifiedName) override;
  xercesc::DOMAttr* createAttributeNS(const XMLCh* namespaceURI,
                                      const XMLCh* qualifiedName) override;
  xercesc::DOMNodeList* getElementsByTagNameNS(const XMLCh* namespaceURI,
                                               const XMLCh* localName) const override;
  // No attribute is an ID.
  xercesc::DOMElement* getElementById(const XMLCh*) const override { return nullptr; }
  const XMLCh* getInputEncoding() const override { return inputEncoding_; }
  const XMLCh* getXmlEncoding() const override { return xmlEncoding_; }
  bool getXmlStandalone() const override { return standalone_; }
  void setXmlStandalone(bool standalone) override;
  const XMLCh* getXmlVersion() const override { return xmlVersion_; }
  void setXmlVersion(const XMLCh* version) override;
  const XMLCh* getDocumentURI() const override { return uri_; }
  void setDocumentURI(const XMLCh* documentURI) override;
  bool getStrictErrorChecking() const override { return true; }
  void setStrictErrorChecking(bool strictErrorChecking) override;
  xercesc::DOMNode* renameNode(xercesc::DOMNode* n, const XMLCh* namespaceURI,
                               const XMLCh* qualifiedName) override;
  xercesc::DOMNode* adoptNode(xercesc::DOMNode* source) override;
  void normalizeDocument() override {}
  xercesc::DOMConfiguration* getDOMConfig() const override;
  xercesc::DOMEntity* createEntity(const XMLCh* name) override;
  xercesc::DOMDocumentType* createDocumentType(const XMLCh* name) override;
  xercesc::DOMNotation* createNotation(const XMLCh* name) override;
  xercesc::DOMElement* createElementNS(const XMLCh* namespaceURI, const XMLCh* qualifiedName,
                                       const XMLFileLoc lineNum,
                                       const XMLFileLoc columnNum) override;

  // DOMDocumentRange, DOMDocumentTraversal, DOMXPathEvaluator: not supported.
  xercesc::DOMRange* createRange() override;
  xercesc::DOMNodeIterator* createNodeIterator(xercesc::DOMNode* root,
                                               xercesc::DOMNodeFilter::ShowType whatToShow,
                                               xercesc::DOMNodeFilter* filter,
                                               bool entityReferenceExpansion) override;
  xercesc::DOMTreeWalker* createTreeWalker(xercesc::DOMNode* root,
                                           xercesc::DOMNodeFilter::ShowType whatToShow,
                                           xercesc::DOMNodeFilter* filter,
                                           bool entityReferenceExpansion) override;
  xercesc::DOMXPathExpression* createExpression(
      const XMLCh* expression, const xercesc::DOMXPathNSResolver* resolver) override;
  xercesc::DOMXPathNSResolver* createNSResolver(const xercesc::DOMNode* nodeResolver) override;
  xercesc::DOMXPathResult* evaluate(const XMLCh* expression, const xercesc::DOMNode* contextNode,
                                    const xercesc::DOMXPathNSResolver* resolver,
                                    xercesc::DOMXPathResult::ResultType type,
                                    xercesc::DOMXPathResult* result) override;

 private:
  // An open element and where its next child is to be linked.
  struct Frame {
    xercesc::DOMNode* node;
    xercesc::DOMNode** tail;
  };

  // size bytes aligned for pointers, from the current block or a new one.
  void* Allocate(std::size_t size);
  const XMLCh* Intern(const XMLCh* name);
  // Links node as the next child of the open element.
  void Link(xercesc::DOMNode* node, xercesc::DOMNode** next);

  std::unique_ptr<xercesc::MemoryManager> ownedMemory_;
  xercesc::MemoryManager* memory_;
  std::vector<void*> blocks_;
  char* free_ = nullptr;  // the free space of the current block
  char* end_ = nullptr;
  std::size_t used_ = 0;

  LeanElement* root_ = nullptr;
  std::vector<Frame> open_;
  std::unordered_map<std::u16string_view, const XMLCh*> names_;
  std::vector<const XMLCh*> attributeNames_;  // StartElement's interned names, reused
  const XMLCh* uri_ = nullptr;
  const XMLCh* xmlVersion_ = nullptr;
  const XMLCh* xmlEncoding_ = nullptr;
  const XMLCh* inputEncoding_ = nullptr;
  bool standalone_ = false;

  std::unordered_map<const void*, std::unique_ptr<LeanAttr>> attrs_;
  std::unordered_map<const void*, std::unique_ptr<xercesc::DOMNamedNodeMap>> maps_;
  std::unordered_map<const void*, std::unique_ptr<xercesc::DOMNodeList>> childLists_;
  std::map<std::pair<const void*, std::u16string>, std::unique_ptr<xercesc::DOMNodeList>>
      elementLists_;
  std::map<std::pair<const void*, std::u16string>, std::pair<void*, xercesc::DOMUserDataHandler*>>
      userData_;
};

}  // namespace carmaseq_score

#endif  // CARMASEQ_TOOLS_SCORE_LEANDOCUMENT_H_
