// Splits a stream into lines of bounded length for the input readers.
#ifndef CARMASEQ_INPUT_LINEREADER_H_
#define CARMASEQ_INPUT_LINEREADER_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {

// Reads a stream in blocks and hands out its lines one at a time, without the line end ("\n",
// "\r\n" or a lone final "\r"). A line longer than the limit, or a failing stream, becomes a
// SeqExceptions::InputError naming the source and the line. The stream must outlive the reader.
// Not copyable.
class LineReader {
 public:
  static constexpr std::size_t kDefaultMaxLine = std::size_t{1} << 24;  // 16 MiB

  LineReader(std::istream& in, std::string source, std::size_t maxLine = kDefaultMaxLine);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Returns true and sets *line to the next line iff there is one; *line stays valid until the
  // next call. Throws SeqExceptions::InputError as described above.
  bool Next(std::string_view* line);
  // 1-based number of the line last returned (0 before the first).
  std::int64_t lineNumber() const { return lineNumber_; }
  const std::string& source() const { return source_; }

  // Throws SeqExceptions::InputError for the line last returned.
  [[noreturn]] void Fail(const std::string& reason) const;

 private:
  // Reads the next block into the buffer; returns false at the end of the stream.
  bool Fill();

  std::istream& in_;
  std::string source_;
  std::size_t maxLine_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // first unread byte of buffer_
  std::size_t end_ = 0;    // one past the last valid byte of buffer_
  bool eof_ = false;
  std::string line_;
  std::int64_t lineNumber_ = 0;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_LINEREADER_H_
