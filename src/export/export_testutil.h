// Helpers for the export tests: picking lines out of a written document.
#ifndef CARMASEQ_EXPORT_EXPORT_TESTUTIL_H_
#define CARMASEQ_EXPORT_EXPORT_TESTUTIL_H_

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// The lines of text, split at each line feed (a final line feed would give a last empty line).
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type begin = 0;
  for (std::string::size_type end; (end = text.find('\n', begin)) != std::string::npos;) {
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  lines.push_back(text.substr(begin));
  return lines;
}

// The count lines of text that start at the first line equal to first (fewer at the end of the
// text; none when no line equals first).
inline std::vector<std::string> Block(const std::string& text, const std::string& first,
                                      size_t count) {
  const std::vector<std::string> lines = Lines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != first) continue;
    const size_t end = std::min(lines.size(), i + count);
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(i),
                                    lines.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return {};
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_EXPORT_TESTUTIL_H_
