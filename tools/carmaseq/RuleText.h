// Rules and predictions as text: aligned tables for people, CSV for other programs.
#ifndef CARMASEQ_TOOLS_CARMASEQ_RULETEXT_H_
#define CARMASEQ_TOOLS_CARMASEQ_RULETEXT_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SeqConsequentDescriptor.h"

namespace carmaseq_cli {

class ItemText;

// Writes the first `limit` rules (all when limit is 0) as a table with a header line.
void PrintRules(const std::vector<SEQUENCE_NAMESPACE_800::SeqAssociationRule>& rules,
                const ItemText& text, std::size_t limit, std::ostream& out);

// Writes predicted items as a table, each line indented by two blanks.
void PrintPredictions(const std::vector<SEQUENCE_NAMESPACE_800::SeqConsequentDescriptor>& items,
                      const ItemText& text, std::ostream& out);

// A CSV field, quoted (with inner quotes doubled) when it holds a comma, quote or line break.
std::string CsvField(const std::string& value);

// The rule order letter of the engine for "support", "confidence" or "cause".
char SortLetter(const std::string& measure);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_RULETEXT_H_
