#include "mining/SparkPatterns.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "input/InputError.h"
#include "mining/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr std::size_t kMaxItems = 31;

// One item as the line spells it: a number, or a name.
struct RawItem {
  bool isName = false;
  std::int64_t id = 0;
  std::string name;
  bool operator<(const RawItem& other) const {
    return isName != other.isName ? isName < other.isName
                                  : (isName ? name < other.name : id < other.id);
  }
  bool operator==(const RawItem& other) const { return !(*this < other) && !(other < *this); }
};

struct RawPattern {
  std::vector<std::vector<RawItem>> sets;
  std::int64_t freq = 0;
  std::int64_t line = 0;
};

// A strict reader of the one JSON object on a line.
class LineParser {
 public:
  LineParser(std::string_view text, const std::string& source, std::int64_t line)
      : text_(text), source_(source), line_(line) {}

  RawPattern Pattern() {
    RawPattern pattern;
    pattern.line = line_;
    bool sawSequence = false, sawFreq = false;
    Expect('{');
    if (!Consume('}')) {
      do {
        const std::string key = String();
        Expect(':');
        if (key == "sequence") {
          pattern.sets = Sequence();
          sawSequence = true;
        } else if (key == "freq") {
          pattern.freq = Integer();
          sawFreq = true;
        } else {
          SkipValue();
        }
      } while (Consume(','));
      Expect('}');
    }
    SkipBlanks();
    if (pos_ != text_.size()) Fail("unexpected text after the pattern");
    if (!sawSequence || !sawFreq) Fail("a pattern needs \"sequence\" and \"freq\"");
    return pattern;
  }

 private:
  [[noreturn]] void Fail(const std::string& reason) const {
    throw SeqExceptions::InputError(source_, line_, reason);
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n')) {
      ++pos_;
    }
  }
  bool Consume(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Consume(c)) Fail(std::string("expected '") + c + "'");
  }
  char Peek() {
    SkipBlanks();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  std::vector<std::vector<RawItem>> Sequence() {
    std::vector<std::vector<RawItem>> sets;
    Expect('[');
    if (Consume(']')) return sets;
    do {
      sets.emplace_back();
      Expect('[');
      if (!Consume(']')) {
        do {
          sets.back().push_back(Item());
        } while (Consume(','));
        Expect(']');
      }
    } while (Consume(','));
    Expect(']');
    return sets;
  }

  RawItem Item() {
    RawItem item;
    if (Peek() == '"') {
      item.isName = true;
      item.name = String();
    } else {
      item.id = Integer();
    }
    return item;
  }

  std::int64_t Integer() {
    SkipBlanks();
    const std::size_t begin = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    const std::string digits(text_.substr(begin, pos_ - begin));
    if (digits.empty() || digits == "-" ||
        (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E'))) {
      Fail("expected a whole number");
    }
    errno = 0;
    const long long value = std::strtoll(digits.c_str(), nullptr, 10);
    if (errno == ERANGE) Fail("number out of range: " + digits);
    return value;
  }

  std::string String() {
    Expect('"');
    std::string out;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      const char c = text_[pos_++];
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      const char escape = text_[pos_++];
      switch (escape) {
        case '"':
        case '\\':
        case '/':
          out += escape;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          AppendUtf8(CodePoint(), &out);
          break;
        default:
          Fail(std::string("bad escape \\") + escape);
      }
    }
    if (pos_ >= text_.size()) Fail("unterminated string");
    ++pos_;
    return out;
  }

  std::uint32_t Hex4() {
    if (pos_ + 4 > text_.size()) Fail("bad \\u escape");
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      value <<= 4;
      if (c >= '0' && c <= '9')
        value |= c - '0';
      else if (c >= 'a' && c <= 'f')
        value |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        value |= c - 'A' + 10;
      else
        Fail("bad \\u escape");
    }
    return value;
  }
  std::uint32_t CodePoint() {
    const std::uint32_t first = Hex4();
    if (first < 0xD800 || first > 0xDFFF) return first;
    if (first > 0xDBFF || text_.substr(pos_, 2) != "\\u") Fail("unpaired surrogate");
    pos_ += 2;
    const std::uint32_t second = Hex4();
    if (second < 0xDC00 || second > 0xDFFF) Fail("unpaired surrogate");
    return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
  }
  static void AppendUtf8(std::uint32_t cp, std::string* out) {
    if (cp < 0x80) {
      *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      *out += static_cast<char>(0xC0 | (cp >> 6));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *out += static_cast<char>(0xE0 | (cp >> 12));
      *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (cp >> 18));
      *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  // Any JSON value, for keys other than the two a pattern needs.
  void SkipValue() {
    const char c = Peek();
    if (c == '"') {
      String();
    } else if (c == '[' || c == '{') {
      const char close = c == '[' ? ']' : '}';
      ++pos_;
      if (Consume(close)) return;
      do {
        if (close == '}') {
          String();
          Expect(':');
        }
        SkipValue();
      } while (Consume(','));
      Expect(close);
    } else {
      const std::size_t begin = pos_;
      while (pos_ < text_.size() &&
             std::string_view(",]} \t\r\n").find(text_[pos_]) == std::string_view::npos) {
        ++pos_;
      }
      if (pos_ == begin) Fail("expected a value");
    }
  }

  std::string_view text_;
  const std::string& source_;
  std::int64_t line_;
  std::size_t pos_ = 0;
};

