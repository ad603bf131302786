// Item sets and sequences as users read and type them: "(whole milk, rolls)(soda)", with item
// names where a name map is known and item ids otherwise.
#ifndef CARMASEQ_TOOLS_CARMASEQ_ITEMTEXT_H_
#define CARMASEQ_TOOLS_CARMASEQ_ITEMTEXT_H_

#include <cstddef>
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

  // An item's name, in double quotes when it holds parentheses, commas or quotes (doubled) or
  // begins or ends with a blank; its id when it has no name.
  std::string Item(std::int32_t id) const;
  std::string Set(const SEQUENCE_NAMESPACE_800::TimedItemSet& set) const;
  std::string Sequence(const SEQUENCE_NAMESPACE_800::Sequence& sequence) const;

  // Reads a history typed by a user into *out (appending; item set k gets time k). Item sets
  // are parenthesised; inside one, items are separated by commas, or by blanks when the set
  // holds one unquoted text that does not name an item. An item is a known name or a decimal
  // id; a name with parentheses, commas or quotes is typed in double quotes ("" for a quote), as
  // Item shows it. "()" is an item set with no items; "" is the empty history. Throws
  // CommandError saying what is wrong, naming an unknown item as typed.
  void Parse(const std::string& text, SEQUENCE_NAMESPACE_800::Sequence* out) const;

 private:
  struct Token {
    std::string text;
    bool quoted = false;
  };

  // Reads the items after an opening parenthesis at text[pos - 1] into *set; returns the
  // position after the closing one.
  std::size_t ParseSet(const std::string& text, std::size_t pos,
                       SEQUENCE_NAMESPACE_800::TimedItemSet* set) const;
  // Reads one item's text from pos; returns the position of the ',' or ')' after it.
  std::size_t ReadToken(const std::string& text, std::size_t pos, Token* token) const;
  // A set's single unquoted text: one name, or items separated by blanks.
  void AddUnquoted(const std::string& whole, SEQUENCE_NAMESPACE_800::TimedItemSet* set) const;
  // Returns true and sets *id iff text is a known name or an id.
  bool TryItem(const std::string& text, std::int32_t* id) const;
  std::int32_t ParseItem(const Token& token) const;

  const SEQUENCE_NAMESPACE_800::ItemNameMap* names_;
};

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_ITEMTEXT_H_
