// Fixed-width little-endian values on byte streams, written and read byte by byte so that saved
// files are the same on every host byte order. Header-only; used by the binary persistence.
#ifndef CARMASEQ_PERSIST_LITTLEENDIAN_H_
#define CARMASEQ_PERSIST_LITTLEENDIAN_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>

namespace SEQUENCE_NAMESPACE_800 {
namespace little_endian {

// Writes the low `width` bytes of bits, least significant first.
inline void PutBits(std::ostream& os, std::uint64_t bits, int width) {
  for (int i = 0; i < width; ++i) os.put(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

inline void PutInt32(std::ostream& os, std::int32_t value) {
  PutBits(os, static_cast<std::uint32_t>(value), 4);
}

// IEEE 754 doubles share the integers' byte order on every supported host, so the bit pattern
// is written as a 64-bit integer.
inline void PutDouble(std::ostream& os, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  PutBits(os, bits, 8);
}

// Writes exactly `length` bytes of tag (a length one past the letters includes the zero byte).
inline void PutTag(std::ostream& os, const char* tag, std::size_t length) {
  os.write(tag, static_cast<std::streamsize>(length));
}

// Reads `width` bytes into *bits. Returns true iff all of them were read.
inline bool GetBits(std::istream& is, std::uint64_t* bits, int width) {
  unsigned char bytes[8];
  if (!is.read(reinterpret_cast<char*>(bytes), width)) return false;
  std::uint64_t result = 0;
  for (int i = width - 1; i >= 0; --i) result = (result << 8) | bytes[i];
  *bits = result;
  return true;
}

// Returns true iff four bytes were read; *value is left alone otherwise.
inline bool GetInt32(std::istream& is, std::int32_t* value) {
  std::uint64_t bits;
  if (!GetBits(is, &bits, 4)) return false;
  // Two's complement reinterpretation without relying on implementation-defined conversion.
  std::uint32_t u = static_cast<std::uint32_t>(bits);
  std::memcpy(value, &u, sizeof u);
  return true;
}

// Returns true iff eight bytes were read; *value is left alone otherwise.
inline bool GetDouble(std::istream& is, double* value) {
  std::uint64_t bits;
  if (!GetBits(is, &bits, 8)) return false;
  std::memcpy(value, &bits, sizeof bits);
  return true;
}

// Returns true iff `length` bytes were read and equal tag's first `length` bytes.
inline bool GetTag(std::istream& is, const char* tag, std::size_t length) {
  char bytes[8];
  if (length > sizeof bytes) return false;
  if (!is.read(bytes, static_cast<std::streamsize>(length))) return false;
  return std::memcmp(bytes, tag, length) == 0;
}

}  // namespace little_endian
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_PERSIST_LITTLEENDIAN_H_