void CheckShape(RawPattern* pattern, const std::string& source) {
  const auto fail = [&](const std::string& reason) {
    throw SeqExceptions::InputError(source, pattern->line, reason);
  };
  if (pattern->sets.empty()) fail("a pattern needs at least one item set");
  std::size_t items = 0;
  for (std::vector<RawItem>& set : pattern->sets) {
    if (set.empty()) fail("empty item set");
    std::sort(set.begin(), set.end());
    if (std::adjacent_find(set.begin(), set.end()) != set.end()) fail("item repeated in a set");
    items += set.size();
  }
  if (items > kMaxItems) fail("more than 31 items in a pattern");
  if (pattern->freq < 1) fail("\"freq\" must be at least 1");
}

// Gives string items ids in the byte order of their names and fills the list.
ImportedPatterns Resolve(std::vector<RawPattern> raw, const std::string& source,
                         const ItemNameMap* known) {
  ImportedPatterns imported;
  std::set<std::string> names;
  bool sawName = false, sawId = false;
  for (const RawPattern& pattern : raw) {
    for (const auto& set : pattern.sets) {
      for (const RawItem& item : set) {
        (item.isName ? sawName : sawId) = true;
        if (item.isName) names.insert(item.name);
        if (sawName && sawId) {
          throw SeqExceptions::InputError(source, pattern.line,
                                          "string and integer items are mixed");
        }
        if (!item.isName && (item.id < std::numeric_limits<std::int32_t>::min() ||
                             item.id > std::numeric_limits<std::int32_t>::max())) {
          throw SeqExceptions::InputError(source, pattern.line, "item id out of range");
        }
      }
    }
  }
  if (known != nullptr && sawName) {
    imported.names = *known;
    for (const RawPattern& pattern : raw) {
      for (const auto& set : pattern.sets) {
        for (const RawItem& item : set) {
          std::int32_t id;
          if (!known->Find(item.name, &id)) {
            throw SeqExceptions::InputError(source, pattern.line,
                                            "item '" + item.name + "' is not in the names given");
          }
        }
      }
    }
  } else {
    for (const std::string& name : names) imported.names.Intern(name);
  }
  for (const RawPattern& pattern : raw) {
    std::int32_t items[kMaxItems], setEnds[kMaxItems];
    std::int32_t n = 0, s = 0;
    for (const auto& set : pattern.sets) {
      std::vector<std::int32_t> ids;
      for (const RawItem& item : set) {
        std::int32_t id = static_cast<std::int32_t>(item.id);
        if (item.isName) imported.names.Find(item.name, &id);
        ids.push_back(id);
      }
      std::sort(ids.begin(), ids.end());
      for (const std::int32_t id : ids) items[n++] = id;
      setEnds[s++] = n;
    }
    imported.patterns.Add(items, setEnds, s, pattern.freq);
  }
  const std::size_t before = imported.patterns.size();
  imported.patterns.SortCanonical(/*mergeDuplicates=*/false);
  for (std::size_t i = 1; i < before; ++i) {
    if (imported.patterns.SameSequence(i - 1, i)) {
      throw SeqExceptions::InputError(source, 0,
                                      "pattern " + imported.patterns.Text(i) + " is given twice");
    }
  }
  return imported;
}

