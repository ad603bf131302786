#include "EntityBound.h"

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

}  // namespace

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
