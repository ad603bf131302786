#include "input/LineReader.h"

#include <cstring>
#include <istream>
#include <utility>

#include "input/InputError.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr std::size_t kBlock = 1 << 16;

}  // namespace

LineReader::LineReader(std::istream& in, std::string source, std::size_t maxLine)
    : in_(in), source_(std::move(source)), maxLine_(maxLine), buffer_(kBlock) {}

void LineReader::Fail(const std::string& reason) const {
  throw SeqExceptions::InputError(source_, lineNumber_, reason);
}

bool LineReader::Fill() {
  if (eof_) return false;
  in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  const std::streamsize got = in_.gcount();
  if (in_.bad()) throw SeqExceptions::InputError(source_, lineNumber_ + 1, "read error");
  if (got < static_cast<std::streamsize>(buffer_.size())) eof_ = true;
  begin_ = 0;
  end_ = static_cast<std::size_t>(got);
  return got > 0;
}

bool LineReader::Next(std::string_view* line) {
  line_.clear();
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) break;
    any = true;
    const char* start = buffer_.data() + begin_;
    const void* nl = std::memchr(start, '\n', end_ - begin_);
    const std::size_t take = nl != nullptr
                                 ? static_cast<std::size_t>(static_cast<const char*>(nl) - start)
                                 : end_ - begin_;
    if (line_.size() + take > maxLine_) {
      ++lineNumber_;
      Fail("line longer than " + std::to_string(maxLine_) + " bytes");
    }
    line_.append(start, take);
    begin_ += take;
    if (nl != nullptr) {
      ++begin_;
      break;
    }
  }
  if (!any) return false;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  ++lineNumber_;
  *line = line_;
  return true;
}

}  // namespace SEQUENCE_NAMESPACE_800
