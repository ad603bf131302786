#include "ItemText.h"

#include <vector>

#include "ArgParser.h"
#include "Errors.h"
#include "input/ItemNameMap.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

std::string Trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  const std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> Split(const std::string& text, const char* separators) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find_first_of(separators, begin);
    if (end == std::string::npos) end = text.size();
    parts.push_back(Trim(text.substr(begin, end - begin)));
    begin = end + 1;
  }
  return parts;
}

}  // namespace

std::string ItemText::Item(std::int32_t id) const {
  return names_ != nullptr ? names_->Label(id) : std::to_string(id);
}

std::string ItemText::Set(const seq::TimedItemSet& set) const {
  std::string text = "(";
  for (auto it = set.Begin(); it != set.End(); ++it) {
    if (it != set.Begin()) text += ", ";
    text += Item(*it);
  }
  return text + ")";
}

std::string ItemText::Sequence(const seq::Sequence& sequence) const {
  if (sequence.Length() == 0) return "()";
  std::string text;
  for (int i = 0; i < sequence.Length(); ++i) text += Set(sequence[i]);
  return text;
}

void ItemText::Parse(const std::string& text, seq::Sequence* out) const {
  std::size_t pos = 0;
  int sets = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++pos;
      continue;
    }
    if (c != '(') {
      throw CommandError("history '" + text + "': expected '(' at offset " + std::to_string(pos));
    }
    const std::size_t close = text.find(')', pos);
    if (close == std::string::npos) throw CommandError("history '" + text + "': missing ')'");
    seq::TimedItemSet set(0, static_cast<double>(sets));
    ParseSet(text.substr(pos + 1, close - pos - 1), &set);
    if (set.Size() > 0) {
      out->AddTimedItemSet(&set);
      ++sets;
    }
    pos = close + 1;
  }
}

void ItemText::ParseSet(const std::string& content, seq::TimedItemSet* set) const {
  const std::string whole = Trim(content);
  if (whole.empty()) return;
  std::int32_t id = 0;
  std::vector<std::string> tokens;
  if (content.find(',') != std::string::npos) {
    tokens = Split(content, ",");
  } else if (names_ != nullptr && names_->Find(whole, &id)) {
    tokens.push_back(whole);
  } else {
    for (const std::string& token : Split(whole, " \t")) {
      if (!token.empty()) tokens.push_back(token);
    }
  }
  try {
    for (const std::string& token : tokens) set->AddItem(ParseItem(token));
  } catch (const CommandError& error) {
    const bool noNames = names_ == nullptr || names_->size() == 0;
    throw CommandError(std::string(error.what()) + " in (" + whole + ")" +
                       (noNames ? "; give --names FILE to use item names" : ""));
  }
}

std::int32_t ItemText::ParseItem(const std::string& token) const {
  std::int32_t id = 0;
  if (names_ != nullptr && names_->Find(token, &id)) return id;
  std::int64_t number = 0;
  if (ParseInt(token, &number) && number >= 0 && number <= INT32_MAX) {
    return static_cast<std::int32_t>(number);
  }
  if (token.empty()) throw CommandError("empty item in a history (two commas in a row?)");
  throw CommandError("unknown item '" + token + "'");
}

}  // namespace carmaseq_cli
