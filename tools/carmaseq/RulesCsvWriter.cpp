#include "RulesCsvWriter.h"

#include <charconv>
#include <ostream>

#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

// The buffer goes to the stream once it holds this much.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// Item ids below this are looked up by index (8 bytes of table per id up to the largest seen).
constexpr std::int32_t kDenseItems = std::int32_t{1} << 20;
// Rules between two progress reports.
constexpr std::size_t kProgressEvery = 8192;

seq::ItemSpan SpanOf(const seq::TimedItemSet& set) { return {set.Begin(), set.Size()}; }

// True iff text holds a comma, quote or line break: one pass, as fields are short.
bool NeedsQuotes(const std::string& text) {
  for (const char c : text) {
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

}  // namespace

RulesCsvWriter::RulesCsvWriter(const ItemText& text, std::ostream& out) : text_(text), out_(out) {
  buffer_.reserve(kBlockBytes + 4096);
  buffer_ += "antecedent,consequent,support,confidence,cause\n";
}

RulesCsvWriter::~RulesCsvWriter() { Flush(); }

void RulesCsvWriter::Write(const seq::SeqAssociationRule& rule) {
  for (const seq::Sequence* sequence : {&rule.GetAntecedent(), &rule.GetConsequent()}) {
    if (sequence->Length() == 0) field_ += "()";
    for (int s = 0; s < sequence->Length(); ++s) AddSet(SpanOf((*sequence)[s]));
    EndField();
  }
  EndRow(rule.GetSupport(), rule.GetConfidence(), rule.GetCause());
}

void RulesCsvWriter::Write(const seq::HeldRule& rule) {
  const seq::NTSequence& whole = *rule.whole;
  int left = whole.getNSets();
  seq::ForEachItemSet(whole, [&](seq::ItemSpan set) {
    if (--left == 0) EndField();  // the antecedent ends before the last set
    AddSet(set);
  });
  EndField();
  EndRow(rule.support, rule.confidence, rule.cause);
}

void RulesCsvWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

void RulesCsvWriter::AddSet(seq::ItemSpan set) {
  field_ += '(';
  for (std::int32_t i = 0; i < set.count; ++i) {
    if (i > 0) field_ += ", ";
    field_ += ItemTextOf(set.items[i]);
  }
  field_ += ')';
}

void RulesCsvWriter::EndField() {
  if (!NeedsQuotes(field_)) {
    buffer_ += field_;
  } else {
    buffer_ += '"';
    for (const char c : field_) {
      if (c == '"') buffer_ += '"';
      buffer_ += c;
    }
    buffer_ += '"';
  }
  buffer_ += ',';
  field_.clear();
}

void RulesCsvWriter::EndRow(double support, double confidence, double cause) {
  AppendNumber(support);
  buffer_ += ',';
  AppendNumber(confidence);
  buffer_ += ',';
  AppendNumber(cause);
  buffer_ += '\n';
  if (buffer_.size() >= kBlockBytes) Flush();
}

// std::to_chars gives the text printf's "%.15g" gives in the "C" locale, without the locale.
void RulesCsvWriter::AppendNumber(double value) {
  char text[64];
  const std::to_chars_result r =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  buffer_.append(text, r.ptr);
}

std::string_view RulesCsvWriter::ItemTextOf(std::int32_t item) {
  Slice* slice;
  if (item >= 0 && item < kDenseItems) {
    if (static_cast<std::size_t>(item) >= dense_.size()) dense_.resize(item + std::size_t{1});
    slice = &dense_[static_cast<std::size_t>(item)];
  } else {
    slice = &sparse_[item];
  }
  if (slice->length == 0) *slice = Store(text_.Item(item));  // no item's text is empty
  return std::string_view(texts_.data() + slice->offset, slice->length);
}

RulesCsvWriter::Slice RulesCsvWriter::Store(const std::string& text) {
  Slice slice;
  slice.offset = static_cast<std::uint32_t>(texts_.size());
  slice.length = static_cast<std::uint32_t>(text.size());
  texts_ += text;
  return slice;
}

void WriteRulesCsv(const std::vector<seq::SeqAssociationRule>& rules, const ItemText& text,
                   std::ostream& out) {
  RulesCsvWriter writer(text, out);
  for (const seq::SeqAssociationRule& rule : rules) writer.Write(rule);
}

void WriteRulesCsv(const seq::HeldRules& rules, const ItemText& text, std::ostream& out,
                   const std::function<void(std::size_t)>& progress) {
  RulesCsvWriter writer(text, out);
  for (std::size_t r = 0; r < rules.size(); ++r) {
    rules.Prefetch(r);
    writer.Write(rules[r]);
    if (progress && (r + 1) % kProgressEvery == 0) progress(r + 1);
  }
  writer.Flush();
  if (progress) progress(rules.size());
}

}  // namespace carmaseq_cli
