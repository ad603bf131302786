#include "RuleText.h"

#include <cstdio>
#include <ostream>

#include "ItemText.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

// A measure with four decimals, independent of any stream state.
std::string Fixed(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4f", value);
  return buffer;
}

}  // namespace

void PrintRules(const std::vector<seq::SeqAssociationRule>& rules, const ItemText& text,
                std::size_t limit, std::ostream& out) {
  out << "   #  support  confidence   cause  rule\n";
  for (std::size_t i = 0; i < rules.size() && (limit == 0 || i < limit); ++i) {
    const seq::SeqAssociationRule& rule = rules[i];
    char number[16];
    std::snprintf(number, sizeof number, "%4zu", i + 1);
    out << number << "   " << Fixed(rule.GetSupport()) << "      " << Fixed(rule.GetConfidence())
        << "  " << Fixed(rule.GetCause()) << "  " << text.Sequence(rule.GetAntecedent()) << " => "
        << text.Sequence(rule.GetConsequent()) << "\n";
  }
}

void PrintPredictions(const std::vector<seq::SeqConsequentDescriptor>& items, const ItemText& text,
                      std::ostream& out) {
  if (items.empty()) {
    out << "  (no prediction)\n";
    return;
  }
  out << "  confidence  support   cause  item\n";
  for (const seq::SeqConsequentDescriptor& item : items) {
    out << "      " << Fixed(item.GetConfidence()) << "   " << Fixed(item.GetSupport()) << "  "
        << Fixed(item.GetCause()) << "  " << text.Item(item.GetItem()) << "\n";
  }
}

std::string CsvField(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

char SortLetter(const std::string& measure) {
  if (measure == "support") return 'S';
  if (measure == "cause") return 'A';
  return 'C';
}

}  // namespace carmaseq_cli
