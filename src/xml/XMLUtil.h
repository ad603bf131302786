// The XML vocabulary and the string helpers of the XML writer.
#ifndef CARMASEQ_XML_XMLUTIL_H_
#define CARMASEQ_XML_XMLUTIL_H_

#include <cstddef>
#include <string>

#include "foundation/Visibility.h"

namespace QxXML_940 {

// Static members only: the constant pieces every written document is made of, and the escaping
// and replacement functions. Thread-safe (no state).
class CARMASEQ_EXPORT XMLUtil {
 public:
  XMLUtil() = delete;

  static constexpr char AMPERSAND[] = "&";
  static constexpr char BEGIN_ELEMENT[] = "<";
  static constexpr char BEGIN_END_ELEMENT[] = "/";
  static constexpr char BEGIN_PREPROCESSOR[] = "!";
  static constexpr char END_ELEMENT[] = ">";
  static constexpr char EQUAL[] = "=";
  // The XML declaration; 39 characters, no line feed.
  static constexpr char FIRST_LINE[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";
  static constexpr char GREATER_THAN[] = ">";
  static constexpr char ITEMINDENT[] = "\t";
  static constexpr char LESS_THAN[] = "<";
  static constexpr char QUOTE[] = "\"";
  static constexpr char ROWSEP[] = "\n";
  static constexpr char SPACE[] = " ";
  static constexpr int TAB_LENGTH = 8;  // Not used by the writer; kept for callers.
  static constexpr char XML_AMPERSAND[] = "&amp;";
  static constexpr char XML_CHARREF_CR[] = "&#13;";
  static constexpr char XML_CHARREF_NL[] = "&#10;";
  static constexpr char XML_CHARREF_SP[] = "&#32;";
  static constexpr char XML_CHARREF_TAB[] = "&#9;";
  static constexpr char XML_GREATER_THAN[] = "&gt;";
  static constexpr char XML_LESS_THAN[] = "&lt;";
  static constexpr char XML_QUOTE[] = "&quot;";
  static constexpr char XML_SP_CHARREF_SP[] = " &#32;";

  // Returns value escaped for use between the quotes of an attribute: "&", "<", ">", the double
  // quote, tab, line feed and carriage return become entities; of every two consecutive spaces the
  // second becomes "&#32;"; then a leading and a trailing space each become "&#32;". Bytes at or
  // above 0x80 pass unchanged. Example: "a  b" gives "a &#32;b", " " gives "&#32;".
  static std::string Escape(const std::string& value);

  // Appends Escape(std::string(data, size)) to *out without temporaries.
  static void AppendEscaped(std::string* out, const char* data, std::size_t size);

  // Appends text with "&" written as "&amp;" and "<" as "&lt;", nothing else changed: the escaping
  // of text nodes.
  static void AppendEscapedText(std::string* out, const char* data, std::size_t size);

  // Replaces every occurrence of pattern in *s, scanning left to right and resuming right after
  // each inserted replacement (inserted text is never scanned again). Returns the number of
  // replacements. An empty pattern replaces nothing.
  static int ReplaceAll(std::string& s, const char* pattern, const std::string& replacement);

  // Replaces the first occurrence of pattern in s. Returns its position, or -1 when there is none.
  static int ReplaceString(std::string& s, const char* pattern, const std::string& replacement);

  // Returns the decimal text of value (printf "%d").
  static std::string toString(int value);

  // Returns n tab characters; empty for n <= 0.
  static std::string GetTabs(int n);

 private:
  // Searches pattern in s from *pos on. When found at p, sets pos to p, replaces that occurrence
  // and returns p; otherwise returns -1. Returns -1 at once when pos is negative or beyond the end
  // of s, or when pattern is empty.
  static int ReplaceAtPos(std::string& s, const char* pattern, const std::string& replacement,
                          int& pos);
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XMLUTIL_H_
