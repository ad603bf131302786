#include "LeanDocument.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/dom/DOMImplementation.hpp>
#include <xercesc/dom/DOMUserDataHandler.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLString.hpp>

namespace carmaseq_score {

static_assert(std::is_same<XMLCh, char16_t>::value, "XMLCh text is kept as std::u16string");
static_assert(sizeof(LeanElement) <= 6 * sizeof(void*), "an element stays six words");
static_assert(sizeof(LeanElement) % alignof(LeanElement::Attribute) == 0,
              "attributes follow their element");

namespace {

using xercesc::DOMException;
using xercesc::DOMNode;

constexpr XMLCh kTextName[] = u"#text";
constexpr XMLCh kDocumentName[] = u"#document";
constexpr XMLCh kAllNames[] = u"*";
constexpr XMLCh kEmpty[] = u"";

// Makes room for one more entry, growing geometrically (a deeply nested document pushes an open
// element per level), so that the push_back that follows cannot throw.
template <typename T>
void MakeRoomForOne(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(2 * v.capacity() + 8);
}

// Blocks the nodes are carved from; larger requests get a block of their own.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::size_t kAlign = alignof(void*);

[[noreturn]] void Throw(short code) {
  throw DOMException(code, 0, xercesc::XMLPlatformUtils::fgMemoryManager);
}
[[noreturn]] void ThrowReadOnly() { Throw(DOMException::NO_MODIFICATION_ALLOWED_ERR); }
[[noreturn]] void ThrowNotSupported() { Throw(DOMException::NOT_SUPPORTED_ERR); }

std::u16string_view View(const XMLCh* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

bool SameText(const XMLCh* a, const XMLCh* b) { return View(a) == View(b); }

// The node after node in document order, within root's subtree; null after the last.
DOMNode* NextInOrder(const DOMNode* root, const DOMNode* node) {
  if (DOMNode* child = node->getFirstChild()) return child;
  for (; node != nullptr && node != root; node = node->getParentNode()) {
    if (DOMNode* next = node->getNextSibling()) return next;
  }
  return nullptr;
}

// An element named name ("*": any) at or after node in document order within root's subtree.
DOMNode* ElementFrom(const DOMNode* root, DOMNode* node, std::u16string_view name) {
  for (; node != nullptr; node = NextInOrder(root, node)) {
    if (node->getNodeType() == DOMNode::ELEMENT_NODE &&
        (name == kAllNames || View(node->getNodeName()) == name)) {
      return node;
    }
  }
  return nullptr;
}

xercesc::DOMElement* ElementFrom(DOMNode* node, bool forward) {
  while (node != nullptr && node->getNodeType() != DOMNode::ELEMENT_NODE) {
    node = forward ? node->getNextSibling() : node->getPreviousSibling();
  }
  return static_cast<xercesc::DOMElement*>(node);
}

// A list whose items are found by walking from a cursor; the last position found is kept, so
// reading the list in order costs one step per item.
class WalkedList : public xercesc::DOMNodeList {
 public:
  DOMNode* item(XMLSize_t index) const override {
    if (at_ == nullptr || index < index_) {
      at_ = First();
      index_ = 0;
    }
    while (at_ != nullptr && index_ < index) {
      at_ = Next(at_);
      ++index_;
    }
    return at_;
  }
  XMLSize_t getLength() const override {
    if (length_ == kUnknown) {
      length_ = 0;
      for (DOMNode* node = First(); node != nullptr; node = Next(node)) ++length_;
    }
    return length_;
  }

 protected:
  virtual DOMNode* First() const = 0;
  virtual DOMNode* Next(DOMNode* node) const = 0;

 private:
  static constexpr XMLSize_t kUnknown = ~XMLSize_t{0};
  mutable DOMNode* at_ = nullptr;
  mutable XMLSize_t index_ = 0;
  mutable XMLSize_t length_ = kUnknown;
};

class ChildNodes final : public WalkedList {
 public:
  explicit ChildNodes(const DOMNode* parent) : parent_(parent) {}

 private:
  DOMNode* First() const override { return parent_->getFirstChild(); }
  DOMNode* Next(DOMNode* node) const override { return node->getNextSibling(); }
  const DOMNode* parent_;
};

class ElementsNamed final : public WalkedList {
 public:
  ElementsNamed(const DOMNode* root, std::u16string name) : root_(root), name_(std::move(name)) {}

 private:
  DOMNode* First() const override {
    DOMNode* first = root_->getFirstChild();
    return first == nullptr ? nullptr : ElementFrom(root_, first, name_);
  }
  DOMNode* Next(DOMNode* node) const override {
    DOMNode* next = NextInOrder(root_, node);
    return next == nullptr ? nullptr : ElementFrom(root_, next, name_);
  }
  const DOMNode* root_;
  std::u16string name_;
};

class AttributeNodes final : public xercesc::DOMNamedNodeMap {
 public:
  AttributeNodes(LeanDocument* document, const LeanElement* owner)
      : document_(document), owner_(owner) {}

  DOMNode* setNamedItem(DOMNode*) override { ThrowReadOnly(); }
  DOMNode* item(XMLSize_t index) const override {
    return index < owner_->attributeCount() ? document_->AttrNode(owner_, index) : nullptr;
  }
  DOMNode* getNamedItem(const XMLCh* name) const override { return owner_->getAttributeNode(name); }
  XMLSize_t getLength() const override { return owner_->attributeCount(); }
  DOMNode* removeNamedItem(const XMLCh*) override { ThrowReadOnly(); }
  DOMNode* getNamedItemNS(const XMLCh*, const XMLCh*) const override { return nullptr; }
  DOMNode* setNamedItemNS(DOMNode*) override { ThrowReadOnly(); }
  DOMNode* removeNamedItemNS(const XMLCh*, const XMLCh*) override { ThrowReadOnly(); }

 private:
  LeanDocument* document_;
  const LeanElement* owner_;
};

// What nodes of a tree that is never validated report as their type.
class NoTypeInfo final : public xercesc::DOMTypeInfo {
 public:
  const XMLCh* getTypeName() const override { return nullptr; }
  const XMLCh* getTypeNamespace() const override { return nullptr; }
  bool isDerivedFrom(const XMLCh*, const XMLCh*, DerivationMethods) const override { return false; }
};

const NoTypeInfo kNoTypeInfo;

// The nodes from node up to the top of its tree; an attribute's chain goes on at its element.
std::vector<const DOMNode*> Ancestry(const DOMNode* node) {
  std::vector<const DOMNode*> chain;
  while (node != nullptr) {
    chain.push_back(node);
    node = node->getNodeType() == DOMNode::ATTRIBUTE_NODE
               ? static_cast<const xercesc::DOMAttr*>(node)->getOwnerElement()
               : node->getParentNode();
  }
  return chain;
}

// Whether a comes before b, two different children or attributes of one node: attributes come
// first, in their order; then children, in theirs.
bool ComesBefore(const DOMNode* a, const DOMNode* b) {
  const bool aAttribute = a->getNodeType() == DOMNode::ATTRIBUTE_NODE;
  const bool bAttribute = b->getNodeType() == DOMNode::ATTRIBUTE_NODE;
  if (aAttribute != bAttribute) return aAttribute;
  if (aAttribute) {
    const DOMNode* owner = static_cast<const xercesc::DOMAttr*>(a)->getOwnerElement();
    const xercesc::DOMNamedNodeMap* map = owner->getAttributes();
    for (XMLSize_t i = 0; i < map->getLength(); ++i) {
      if (map->item(i) == a) return true;
      if (map->item(i) == b) return false;
    }
    return false;
  }
  for (const DOMNode* node = a->getNextSibling(); node != nullptr; node = node->getNextSibling()) {
    if (node == b) return true;
  }
  return false;
}

short ComparePositions(const DOMNode* self, const DOMNode* other) {
  if (other == nullptr || other == self) return 0;
  const std::vector<const DOMNode*> mine = Ancestry(self);
  const std::vector<const DOMNode*> theirs = Ancestry(other);
  if (mine.back() != theirs.back()) {
    // Disconnected: any order, as long as it is the same every time.
    return DOMNode::DOCUMENT_POSITION_DISCONNECTED |
           DOMNode::DOCUMENT_POSITION_IMPLEMENTATION_SPECIFIC |
           (other < self ? DOMNode::DOCUMENT_POSITION_PRECEDING
                         : DOMNode::DOCUMENT_POSITION_FOLLOWING);
  }
  // Walk down from the common top to where the chains part.
  auto m = mine.rbegin();
  auto t = theirs.rbegin();
  while (m != mine.rend() && t != theirs.rend() && *m == *t) {
    ++m;
    ++t;
  }
  if (m == mine.rend()) {
    return DOMNode::DOCUMENT_POSITION_CONTAINED_BY | DOMNode::DOCUMENT_POSITION_FOLLOWING;
  }
  if (t == theirs.rend()) {
    return DOMNode::DOCUMENT_POSITION_CONTAINS | DOMNode::DOCUMENT_POSITION_PRECEDING;
  }
  return ComesBefore(*m, *t) ? DOMNode::DOCUMENT_POSITION_FOLLOWING
                             : DOMNode::DOCUMENT_POSITION_PRECEDING;
}

bool EqualNodes(const DOMNode* a, const DOMNode* b) {
  if (a == b) return true;
  if (a == nullptr || b == nullptr) return false;
  if (a->getNodeType() != b->getNodeType() || !SameText(a->getNodeName(), b->getNodeName()) ||
      !SameText(a->getLocalName(), b->getLocalName()) ||
      !SameText(a->getNamespaceURI(), b->getNamespaceURI()) ||
      !SameText(a->getPrefix(), b->getPrefix()) ||
      !SameText(a->getNodeValue(), b->getNodeValue())) {
    return false;
  }
  const xercesc::DOMNamedNodeMap* aMap = a->getAttributes();
  const xercesc::DOMNamedNodeMap* bMap = b->getAttributes();
  const XMLSize_t attributes = aMap == nullptr ? 0 : aMap->getLength();
  if (attributes != (bMap == nullptr ? 0 : bMap->getLength())) return false;
  for (XMLSize_t i = 0; i < attributes; ++i) {
    const DOMNode* attribute = aMap->item(i);
    if (!EqualNodes(attribute, bMap->getNamedItem(attribute->getNodeName()))) return false;
  }
  const DOMNode* x = a->getFirstChild();
  const DOMNode* y = b->getFirstChild();
  for (; x != nullptr && y != nullptr; x = x->getNextSibling(), y = y->getNextSibling()) {
    if (!EqualNodes(x, y)) return false;
  }
  return x == nullptr && y == nullptr;
}

}  // namespace

// LeanNode.

template <class Interface>
LeanDocument* LeanNode<Interface>::Document() const {
  const DOMNode* self = this;
  xercesc::DOMDocument* document =
      self->getNodeType() == DOMNode::DOCUMENT_NODE
          ? static_cast<xercesc::DOMDocument*>(const_cast<DOMNode*>(self))
          : self->getOwnerDocument();
  return static_cast<LeanDocument*>(document);
}

template <class Interface>
xercesc::DOMNodeList* LeanNode<Interface>::getChildNodes() const {
  return Document()->ChildList(this);
}

template <class Interface>
DOMNode* LeanNode<Interface>::getLastChild() const {
  DOMNode* last = getFirstChild();
  if (last == nullptr) return nullptr;
  while (DOMNode* next = last->getNextSibling()) last = next;
  return last;
}

template <class Interface>
DOMNode* LeanNode<Interface>::getPreviousSibling() const {
  const DOMNode* self = this;
  const DOMNode* parent = self->getParentNode();
  if (parent == nullptr) return nullptr;
  DOMNode* previous = nullptr;
  for (DOMNode* node = parent->getFirstChild(); node != self; node = node->getNextSibling()) {
    previous = node;
  }
  return previous;
}

template <class Interface>
xercesc::DOMDocument* LeanNode<Interface>::getOwnerDocument() const {
  DOMNode* parent = getParentNode();
  if (parent == nullptr) return nullptr;
  if (parent->getNodeType() == DOMNode::DOCUMENT_NODE) {
    return static_cast<xercesc::DOMDocument*>(parent);
  }
  return parent->getOwnerDocument();
}

template <class Interface>
DOMNode* LeanNode<Interface>::cloneNode(bool) const {
  ThrowNotSupported();
}

template <class Interface>
DOMNode* LeanNode<Interface>::insertBefore(DOMNode*, DOMNode*) {
  ThrowReadOnly();
}

template <class Interface>
DOMNode* LeanNode<Interface>::replaceChild(DOMNode*, DOMNode*) {
  ThrowReadOnly();
}

template <class Interface>
DOMNode* LeanNode<Interface>::removeChild(DOMNode*) {
  ThrowReadOnly();
}

template <class Interface>
DOMNode* LeanNode<Interface>::appendChild(DOMNode*) {
  ThrowReadOnly();
}

template <class Interface>
void LeanNode<Interface>::setNodeValue(const XMLCh*) {
  ThrowReadOnly();
}

template <class Interface>
bool LeanNode<Interface>::isSupported(const XMLCh* feature, const XMLCh* version) const {
  return xercesc::DOMImplementation::getImplementation()->hasFeature(feature, version);
}

template <class Interface>
void LeanNode<Interface>::setPrefix(const XMLCh*) {
  ThrowReadOnly();
}

template <class Interface>
bool LeanNode<Interface>::isEqualNode(const DOMNode* other) const {
  return EqualNodes(this, other);
}

template <class Interface>
void* LeanNode<Interface>::setUserData(const XMLCh* key, void* data,
                                       xercesc::DOMUserDataHandler* handler) {
  return Document()->SetUserData(this, key, data, handler);
}

template <class Interface>
void* LeanNode<Interface>::getUserData(const XMLCh* key) const {
  return Document()->UserData(this, key);
}

template <class Interface>
const XMLCh* LeanNode<Interface>::getBaseURI() const {
  return Document()->getDocumentURI();
}

template <class Interface>
short LeanNode<Interface>::compareDocumentPosition(const DOMNode* other) const {
  return ComparePositions(this, other);
}

template <class Interface>
const XMLCh* LeanNode<Interface>::getTextContent() const {
  // An element's text: that of every text node below it, in document order.
  std::u16string text;
  const DOMNode* self = this;
  for (const DOMNode* node = self->getFirstChild(); node != nullptr;
       node = NextInOrder(self, node)) {
    if (node->getNodeType() == DOMNode::TEXT_NODE) text += View(node->getNodeValue());
  }
  return Document()->Keep(text);
}

template <class Interface>
void LeanNode<Interface>::setTextContent(const XMLCh*) {
  ThrowReadOnly();
}

// No node has a namespace, and no xmlns attribute declares one.
template <class Interface>
const XMLCh* LeanNode<Interface>::lookupPrefix(const XMLCh*) const {
  return nullptr;
}

template <class Interface>
bool LeanNode<Interface>::isDefaultNamespace(const XMLCh* namespaceURI) const {
  return View(namespaceURI).empty();
}

template <class Interface>
const XMLCh* LeanNode<Interface>::lookupNamespaceURI(const XMLCh*) const {
  return nullptr;
}

template <class Interface>
void* LeanNode<Interface>::getFeature(const XMLCh*, const XMLCh*) const {
  return nullptr;
}

template <class Interface>
void LeanNode<Interface>::release() {
  Throw(DOMException::INVALID_ACCESS_ERR);  // the document owns its nodes
}

template class LeanNode<xercesc::DOMText>;
template class LeanNode<xercesc::DOMElement>;
template class LeanNode<xercesc::DOMAttr>;
template class LeanNode<xercesc::DOMDocument>;

// LeanText.

const XMLCh* LeanText::getNodeName() const { return kTextName; }

const XMLCh* LeanText::substringData(XMLSize_t offset, XMLSize_t count) const {
  if (offset > length_) Throw(DOMException::INDEX_SIZE_ERR);
  return Document()->Keep(std::u16string_view(data_ + offset, std::min(count, length_ - offset)));
}

void LeanText::appendData(const XMLCh*) { ThrowReadOnly(); }
void LeanText::insertData(XMLSize_t, const XMLCh*) { ThrowReadOnly(); }
void LeanText::deleteData(XMLSize_t, XMLSize_t) { ThrowReadOnly(); }
void LeanText::replaceData(XMLSize_t, XMLSize_t, const XMLCh*) { ThrowReadOnly(); }
void LeanText::setData(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMText* LeanText::splitText(XMLSize_t) { ThrowReadOnly(); }
xercesc::DOMText* LeanText::replaceWholeText(const XMLCh*) { ThrowReadOnly(); }

// LeanElement.

long LeanElement::Find(const XMLCh* name) const {
  const std::u16string_view wanted = View(name);
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (View(attribute(i).name) == wanted) return static_cast<long>(i);
  }
  return -1;
}

xercesc::DOMNamedNodeMap* LeanElement::getAttributes() const {
  return Document()->AttributeMap(this);
}

const XMLCh* LeanElement::getAttribute(const XMLCh* name) const {
  const long at = Find(name);
  return at < 0 ? kEmpty : attribute(at).value;
}

xercesc::DOMAttr* LeanElement::getAttributeNode(const XMLCh* name) const {
  const long at = Find(name);
  return at < 0 ? nullptr : Document()->AttrNode(this, at);
}

xercesc::DOMNodeList* LeanElement::getElementsByTagName(const XMLCh* name) const {
  return Document()->ElementList(this, name);
}

void LeanElement::setAttribute(const XMLCh*, const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMAttr* LeanElement::setAttributeNode(xercesc::DOMAttr*) { ThrowReadOnly(); }
xercesc::DOMAttr* LeanElement::removeAttributeNode(xercesc::DOMAttr*) { ThrowReadOnly(); }
void LeanElement::removeAttribute(const XMLCh*) { ThrowReadOnly(); }
void LeanElement::setAttributeNS(const XMLCh*, const XMLCh*, const XMLCh*) { ThrowReadOnly(); }
void LeanElement::removeAttributeNS(const XMLCh*, const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMAttr* LeanElement::setAttributeNodeNS(xercesc::DOMAttr*) { ThrowReadOnly(); }
void LeanElement::setIdAttribute(const XMLCh*, bool) { ThrowReadOnly(); }
void LeanElement::setIdAttributeNS(const XMLCh*, const XMLCh*, bool) { ThrowReadOnly(); }
void LeanElement::setIdAttributeNode(const xercesc::DOMAttr*, bool) { ThrowReadOnly(); }

// No attribute has a namespace, so namespace look-ups find none.
const XMLCh* LeanElement::getAttributeNS(const XMLCh*, const XMLCh*) const { return kEmpty; }

xercesc::DOMAttr* LeanElement::getAttributeNodeNS(const XMLCh*, const XMLCh*) const {
  return nullptr;
}

bool LeanElement::hasAttributeNS(const XMLCh*, const XMLCh*) const { return false; }

xercesc::DOMNodeList* LeanElement::getElementsByTagNameNS(const XMLCh*, const XMLCh*) const {
  return Document()->ElementList(this, u"\n");  // a name no element has: an empty list
}

const xercesc::DOMTypeInfo* LeanElement::getSchemaTypeInfo() const { return &kNoTypeInfo; }

xercesc::DOMElement* LeanElement::getFirstElementChild() const {
  return ElementFrom(firstChild_, true);
}

xercesc::DOMElement* LeanElement::getLastElementChild() const {
  return ElementFrom(getLastChild(), false);
}

xercesc::DOMElement* LeanElement::getPreviousElementSibling() const {
  return ElementFrom(getPreviousSibling(), false);
}

xercesc::DOMElement* LeanElement::getNextElementSibling() const { return ElementFrom(next_, true); }

XMLSize_t LeanElement::getChildElementCount() const {
  XMLSize_t count = 0;
  for (DOMNode* child = firstChild_; child != nullptr; child = child->getNextSibling()) {
    if (child->getNodeType() == ELEMENT_NODE) ++count;
  }
  return count;
}

// LeanAttr.

LeanAttr::LeanAttr(const LeanElement* owner, const LeanElement::Attribute* attribute)
    : owner_(owner),
      attribute_(attribute),
      text_(this, attribute->value, std::char_traits<XMLCh>::length(attribute->value)) {}

DOMNode* LeanAttr::getFirstChild() const { return const_cast<LeanText*>(&text_); }

void LeanAttr::setValue(const XMLCh*) { ThrowReadOnly(); }

xercesc::DOMElement* LeanAttr::getOwnerElement() const { return const_cast<LeanElement*>(owner_); }

const xercesc::DOMTypeInfo* LeanAttr::getSchemaTypeInfo() const { return &kNoTypeInfo; }

// LeanDocument: building.

LeanDocument::LeanDocument(std::unique_ptr<xercesc::MemoryManager> memory)
    : ownedMemory_(std::move(memory)),
      memory_(ownedMemory_ != nullptr ? ownedMemory_.get()
                                      : xercesc::XMLPlatformUtils::fgMemoryManager) {}

LeanDocument::~LeanDocument() {
  for (const auto& [key, entry] : userData_) {
    if (entry.second != nullptr) {
      entry.second->handle(xercesc::DOMUserDataHandler::NODE_DELETED, key.second.c_str(),
                           entry.first, nullptr, nullptr);
    }
  }
  // The cached objects go before the nodes they point to.
  attrs_.clear();
  maps_.clear();
  childLists_.clear();
  elementLists_.clear();
  for (void* block : blocks_) memory_->deallocate(block);
}

void* LeanDocument::Allocate(std::size_t size) {
  size = (size + kAlign - 1) / kAlign * kAlign;
  if (size > kBlockBytes / 4) {
    MakeRoomForOne(blocks_);
    void* block = memory_->allocate(size);
    blocks_.push_back(block);
    used_ += size;
    return block;
  }
  if (static_cast<std::size_t>(end_ - free_) < size) {
    MakeRoomForOne(blocks_);
    free_ = static_cast<char*>(memory_->allocate(kBlockBytes));
    end_ = free_ + kBlockBytes;
    blocks_.push_back(free_);
  }
  void* at = free_;
  free_ += size;
  used_ += size;
  return at;
}

const XMLCh* LeanDocument::Intern(const XMLCh* name) {
  const std::u16string_view text = View(name);
  const auto found = names_.find(text);
  if (found != names_.end()) return found->second;
  const XMLCh* kept = Keep(text);
  names_.emplace(std::u16string_view(kept, text.size()), kept);
  return kept;
}

const XMLCh* LeanDocument::Keep(std::u16string_view text) {
  auto* copy = static_cast<XMLCh*>(Allocate((text.size() + 1) * sizeof(XMLCh)));
  std::memcpy(copy, text.data(), text.size() * sizeof(XMLCh));
  copy[text.size()] = 0;
  return copy;
}

void LeanDocument::Link(DOMNode* node, DOMNode** next) {
  if (open_.empty()) return;  // the document element
  *open_.back().tail = node;
  open_.back().tail = next;
}

void LeanDocument::StartElement(const XMLCh* name, const AttributeText* attributes,
                                std::size_t count) {
  // The element, its attributes and their values in one block.
  std::size_t size = sizeof(LeanElement) + count * sizeof(LeanElement::Attribute);
  for (std::size_t i = 0; i < count; ++i) {
    size += (View(attributes[i].value).size() + 1) * sizeof(XMLCh);
  }
  MakeRoomForOne(open_);
  const XMLCh* interned = Intern(name);
  attributeNames_.resize(count);
  for (std::size_t i = 0; i < count; ++i) attributeNames_[i] = Intern(attributes[i].name);
  char* block = static_cast<char*>(Allocate(size));
  DOMNode* parent = open_.empty() ? static_cast<DOMNode*>(this) : open_.back().node;
  auto* element = new (block) LeanElement(parent, interned, static_cast<std::uint32_t>(count));
  auto* slots = reinterpret_cast<LeanElement::Attribute*>(element + 1);
  auto* text = reinterpret_cast<XMLCh*>(slots + count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string_view value = View(attributes[i].value);
    std::memcpy(text, value.data(), value.size() * sizeof(XMLCh));
    text[value.size()] = 0;
    slots[i] = {attributeNames_[i], text};
    text += value.size() + 1;
  }
  if (root_ == nullptr) root_ = element;
  Link(element, &element->next_);
  open_.push_back({element, &element->firstChild_});
}

void LeanDocument::EndElement() {
  if (!open_.empty()) open_.pop_back();
}

void LeanDocument::AddText(const XMLCh* chars, XMLSize_t length) {
  if (open_.empty() || length == 0) return;
  const XMLCh* data = Keep(std::u16string_view(chars, length));
  auto* text = new (Allocate(sizeof(LeanText))) LeanText(open_.back().node, data, length);
  Link(text, &text->next_);
}

void LeanDocument::SetDeclaration(const XMLCh* version, const XMLCh* encoding, bool standalone,
                                  const XMLCh* inputEncoding) {
  xmlVersion_ = version == nullptr || *version == 0 ? nullptr : Keep(View(version));
  xmlEncoding_ = encoding == nullptr || *encoding == 0 ? nullptr : Keep(View(encoding));
  inputEncoding_ =
      inputEncoding == nullptr || *inputEncoding == 0 ? nullptr : Keep(View(inputEncoding));
  standalone_ = standalone;
}

void LeanDocument::SetURI(const XMLCh* uri) { uri_ = uri == nullptr ? nullptr : Keep(View(uri)); }

// LeanDocument: objects made on demand.

LeanAttr* LeanDocument::AttrNode(const LeanElement* owner, std::size_t index) {
  const LeanElement::Attribute* attribute = &owner->attribute(index);
  std::unique_ptr<LeanAttr>& node = attrs_[attribute];
  if (node == nullptr) node = std::make_unique<LeanAttr>(owner, attribute);
  return node.get();
}

xercesc::DOMNamedNodeMap* LeanDocument::AttributeMap(const LeanElement* owner) {
  std::unique_ptr<xercesc::DOMNamedNodeMap>& map = maps_[owner];
  if (map == nullptr) map = std::make_unique<AttributeNodes>(this, owner);
  return map.get();
}

xercesc::DOMNodeList* LeanDocument::ChildList(const DOMNode* parent) {
  std::unique_ptr<xercesc::DOMNodeList>& list = childLists_[parent];
  if (list == nullptr) list = std::make_unique<ChildNodes>(parent);
  return list.get();
}

xercesc::DOMNodeList* LeanDocument::ElementList(const DOMNode* root, const XMLCh* name) {
  std::unique_ptr<xercesc::DOMNodeList>& list = elementLists_[{root, std::u16string(View(name))}];
  if (list == nullptr) list = std::make_unique<ElementsNamed>(root, std::u16string(View(name)));
  return list.get();
}

void* LeanDocument::SetUserData(const DOMNode* node, const XMLCh* key, void* data,
                                xercesc::DOMUserDataHandler* handler) {
  const std::pair<const void*, std::u16string> at(node, View(key));
  const auto found = userData_.find(at);
  void* previous = found == userData_.end() ? nullptr : found->second.first;
  if (data == nullptr) {
    if (found != userData_.end()) userData_.erase(found);
  } else {
    userData_[at] = {data, handler};
  }
  return previous;
}

void* LeanDocument::UserData(const DOMNode* node, const XMLCh* key) const {
  const auto found = userData_.find({node, std::u16string(View(key))});
  return found == userData_.end() ? nullptr : found->second.first;
}

// LeanDocument: the DOM.

const XMLCh* LeanDocument::getNodeName() const { return kDocumentName; }

void LeanDocument::release() { delete this; }

xercesc::DOMElement* LeanDocument::createElement(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMDocumentFragment* LeanDocument::createDocumentFragment() { ThrowReadOnly(); }
xercesc::DOMText* LeanDocument::createTextNode(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMComment* LeanDocument::createComment(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMCDATASection* LeanDocument::createCDATASection(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMProcessingInstruction* LeanDocument::createProcessingInstruction(const XMLCh*,
                                                                             const XMLCh*) {
  ThrowReadOnly();
}
xercesc::DOMAttr* LeanDocument::createAttribute(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMEntityReference* LeanDocument::createEntityReference(const XMLCh*) { ThrowReadOnly(); }

xercesc::DOMImplementation* LeanDocument::getImplementation() const {
  return xercesc::DOMImplementation::getImplementation();
}

xercesc::DOMNodeList* LeanDocument::getElementsByTagName(const XMLCh* tagname) const {
  return const_cast<LeanDocument*>(this)->ElementList(this, tagname);
}

DOMNode* LeanDocument::importNode(const DOMNode*, bool) { ThrowReadOnly(); }
xercesc::DOMElement* LeanDocument::createElementNS(const XMLCh*, const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMAttr* LeanDocument::createAttributeNS(const XMLCh*, const XMLCh*) { ThrowReadOnly(); }

xercesc::DOMNodeList* LeanDocument::getElementsByTagNameNS(const XMLCh*, const XMLCh*) const {
  return const_cast<LeanDocument*>(this)->ElementList(this, u"\n");  // an empty list
}

void LeanDocument::setXmlStandalone(bool) { ThrowReadOnly(); }

void LeanDocument::setXmlVersion(const XMLCh*) { ThrowReadOnly(); }
void LeanDocument::setDocumentURI(const XMLCh*) { ThrowReadOnly(); }
void LeanDocument::setStrictErrorChecking(bool) { ThrowReadOnly(); }
DOMNode* LeanDocument::renameNode(DOMNode*, const XMLCh*, const XMLCh*) { ThrowReadOnly(); }
DOMNode* LeanDocument::adoptNode(DOMNode*) { ThrowReadOnly(); }
xercesc::DOMConfiguration* LeanDocument::getDOMConfig() const { ThrowNotSupported(); }
xercesc::DOMEntity* LeanDocument::createEntity(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMDocumentType* LeanDocument::createDocumentType(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMNotation* LeanDocument::createNotation(const XMLCh*) { ThrowReadOnly(); }
xercesc::DOMElement* LeanDocument::createElementNS(const XMLCh*, const XMLCh*, const XMLFileLoc,
                                                   const XMLFileLoc) {
  ThrowReadOnly();
}

xercesc::DOMRange* LeanDocument::createRange() { ThrowNotSupported(); }
xercesc::DOMNodeIterator* LeanDocument::createNodeIterator(DOMNode*,
                                                           xercesc::DOMNodeFilter::ShowType,
                                                           xercesc::DOMNodeFilter*, bool) {
  ThrowNotSupported();
}
xercesc::DOMTreeWalker* LeanDocument::createTreeWalker(DOMNode*, xercesc::DOMNodeFilter::ShowType,
                                                       xercesc::DOMNodeFilter*, bool) {
  ThrowNotSupported();
}
xercesc::DOMXPathExpression* LeanDocument::createExpression(const XMLCh*,
                                                            const xercesc::DOMXPathNSResolver*) {
  ThrowNotSupported();
}
xercesc::DOMXPathNSResolver* LeanDocument::createNSResolver(const DOMNode*) { ThrowNotSupported(); }
xercesc::DOMXPathResult* LeanDocument::evaluate(const XMLCh*, const DOMNode*,
                                                const xercesc::DOMXPathNSResolver*,
                                                xercesc::DOMXPathResult::ResultType,
                                                xercesc::DOMXPathResult*) {
  ThrowNotSupported();
}

}  // namespace carmaseq_score
