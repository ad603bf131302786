// Rules as CSV for other programs, written fast enough for millions of rules.
#ifndef CARMASEQ_TOOLS_CARMASEQ_RULESCSVWRITER_H_
#define CARMASEQ_TOOLS_CARMASEQ_RULESCSVWRITER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ItemText.h"
#include "dictionary/HeldRules.h"
#include "dictionary/SeqAssociationRule.h"
#include "sequence/KeyItemSets.h"

namespace carmaseq_cli {

// Writes rules as CSV rows under the header "antecedent,consequent,support,confidence,cause".
// Each sequence is written as ItemText shows it, as one field that is quoted (inner quotes
// doubled) when it holds a comma, quote or line break; each measure with up to 15 significant
// digits and "." as decimal point. Rows gather in a buffer that goes to the stream in large
// blocks; Flush (or the destructor) writes the rest. Each item's text is made once. The stream
// and the ItemText's name map must outlive the writer. Not thread-safe; writers on several
// threads may share the name map.
class RulesCsvWriter {
 public:
  // Writes the header line.
  RulesCsvWriter(const ItemText& text, std::ostream& out);
  // Without a stream or header: rows gather until TakeRows takes them.
  explicit RulesCsvWriter(const ItemText& text);
  RulesCsvWriter(const RulesCsvWriter&) = delete;
  RulesCsvWriter& operator=(const RulesCsvWriter&) = delete;
  ~RulesCsvWriter();

  void Write(const SEQUENCE_NAMESPACE_800::SeqAssociationRule& rule);
  // The rule of a held whole sequence: all its item sets but the last => the last one.
  void Write(const SEQUENCE_NAMESPACE_800::HeldRule& rule);
  // Writes the buffered rows to the stream, if there is one.
  void Flush();
  // The rows buffered so far, which the writer then forgets.
  std::string TakeRows();

 private:
  // Where an item's text lies in texts_.
  struct Slice {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    bool plain = false;  // holds no comma, quote or line break
  };

  // Adds one item set, as "(a, b)", to field_.
  void AddSet(SEQUENCE_NAMESPACE_800::ItemSpan set);
  // Appends field_ to the buffer as a CSV field, then a comma, and empties field_.
  void EndField();
  // Appends sets[0, n) to the buffer as a CSV field, then a comma. REQUIRES: every item's text
  // is plain, so that only the separator of a set of several items calls for quotes.
  void AppendPlainField(const SEQUENCE_NAMESPACE_800::ItemSpan* sets, int n);
  // Appends support, confidence and cause with the commas between them and the line end.
  void EndRow(double support, double confidence, double cause);
  void AppendNumber(double value);
  std::string_view ItemTextOf(std::int32_t item) { return TextOf(SliceOf(item)); }
  std::string_view TextOf(const Slice& slice) const {
    return std::string_view(texts_.data() + slice.offset, slice.length);
  }
  const Slice& SliceOf(std::int32_t item);
  Slice Store(const std::string& text);

  const ItemText text_;
  std::ostream* const out_;  // null: rows wait for TakeRows
  std::string buffer_;
  std::string field_;
  // Item texts back to back; ids from 0 to kDenseItems - 1 are found by index, others by hash.
  std::string texts_;
  std::vector<Slice> dense_;
  std::unordered_map<std::int32_t, Slice> sparse_;
};

// Writes every rule, with the header, as RulesCsvWriter does.
void WriteRulesCsv(const std::vector<SEQUENCE_NAMESPACE_800::SeqAssociationRule>& rules,
                   const ItemText& text, std::ostream& out);
// The same for held rules; progress, when set, is called with the number of rules written every
// few thousand rules and at the end. With many rules, a second thread formats every other run of
// rules while this one formats and writes the others in order.
void WriteRulesCsv(const SEQUENCE_NAMESPACE_800::HeldRules& rules, const ItemText& text,
                   std::ostream& out, const std::function<void(std::size_t)>& progress);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_RULESCSVWRITER_H_
