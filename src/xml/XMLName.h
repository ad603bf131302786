// Names that documents repeat many times (element and attribute names, fixed attribute values),
// each held once for the whole process.
#ifndef CARMASEQ_XML_XMLNAME_H_
#define CARMASEQ_XML_XMLNAME_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/Visibility.h"

namespace QxXML_940 {

// A handle to a text interned in a process-wide table: equal texts get equal handles, and the
// text lives until the process ends. Making a handle takes a lock and a hash look-up, so callers
// that name many nodes make their handles once (e.g. as constants) and reuse them; reading the
// text of a handle takes no lock. Copyable. Thread-safe.
class CARMASEQ_EXPORT XMLName {
 public:
  // The most texts the table holds; interning one more throws std::length_error.
  static constexpr std::uint32_t kMaxNames = 1u << 24;

  // Interns text (any bytes). Throws std::length_error when the table is full.
  explicit XMLName(std::string_view text);

  // REQUIRES: id was returned by id() of a handle.
  static XMLName FromId(std::uint32_t id) { return XMLName(id); }

  std::uint32_t id() const { return id_; }
  const std::string& text() const;

  friend bool operator==(XMLName a, XMLName b) { return a.id_ == b.id_; }
  friend bool operator!=(XMLName a, XMLName b) { return a.id_ != b.id_; }

 private:
  explicit XMLName(std::uint32_t id) : id_(id) {}

  std::uint32_t id_;
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XMLNAME_H_
