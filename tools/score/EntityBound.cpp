#include "EntityBound.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <string_view>

namespace carmaseq_score {

namespace {

constexpr std::int64_t kUnbounded = std::numeric_limits<std::int64_t>::max();

std::int64_t Add(std::int64_t a, std::int64_t b) { return a > kUnbounded - b ? kUnbounded : a + b; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Entity {
  std::string_view value;
  std::int64_t size = -1;  // -1 not computed, -2 being computed
};

using Entities = std::map<std::string_view, Entity, std::less<>>;

std::int64_t SizeOf(Entities& entities, Entity& entity);

// Bytes that the references in text expand to, text's own characters not counted.
std::int64_t ReferencedBytes(Entities& entities, std::string_view text) {
  std::int64_t total = 0;
  for (std::size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
    const std::size_t end = text.find(';', at);
    if (end == std::string_view::npos) break;
    const auto found = entities.find(text.substr(at + 1, end - at - 1));
    if (found != entities.end()) total = Add(total, SizeOf(entities, found->second));
  }
  return total;
}

std::int64_t SizeOf(Entities& entities, Entity& entity) {
  if (entity.size == -2) return kUnbounded;  // a cycle
  if (entity.size >= 0) return entity.size;
  entity.size = -2;
  entity.size =
      Add(static_cast<std::int64_t>(entity.value.size()), ReferencedBytes(entities, entity.value));
  return entity.size;
}

// Reads the general entities declared in subset.
Entities Declarations(std::string_view subset) {
  Entities entities;
  for (std::size_t at = subset.find("<!ENTITY"); at != std::string_view::npos;
       at = subset.find("<!ENTITY", at + 1)) {
    std::size_t i = at + 8;
    while (i < subset.size() && IsBlank(subset[i])) ++i;
    if (i < subset.size() && subset[i] == '%') continue;  // a parameter entity
    const std::size_t nameBegin = i;
    while (i < subset.size() && !IsBlank(subset[i])) ++i;
    const std::string_view name = subset.substr(nameBegin, i - nameBegin);
    while (i < subset.size() && IsBlank(subset[i])) ++i;
    if (i >= subset.size() || (subset[i] != '"' && subset[i] != '\'')) continue;  // external
    const std::size_t close = subset.find(subset[i], i + 1);
    if (close == std::string_view::npos) break;
    entities.emplace(name, Entity{subset.substr(i + 1, close - i - 1)});
  }
  return entities;
}

constexpr char kDoctype[] = "<!DOCTYPE";
constexpr std::size_t kDoctypeLength = sizeof kDoctype - 1;
constexpr std::size_t kChunk = std::size_t{1} << 20;

// Appends the next chunk of in to text. Returns false at the end (or on a failure).
bool ReadChunk(std::istream& in, std::string* text) {
  const std::size_t size = text->size();
  text->resize(size + kChunk);
  in.read(&(*text)[size], static_cast<std::streamsize>(kChunk));
  text->resize(size + static_cast<std::size_t>(in.gcount()));
  return in.gcount() > 0;
}

}  // namespace

std::int64_t EntityExpansionBytes(std::istream& in) {
  // Only text from the first "<!DOCTYPE" on counts: what comes before is dropped as it is read.
  std::string text;
  std::size_t doctype = std::string::npos;
  while (doctype == std::string::npos) {
    if (!ReadChunk(in, &text)) return in.bad() ? -1 : 0;
    doctype = text.find(kDoctype);
    if (doctype == std::string::npos && text.size() >= kDoctypeLength) {
      text.erase(0, text.size() - (kDoctypeLength - 1));
    }
  }
  text.erase(0, doctype);
  // Read on until the declaration's first '>' shows whether it has an internal subset, and then
  // until the subset closes; a subset that declares no entity decides the answer too.
  constexpr std::size_t npos = std::string::npos;
  std::size_t open = npos;
  std::size_t firstClose = npos;
  std::size_t close = npos;
  std::size_t from = 0;  // where the text not yet searched begins
  do {
    if (open == npos) open = text.find('[', from);
    if (firstClose == npos) firstClose = text.find('>', from);
    if (firstClose != npos && (open == npos || open > firstClose)) return 0;
    if (open != npos) {
      close = text.find("]>", std::max(open, from > 0 ? from - 1 : 0));
      if (close != npos) break;
    }
    from = text.size();
  } while (ReadChunk(in, &text));
  if (close != npos && text.find("<!ENTITY", open) > close) return 0;
  // Entities are declared: their references in the whole document count.
  while (ReadChunk(in, &text)) {
  }
  if (in.bad()) return -1;
  return EntityExpansionBytes(text);
}

std::int64_t EntityExpansionBytes(const std::string& xml) {
  const std::size_t doctype = xml.find("<!DOCTYPE");
  if (doctype == std::string::npos) return 0;
  const std::size_t open = xml.find('[', doctype);
  const std::size_t firstClose = xml.find('>', doctype);
  if (open == std::string::npos || open > firstClose) return 0;  // no internal subset
  const std::size_t close = xml.find("]>", open);
  if (close == std::string::npos) return 0;  // not well formed; the parser says so
  const std::string_view text(xml);
  Entities entities = Declarations(text.substr(open + 1, close - open - 1));
  if (entities.empty()) return 0;
  return ReferencedBytes(entities, text.substr(close + 2));
}

}  // namespace carmaseq_score
