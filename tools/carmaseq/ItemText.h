// Item sets and sequences as users read and type them: "(whole milk, rolls)(soda)", with item
// names where a name map is known and item ids otherwise.
#ifndef CARMASEQ_TOOLS_CARMASEQ_ITEMTEXT_H_
#define CARMASEQ_TOOLS_CARMASEQ_ITEMTEXT_H_

#include <cstdint>
#include <string>

namespace SEQUENCE_NAMESPACE_800 {
class ItemNameMap;
class Sequence;
class TimedItemSet;
}  // namespace SEQUENCE_NAMESPACE_800

namespace carmaseq_cli {

// Renders and parses the text form of sequences. Each item set is written in parentheses with
// its items separated by ", "; the empty sequence is "()". The name map, when given, must
// outlive the object. Copyable.
class ItemText {
 public:
  // names may be null: items are then shown and read as ids.
  explicit ItemText(const SEQUENCE_NAMESPACE_800::ItemNameMap* names) : names_(names) {}

  std::string Item(std::int32_t id) const;
  std::string Set(const SEQUENCE_NAMESPACE_800::TimedItemSet& set) const;
  std::string Sequence(const SEQUENCE_NAMESPACE_800::Sequence& sequence) const;

  // Reads a history typed by a user into *out (appending; item set k gets time k). Item sets
  // are parenthesised; inside one, items are separated by commas, or by blanks when the set
  // holds no comma and its whole text does not name an item. An item is a known name or a
  // decimal id. Empty item sets are dropped, so "" and "()" are the empty history. Throws
  // CommandError saying what is wrong.
  void Parse(const std::string& text, SEQUENCE_NAMESPACE_800::Sequence* out) const;

 private:
  // The id of one item's text (blanks around it already removed).
  std::int32_t ParseItem(const std::string& token) const;
  // Reads the text between one pair of parentheses into *set.
  void ParseSet(const std::string& content, SEQUENCE_NAMESPACE_800::TimedItemSet* set) const;

  const SEQUENCE_NAMESPACE_800::ItemNameMap* names_;
};

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_ITEMTEXT_H_
