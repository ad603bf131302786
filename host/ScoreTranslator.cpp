#include "ScoreTranslator.h"

#include <limits>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNode.hpp>
#include <xercesc/dom/DOMNodeList.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLException.hpp>

#include "QuorvisTranscoder.h"

namespace QxQuorvis_940 {

namespace {

constexpr char kDefaultEncoding[] = "UTF-8";

using XString = std::basic_string<XMLCh>;

// `text` (UTF-8) as a DOM string; empty when it is not valid UTF-8, which then matches no name.
XString ToXString(const char* text) {
  if (text == nullptr) return XString();
  try {
    const xercesc::TranscodeFromStr wide(reinterpret_cast<const XMLByte*>(text),
                                         std::char_traits<char>::length(text), kDefaultEncoding);
    return XString(wide.str(), wide.length());
  } catch (const xercesc::XMLException&) {
    return XString();
  }
}

// Names short enough to be widened on the stack.
constexpr size_t kShortName = 64;

// `text` (UTF-8) as a DOM string: widened into buffer when it is short ASCII, as names nearly
// always are (sparing a transcoder per look-up), else transcoded into *wide.
const XMLCh* WideName(const char* text, XMLCh (&buffer)[kShortName], XString* wide) {
  if (text == nullptr) {
    buffer[0] = 0;
    return buffer;
  }
  for (size_t i = 0; i < kShortName; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) break;
    buffer[i] = c;
    if (c == 0) return buffer;
  }
  *wide = ToXString(text);
  return wide->c_str();
}

xercesc::DOMDocument* DocumentOf(xercesc::DOMNode* node) {
  if (node == nullptr) return nullptr;
  if (node->getNodeType() == xercesc::DOMNode::DOCUMENT_NODE) {
    return static_cast<xercesc::DOMDocument*>(node);
  }
  return node->getOwnerDocument();
}

bool IsXmlBlank(XMLCh c) { return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D; }

xercesc::DOMElement* FirstElementFrom(xercesc::DOMNode* node) {
  while (node != nullptr && node->getNodeType() != xercesc::DOMNode::ELEMENT_NODE) {
    node = node->getNextSibling();
  }
  return static_cast<xercesc::DOMElement*>(node);
}

}  // namespace

ScoreTranslator::~ScoreTranslator() = default;

BaseTranslator::BaseTranslator() = default;

BaseTranslator::~BaseTranslator() = default;

ScoreModel* BaseTranslator::ParseFromTree(xercesc::DOMDocument* document) {
  std::string encoding = kDefaultEncoding;
  return ParseFromTree(document, encoding);
}

ScoreModel* BaseTranslator::ParseFromTree(xercesc::DOMNode* node) {
  std::string encoding = kDefaultEncoding;
  return ParseFromTree(DocumentOf(node), encoding);
}

ScoreModel* BaseTranslator::ParseFromTree(xercesc::DOMNode* node, std::string& encoding) {
  return ParseFromTree(DocumentOf(node), encoding);
}

ScoreModel* BaseTranslator::ParseFromTree(xercesc::DOMDocument* document, const char* encoding) {
  std::string name = encoding == nullptr ? kDefaultEncoding : encoding;
  return ParseFromTree(document, name);
}

ScoreModel* BaseTranslator::ParseFromTree(xercesc::DOMNode* node, const char* encoding) {
  return ParseFromTree(DocumentOf(node), encoding);
}

ScoreModel* BaseTranslator::ParseFromTree(xercesc::DOMDocument* /*document*/,
                                          std::string& /*encoding*/) {
  return nullptr;
}

void BaseTranslator::CreateTranscoder(const std::string& encoding) {
  transcoder_ = std::make_unique<QuorvisTranscoder>(encoding);
}

xercesc::DOMNodeList* BaseTranslator::GetElementsByTagName(xercesc::DOMDocument* document,
                                                           const char* tag) {
  if (document == nullptr) return nullptr;
  XMLCh buffer[kShortName];
  XString wide;
  return document->getElementsByTagName(WideName(tag, buffer, &wide));
}

const XMLCh* BaseTranslator::GetAttribute(const xercesc::DOMElement* element, const char* name) {
  if (element == nullptr) return nullptr;
  // getAttribute cannot tell an absent attribute from an empty one; hasAttribute can. Neither
  // makes an attribute node, which a DOM may create only when asked for one.
  XMLCh buffer[kShortName];
  XString wide;
  const XMLCh* wideName = WideName(name, buffer, &wide);
  return element->hasAttribute(wideName) ? element->getAttribute(wideName) : nullptr;
}

bool BaseTranslator::VerifyInt(const XMLCh* value, int* out) {
  if (value == nullptr) return false;
  const XMLCh* p = value;
  while (IsXmlBlank(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // Accumulate the magnitude; the int range allows one more on the negative side.
  const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                   : std::numeric_limits<int>::max();
  long long magnitude = 0;
  const XMLCh* digits = p;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > limit) return false;
  }
  if (p == digits) return false;
  while (IsXmlBlank(*p)) ++p;
  if (*p != 0) return false;
  *out = static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}

int BaseTranslator::VerifyInt(const XMLCh* value) {
  int result = 0;
  VerifyInt(value, &result);
  return result;
}

xercesc::DOMElement* BaseTranslator::GetFirstChildElt(const xercesc::DOMNode* node) {
  return node == nullptr ? nullptr : FirstElementFrom(node->getFirstChild());
}

xercesc::DOMElement* BaseTranslator::GetNextSiblingElt(const xercesc::DOMNode* node) {
  return node == nullptr ? nullptr : FirstElementFrom(node->getNextSibling());
}

}  // namespace QxQuorvis_940
