// Sequences as the report writes them: "(whole milk, rolls)(soda)", with item names where a name
// map is known and item ids otherwise.
#ifndef CARMASEQ_TOOLS_CARMASEQ_SEQUENCELABEL_H_
#define CARMASEQ_TOOLS_CARMASEQ_SEQUENCELABEL_H_

#include <cstdint>
#include <functional>
#include <string>

namespace SEQUENCE_NAMESPACE_800 {
class ItemNameMap;
class Sequence;
}  // namespace SEQUENCE_NAMESPACE_800

namespace carmaseq_cli {

// The name of id in names, or its decimal text when names is null or has no name for it.
std::string ItemLabel(std::int32_t id, const SEQUENCE_NAMESPACE_800::ItemNameMap* names);

// sequence with each item set in parentheses and its items separated by ", ", each item written
// as item(id) returns it; the empty sequence is "()".
std::string SequenceLabel(const SEQUENCE_NAMESPACE_800::Sequence& sequence,
                          const std::function<std::string(std::int32_t)>& item);

// The same with every item as ItemLabel gives it.
std::string SequenceLabel(const SEQUENCE_NAMESPACE_800::Sequence& sequence,
                          const SEQUENCE_NAMESPACE_800::ItemNameMap* names);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_SEQUENCELABEL_H_