std::vector<RawPattern> ReadRaw(std::istream& in, const std::string& source) {
  std::vector<RawPattern> raw;
  std::string line;
  std::int64_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    RawPattern pattern = LineParser(line, source, number).Pattern();
    CheckShape(&pattern, source);
    raw.push_back(std::move(pattern));
  }
  if (in.bad()) throw SeqExceptions::InputError(source, number, "read error");
  return raw;
}

std::vector<std::string> PartFiles(const std::string& folder) {
  std::vector<std::string> parts;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) throw SeqExceptions::InputError(folder, 0, "cannot open the folder");
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.rfind("part-", 0) == 0 && name.size() > 5 &&
        name.compare(name.size() - 5, 5, ".json") == 0) {
      parts.push_back(folder + "/" + name);
    }
  }
  if (parts.empty()) throw SeqExceptions::InputError(folder, 0, "no part-*.json files");
  std::sort(parts.begin(), parts.end());
  return parts;
}

// The pattern's token string without item `skip`: the key of a sub-sequence.
std::string SubsequenceKey(const MinedSequence& sequence, std::int32_t skip) {
  std::string key;
  std::int32_t item = 0;
  for (std::int32_t s = 0; s < sequence.numSets; ++s) {
    const std::size_t before = key.size();
    for (; item < sequence.setEnds[s]; ++item) {
      if (item != skip) key += std::to_string(sequence.items[item]) + ' ';
    }
    if (key.size() != before) key += ')';
  }
  return key;
}

std::string SubsequenceText(const MinedSequence& sequence, std::int32_t skip,
                            const ItemNameMap& names) {
  std::string text;
  std::int32_t item = 0;
  for (std::int32_t s = 0; s < sequence.numSets; ++s) {
    std::string set;
    for (; item < sequence.setEnds[s]; ++item) {
      if (item == skip) continue;
      set += (set.empty() ? "" : " ") + names.Label(sequence.items[item]);
    }
    if (!set.empty()) text += "(" + set + ")";
  }
  return text;
}

}  // namespace

ImportedPatterns ReadSparkPatterns(std::istream& in, const std::string& source,
                                   const ItemNameMap* known) {
  return Resolve(ReadRaw(in, source), source, known);
}

ImportedPatterns ReadSparkPatternPath(const std::string& path, const ItemNameMap* known) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) throw SeqExceptions::InputError(path, 0, "cannot be read");
  const std::vector<std::string> files =
      S_ISDIR(info.st_mode) ? PartFiles(path) : std::vector<std::string>{path};
  std::vector<RawPattern> raw;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw SeqExceptions::InputError(file, 0, "cannot be read");
    std::vector<RawPattern> part = ReadRaw(in, file);
    raw.insert(raw.end(), std::make_move_iterator(part.begin()),
               std::make_move_iterator(part.end()));
  }
  return Resolve(std::move(raw), path, known);
}

void CheckImportedPatterns(const ImportedPatterns& imported, std::int32_t customers,
                           double minSupport) {
  const PatternList& patterns = imported.patterns;
  const std::int32_t threshold = SequenceMiner::CountThreshold(minSupport, customers);
  std::unordered_set<std::string> held;
  held.reserve(patterns.size());
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    held.insert(SubsequenceKey(patterns.Get(i), -1));
  }
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const MinedSequence sequence = patterns.Get(i);
    const std::string text = SubsequenceText(sequence, -1, imported.names);
    if (patterns.count(i) > customers) {
      throw std::invalid_argument("pattern " + text + " is counted " +
                                  std::to_string(patterns.count(i)) + " times, more than the " +
                                  std::to_string(customers) + " customers");
    }
    if (patterns.count(i) < threshold) {
      throw std::invalid_argument(
          "pattern " + text + " is counted " + std::to_string(patterns.count(i)) +
          " times, below the minimum support's " + std::to_string(threshold));
    }
    if (sequence.numItems < 2) continue;
    for (std::int32_t skip = 0; skip < sequence.numItems; ++skip) {
      if (held.count(SubsequenceKey(sequence, skip)) == 0) {
        throw std::invalid_argument("pattern " + text + " lacks its sub-sequence " +
                                    SubsequenceText(sequence, skip, imported.names));
      }
    }
  }
}

}  // namespace SEQUENCE_NAMESPACE_800
