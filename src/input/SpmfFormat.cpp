#include "input/SpmfFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "input/LineReader.h"
#include "input/SequenceDatabase.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Splits off the next blank-separated token of *rest; false when there is none.
bool NextToken(std::string_view* rest, std::string_view* token) {
  std::size_t i = 0;
  while (i < rest->size() && IsBlank((*rest)[i])) ++i;
  if (i == rest->size()) return false;
  std::size_t j = i;
  while (j < rest->size() && !IsBlank((*rest)[j])) ++j;
  *token = rest->substr(i, j - i);
  rest->remove_prefix(j);
  return true;
}

std::string Quoted(std::string_view token) {
  constexpr std::size_t kShown = 40;
  std::string text(token.substr(0, kShown));
  if (token.size() > kShown) text += "...";
  return "'" + text + "'";
}

// State of the line being read.
class SpmfLine {
 public:
  SpmfLine(LineReader& reader, SequenceDatabase* db) : reader_(reader), db_(db) {}

  void Read(std::string_view line) {
    db_->StartCustomer();
    items_.clear();
    position_ = 0;
    hasTime_ = false;
    lastTime_ = -std::numeric_limits<double>::infinity();
    bool ended = false;
    std::string_view token;
    while (NextToken(&line, &token)) {
      if (ended) reader_.Fail("text after -2: " + Quoted(token));
      if (token.front() == '<') {
        ReadTime(token);
        continue;
      }
      std::int64_t value = 0;
      const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
      if (ec != std::errc() || end != token.data() + token.size()) {
        reader_.Fail("not an item id: " + Quoted(token));
      }
      if (value == -1) {
        CloseSet();
      } else if (value == -2) {
        if (!items_.empty()) CloseSet();
        ended = true;
      } else if (value < 0 || value > std::numeric_limits<std::int32_t>::max()) {
        reader_.Fail("item id out of range: " + Quoted(token));
      } else {
        items_.push_back(static_cast<std::int32_t>(value));
      }
    }
    if (!items_.empty()) CloseSet();
  }

 private:
  void ReadTime(std::string_view token) {
    if (token.size() < 3 || token.back() != '>') reader_.Fail("bad time " + Quoted(token));
    if (!items_.empty()) reader_.Fail("time inside an item set: " + Quoted(token));
    const std::string_view digits = token.substr(1, token.size() - 2);
    double time = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), time);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(time)) {
      reader_.Fail("bad time " + Quoted(token));
    }
    if (time < lastTime_) reader_.Fail("time goes backwards: " + Quoted(token));
    time_ = time;
    hasTime_ = true;
  }

  void CloseSet() {
    const double time = hasTime_ ? time_ : static_cast<double>(position_);
    if (time < lastTime_) {
      reader_.Fail("item set " + std::to_string(position_ + 1) + " is earlier than the one before");
    }
    db_->AddItemSet(items_, time);
    lastTime_ = time;
    items_.clear();
    hasTime_ = false;
    ++position_;
  }

  LineReader& reader_;
  SequenceDatabase* db_;
  std::vector<std::int32_t> items_;
  std::int64_t position_ = 0;
  bool hasTime_ = false;
  double time_ = 0;
  double lastTime_ = 0;
};

}  // namespace

void ReadSpmf(std::istream& in, const std::string& source, SequenceDatabase* db) {
  LineReader reader(in, source);
  SpmfLine parser(reader, db);
  std::string_view line;
  while (reader.Next(&line)) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == '#' || line[i] == '%' || line[i] == '@') continue;
    parser.Read(line);
  }
}

void WriteSpmf(const SequenceDatabase& db, std::ostream& out, bool withTimes) {
  char number[32];
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
      if (withTimes) {
        const auto [end, ec] = std::to_chars(number, number + sizeof number, db.setTime(s));
        (void)ec;  // 32 bytes always hold a double's shortest form
        out << '<' << std::string_view(number, end - number) << "> ";
      }
      for (std::uint32_t p = db.setBegin(s); p < db.setBegin(s + 1); ++p) {
        out << db.items()[p] << ' ';
      }
      out << "-1 ";
    }
    out << "-2\n";
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
