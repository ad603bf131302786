#include "RulesCsvWriter.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <ostream>
#include <thread>
#include <utility>

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
// Held rules with at most this many item sets are written without building their fields first.
constexpr int kMaxPlainSets = 64;
// Rules in one run of the two-thread writing; below two runs one thread writes.
constexpr std::size_t kRunRules = 16384;
// Formatted runs the helper may keep ahead of the one being written.
constexpr std::size_t kRunsAhead = 4;

seq::ItemSpan SpanOf(const seq::TimedItemSet& set) { return {set.Begin(), set.Size()}; }

// True iff text holds a comma, quote or line break: one pass, as fields are short.
bool NeedsQuotes(const std::string& text) {
  for (const char c : text) {
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

}  // namespace

RulesCsvWriter::RulesCsvWriter(const ItemText& text, std::ostream& out) : text_(text), out_(&out) {
  buffer_.reserve(kBlockBytes + 4096);
  buffer_ += "antecedent,consequent,support,confidence,cause\n";
}

RulesCsvWriter::RulesCsvWriter(const ItemText& text) : text_(text), out_(nullptr) {}

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
  const int n = whole.getNSets();
  if (n <= kMaxPlainSets) {
    // Items whose texts need no quotes (the usual case) go straight to the buffer.
    seq::ItemSpan sets[kMaxPlainSets];
    int s = 0;
    bool plain = true;
    seq::ForEachItemSet(whole, [&](seq::ItemSpan set) {
      sets[s++] = set;
      for (std::int32_t i = 0; i < set.count; ++i) plain = plain && SliceOf(set.items[i]).plain;
    });
    if (plain) {
      AppendPlainField(sets, n - 1);
      AppendPlainField(sets + n - 1, 1);
      EndRow(rule.support, rule.confidence, rule.cause);
      return;
    }
  }
  int left = n;
  seq::ForEachItemSet(whole, [&](seq::ItemSpan set) {
    if (--left == 0) EndField();  // the antecedent ends before the last set
    AddSet(set);
  });
  EndField();
  EndRow(rule.support, rule.confidence, rule.cause);
}

void RulesCsvWriter::AppendPlainField(const seq::ItemSpan* sets, int n) {
  bool quoted = false;
  for (int s = 0; s < n; ++s) quoted = quoted || sets[s].count > 1;
  if (quoted) buffer_ += '"';
  for (int s = 0; s < n; ++s) {
    buffer_ += '(';
    for (std::int32_t i = 0; i < sets[s].count; ++i) {
      if (i > 0) buffer_ += ", ";
      buffer_ += ItemTextOf(sets[s].items[i]);
    }
    buffer_ += ')';
  }
  if (quoted) buffer_ += '"';
  buffer_ += ',';
}

void RulesCsvWriter::Flush() {
  if (out_ == nullptr) return;
  out_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

std::string RulesCsvWriter::TakeRows() {
  std::string rows;
  rows.swap(buffer_);
  return rows;
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
  if (out_ != nullptr && buffer_.size() >= kBlockBytes) Flush();
}

// std::to_chars gives the text printf's "%.15g" gives in the "C" locale, without the locale.
void RulesCsvWriter::AppendNumber(double value) {
  char text[64];
  const std::to_chars_result r =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  buffer_.append(text, r.ptr);
}

const RulesCsvWriter::Slice& RulesCsvWriter::SliceOf(std::int32_t item) {
  Slice* slice;
  if (item >= 0 && item < kDenseItems) {
    if (static_cast<std::size_t>(item) >= dense_.size()) dense_.resize(item + std::size_t{1});
    slice = &dense_[static_cast<std::size_t>(item)];
  } else {
    slice = &sparse_[item];
  }
  if (slice->length == 0) *slice = Store(text_.Item(item));  // no item's text is empty
  return *slice;
}

RulesCsvWriter::Slice RulesCsvWriter::Store(const std::string& text) {
  Slice slice;
  slice.offset = static_cast<std::uint32_t>(texts_.size());
  slice.length = static_cast<std::uint32_t>(text.size());
  slice.plain = !NeedsQuotes(text);
  texts_ += text;
  return slice;
}

void WriteRulesCsv(const std::vector<seq::SeqAssociationRule>& rules, const ItemText& text,
                   std::ostream& out) {
  RulesCsvWriter writer(text, out);
  for (const seq::SeqAssociationRule& rule : rules) writer.Write(rule);
}

namespace {

// Formats run r of the rules (kRunRules rules from r * kRunRules) with writer.
void FormatRun(const seq::HeldRules& rules, std::size_t r, RulesCsvWriter& writer) {
  const std::size_t end = std::min(rules.size(), (r + 1) * kRunRules);
  for (std::size_t i = r * kRunRules; i < end; ++i) {
    rules.Prefetch(i);
    writer.Write(rules[i]);
  }
}

// Formats the odd runs of rules on a thread of its own, at most kRunsAhead runs ahead of the
// run the caller writes; the destructor stops and joins it.
class OddRunFormatter {
 public:
  OddRunFormatter(const seq::HeldRules& rules, const ItemText& text) : rules_(rules), text_(text) {
    thread_ = std::thread([this] { Run(); });
  }
  ~OddRunFormatter() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  OddRunFormatter(const OddRunFormatter&) = delete;
  OddRunFormatter& operator=(const OddRunFormatter&) = delete;

  // Waits for the rows of odd run r and takes them; the caller writes runs in order.
  std::string Take(std::size_t r) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return done_.count(r) != 0 || failed_; });
    if (failed_) throw std::bad_alloc();
    std::string rows = std::move(done_[r]);
    done_.erase(r);
    taken_ = r + 1;
    changed_.notify_all();
    return rows;
  }

 private:
  void Run() {
    try {
      RulesCsvWriter writer(text_);
      for (std::size_t r = 1; r * kRunRules < rules_.size(); r += 2) {
        {
          std::unique_lock<std::mutex> lock(mutex_);
          changed_.wait(lock, [&] { return stop_ || r < taken_ + kRunsAhead; });
          if (stop_) return;
        }
        FormatRun(rules_, r, writer);
        const std::lock_guard<std::mutex> lock(mutex_);
        done_[r] = writer.TakeRows();
        changed_.notify_all();
      }
    } catch (const std::bad_alloc&) {
      const std::lock_guard<std::mutex> lock(mutex_);
      failed_ = true;
      changed_.notify_all();
    }
  }

  const seq::HeldRules& rules_;
  const ItemText& text_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::size_t, std::string> done_;  // formatted runs not yet taken
  std::size_t taken_ = 0;                    // runs before this one are written
  bool stop_ = false;
  bool failed_ = false;
  std::thread thread_;
};

}  // namespace

void WriteRulesCsv(const seq::HeldRules& rules, const ItemText& text, std::ostream& out,
                   const std::function<void(std::size_t)>& progress) {
  RulesCsvWriter writer(text, out);
  const bool twoThreads = rules.size() >= 2 * kRunRules && std::thread::hardware_concurrency() > 1;
  std::optional<OddRunFormatter> odd;
  if (twoThreads) odd.emplace(rules, text);
  for (std::size_t r = 0; r * kRunRules < rules.size(); ++r) {
    if (odd && r % 2 == 1) {
      writer.Flush();
      const std::string rows = odd->Take(r);
      out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
    } else {
      FormatRun(rules, r, writer);
    }
    if (progress) progress(std::min(rules.size(), (r + 1) * kRunRules));
  }
  writer.Flush();
  if (progress && rules.empty()) progress(0);
}

}  // namespace carmaseq_cli
