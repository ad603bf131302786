#include "xml/XMLUtil.h"

#include <charconv>
#include <cstring>

namespace QxXML_940 {

namespace {

// The entity for a byte that attribute escaping replaces, or null for a byte kept as it is.
// Spaces are handled separately (they depend on their neighbours).
const char* AttributeEntity(char c) {
  switch (c) {
    case '&':
      return XMLUtil::XML_AMPERSAND;
    case '<':
      return XMLUtil::XML_LESS_THAN;
    case '>':
      return XMLUtil::XML_GREATER_THAN;
    case '"':
      return XMLUtil::XML_QUOTE;
    case '\t':
      return XMLUtil::XML_CHARREF_TAB;
    case '\n':
      return XMLUtil::XML_CHARREF_NL;
    case '\r':
      return XMLUtil::XML_CHARREF_CR;
    default:
      return nullptr;
  }
}

bool NeedsAttributeEscape(char c) { return c == ' ' || AttributeEntity(c) != nullptr; }

}  // namespace

// One pass that yields what the chain of replacements in Escape's contract yields: the entities
// never contain a character that a later replacement looks for, and replacing "  " left to right
// without rescanning turns each run of spaces into pairs " &#32;" plus, for an odd run, one plain
// space. The leading and trailing space rules then apply to the escaped text.
void XMLUtil::AppendEscaped(std::string* out, const char* data, std::size_t size) {
  const std::size_t start = out->size();
  std::size_t i = 0;
  while (i < size) {
    std::size_t plain = i;
    while (plain < size && !NeedsAttributeEscape(data[plain])) ++plain;
    out->append(data + i, plain - i);
    i = plain;
    if (i == size) break;
    if (data[i] != ' ') {
      out->append(AttributeEntity(data[i]));
      ++i;
      continue;
    }
    std::size_t run = 0;
    while (i < size && data[i] == ' ') ++run, ++i;
    for (std::size_t k = 0; k < run / 2; ++k) out->append(XML_SP_CHARREF_SP);
    if (run % 2 == 1) out->push_back(' ');
  }
  if (out->size() > start && (*out)[start] == ' ') out->replace(start, 1, XML_CHARREF_SP);
  if (out->size() > start && out->back() == ' ') {
    out->pop_back();
    out->append(XML_CHARREF_SP);
  }
}

void XMLUtil::AppendEscapedText(std::string* out, const char* data, std::size_t size) {
  std::size_t i = 0;
  while (i < size) {
    std::size_t plain = i;
    while (plain < size && data[plain] != '&' && data[plain] != '<') ++plain;
    out->append(data + i, plain - i);
    if (plain == size) break;
    out->append(data[plain] == '&' ? XML_AMPERSAND : XML_LESS_THAN);
    i = plain + 1;
  }
}

std::string XMLUtil::Escape(const std::string& value) {
  std::string out;
  out.reserve(value.size() + value.size() / 8);
  AppendEscaped(&out, value.data(), value.size());
  return out;
}

int XMLUtil::ReplaceAll(std::string& s, const char* pattern, const std::string& replacement) {
  const std::size_t length = std::strlen(pattern);
  if (length == 0) return 0;
  int count = 0;
  std::size_t pos = 0;
  while ((pos = s.find(pattern, pos, length)) != std::string::npos) {
    s.replace(pos, length, replacement);
    pos += replacement.size();
    ++count;
  }
  return count;
}

int XMLUtil::ReplaceString(std::string& s, const char* pattern, const std::string& replacement) {
  int pos = 0;
  return ReplaceAtPos(s, pattern, replacement, pos);
}

int XMLUtil::ReplaceAtPos(std::string& s, const char* pattern, const std::string& replacement,
                          int& pos) {
  const std::size_t length = std::strlen(pattern);
  if (pos < 0 || static_cast<std::size_t>(pos) > s.size() || length == 0) return -1;
  const std::size_t found = s.find(pattern, static_cast<std::size_t>(pos), length);
  if (found == std::string::npos) return -1;
  s.replace(found, length, replacement);
  pos = static_cast<int>(found);
  return pos;
}

std::string XMLUtil::toString(int value) {
  char buffer[16];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, r.ptr);
}

std::string XMLUtil::GetTabs(int n) { return std::string(n > 0 ? n : 0, '\t'); }

}  // namespace QxXML_940
