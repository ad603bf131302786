#include "input/ItemNameMap.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "input/LineReader.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

std::string Escape(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Returns false on a lone or unknown escape.
bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        *out += '\\';
        break;
      case 't':
        *out += '\t';
        break;
      case 'n':
        *out += '\n';
        break;
      case 'r':
        *out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

std::int32_t ItemNameMap::Intern(std::string_view name) {
  std::int32_t id = 0;
  if (Find(name, &id)) return id;
  if (nextId_ > std::numeric_limits<std::int32_t>::max()) {
    throw std::length_error("ItemNameMap: no item id left");
  }
  id = static_cast<std::int32_t>(nextId_);
  Add(id, name);
  return id;
}

bool ItemNameMap::Add(std::int32_t id, std::string_view name) {
  const std::string key(name);
  const auto byName = byName_.find(key);
  const auto byId = byId_.find(id);
  if (byName != byName_.end() || byId != byId_.end()) {
    return byName != byName_.end() && byId != byId_.end() && byName->second == id;
  }
  byName_.emplace(key, id);
  byId_.emplace(id, key);
  nextId_ = std::max<std::int64_t>(nextId_, std::int64_t{id} + 1);
  return true;
}

bool ItemNameMap::Find(std::string_view name, std::int32_t* id) const {
  const auto it = byName_.find(std::string(name));
  if (it == byName_.end()) return false;
  *id = it->second;
  return true;
}

const std::string* ItemNameMap::NameOf(std::int32_t id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : &it->second;
}

std::string ItemNameMap::Label(std::int32_t id) const {
  const std::string* name = NameOf(id);
  return name != nullptr ? *name : std::to_string(id);
}

std::vector<std::int32_t> ItemNameMap::Ids() const {
  std::vector<std::int32_t> ids;
  ids.reserve(byId_.size());
  for (const auto& entry : byId_) ids.push_back(entry.first);
  std::sort(ids.begin(), ids.end());
  return ids;
}

void ItemNameMap::Save(std::ostream& out) const {
  out << "id\titem\n";
  for (std::int32_t id : Ids()) out << id << '\t' << Escape(byId_.at(id)) << '\n';
}

ItemNameMap ItemNameMap::Load(std::istream& in, const std::string& source) {
  ItemNameMap map;
  LineReader reader(in, source);
  std::string_view line;
  std::string name;
  while (reader.Next(&line)) {
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || line.find('\t', tab + 1) != std::string_view::npos) {
      reader.Fail("expected two tab-separated fields");
    }
    const std::string_view idText = line.substr(0, tab);
    if (reader.lineNumber() == 1 && idText == "id") continue;  // header
    std::int32_t id = 0;
    const auto [end, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (ec != std::errc() || end != idText.data() + idText.size() || id < 0) {
      reader.Fail("bad item id '" + std::string(idText) + "'");
    }
    if (!Unescape(line.substr(tab + 1), &name)) reader.Fail("bad escape in item name");
    if (name.empty()) reader.Fail("empty item name");
    if (!map.Add(id, name)) reader.Fail("item id or name given twice");
  }
  return map;
}

}  // namespace SEQUENCE_NAMESPACE_800
