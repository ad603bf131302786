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
  if (names_ == nullptr) return std::to_string(id);
  const std::string* name = names_->NameOf(id);
  if (name == nullptr) return std::to_string(id);
  const bool plain = !name->empty() && name->find_first_of("(),\"") == std::string::npos &&
                     name->front() != ' ' && name->back() != ' ';
  if (plain) return *name;
  std::string quoted = "\"";
  for (char c : *name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
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
      throw CommandError("history " + Quoted(text) + ": expected '(' at offset " +
                         std::to_string(pos));
    }
    seq::TimedItemSet set(0, static_cast<double>(sets++));
    pos = ParseSet(text, pos + 1, &set);
    out->AddTimedItemSet(&set);
  }
}

std::size_t ItemText::ParseSet(const std::string& text, std::size_t pos,
                               seq::TimedItemSet* set) const {
  std::vector<Token> tokens;
  for (;;) {
    Token token;
    pos = ReadToken(text, pos, &token);
    if (!token.quoted && token.text.empty() && text[pos] == ')' && tokens.empty()) {
      return pos + 1;  // "()": an empty item set
    }
    tokens.push_back(token);
    if (text[pos++] == ')') break;
  }
  try {
    if (tokens.size() == 1 && !tokens[0].quoted) {
      AddUnquoted(tokens[0].text, set);
    } else {
      for (const Token& token : tokens) set->AddItem(ParseItem(token));
    }
  } catch (const CommandError& error) {
    const bool noNames = names_ == nullptr || names_->size() == 0;
    throw CommandError(std::string(error.what()) +
                       (noNames ? "; the model has no item names: type item ids" : ""));
  }
  return pos;
}

std::size_t ItemText::ReadToken(const std::string& text, std::size_t pos, Token* token) const {
  auto fail = [&text](const std::string& why) {
    throw CommandError("history " + Quoted(text) + ": " + why);
  };
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos < text.size() && text[pos] == '"') {
    token->quoted = true;
    for (++pos;; ++pos) {
      if (pos >= text.size()) fail("a quoted item is not closed");
      if (text[pos] != '"') {
        token->text += text[pos];
      } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
        token->text += '"';
        ++pos;
      } else {
        break;
      }
    }
    ++pos;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  } else {
    const std::size_t end = text.find_first_of(",()\"", pos);
    if (end == std::string::npos) fail("missing ')'");
    if (text[end] == '(' || text[end] == '"') {
      fail(
          "an item name with parentheses, commas or quotes must be quoted, e.g. "
          "(\"flower (seeds)\", whole milk)");
    }
    token->text = Trim(text.substr(pos, end - pos));
    pos = end;
  }
  if (pos >= text.size()) fail("missing ')'");
  if (text[pos] != ',' && text[pos] != ')') fail("expected ',' or ')' after a quoted item");
  return pos;
}

void ItemText::AddUnquoted(const std::string& whole, seq::TimedItemSet* set) const {
  std::int32_t id = 0;
  if (names_ != nullptr && names_->Find(whole, &id)) {
    set->AddItem(id);
    return;
  }
  // Items separated by blanks; all must be known, else the whole text is the unknown item.
  std::vector<std::int32_t> ids;
  for (const std::string& piece : Split(whole, " \t")) {
    if (piece.empty()) continue;
    if (!TryItem(piece, &id)) throw CommandError("unknown item " + Quoted(whole));
    ids.push_back(id);
  }
  for (std::int32_t each : ids) set->AddItem(each);
}

bool ItemText::TryItem(const std::string& text, std::int32_t* id) const {
  if (names_ != nullptr && names_->Find(text, id)) return true;
  std::int64_t number = 0;
  if (!ParseInt(text, &number) || number < 0 || number > INT32_MAX) return false;
  *id = static_cast<std::int32_t>(number);
  return true;
}

std::int32_t ItemText::ParseItem(const Token& token) const {
  std::int32_t id = 0;
  if (token.text.empty()) throw CommandError("empty item in a history (two commas in a row?)");
  if (token.quoted ? names_ != nullptr && names_->Find(token.text, &id)
                   : TryItem(token.text, &id)) {
    return id;
  }
  throw CommandError("unknown item " + Quoted(token.text));
}

}  // namespace carmaseq_cli
