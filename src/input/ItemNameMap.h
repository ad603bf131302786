// The two-way map between item names, as input files spell them, and item ids.
#ifndef CARMASEQ_INPUT_ITEMNAMEMAP_H_
#define CARMASEQ_INPUT_ITEMNAMEMAP_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// Every name has exactly one id and every id at most one name. New names get the ids after the
// largest id held (1, 2, ... in an empty map). Saved as a tab-separated text: the header
// "id<TAB>item", then one "id<TAB>name" line per item in ascending id order, with backslash,
// tab, line feed and carriage return in names written as \\, \t, \n and \r. Copyable.
class CARMASEQ_MINING_EXPORT ItemNameMap {
 public:
  ItemNameMap() = default;

  // Returns the id of name, giving it the next id when it is new. Throws std::length_error when
  // no id is left.
  std::int32_t Intern(std::string_view name);
  // Maps id to name. Returns false, changing nothing, when id or name is already mapped to
  // something else (re-adding the same pair returns true). REQUIRES: id >= 0.
  bool Add(std::int32_t id, std::string_view name);
  // Returns true and sets *id iff name is mapped.
  bool Find(std::string_view name, std::int32_t* id) const;
  // The name of id, or null when id has none. Valid until the map changes.
  const std::string* NameOf(std::int32_t id) const;
  // The name of id, or its decimal text when it has none.
  std::string Label(std::int32_t id) const;
  std::size_t size() const { return byId_.size(); }
  // Every mapped id, ascending.
  std::vector<std::int32_t> Ids() const;

  void Save(std::ostream& out) const;
  // Reads a saved map (the header line is optional). source names the input in errors. Throws
  // SeqExceptions::InputError at the first malformed line: not two fields, a bad id, an empty
  // name, a bad escape, or an id or name given twice.
  static ItemNameMap Load(std::istream& in, const std::string& source);

 private:
  std::unordered_map<std::string, std::int32_t> byName_;
  std::unordered_map<std::int32_t, std::string> byId_;
  std::int64_t nextId_ = 1;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_ITEMNAMEMAP_H_
