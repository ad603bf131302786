#include "xml/XMLWriter.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <cerrno>
#include <ostream>

#include "xml/ExportFormat.h"
#include "xml/XMLNodes.h"
#include "xml/XMLUtil.h"

namespace QxXML_940 {

namespace {

constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Code pages whose bytes are written as they are.
bool IsIdentityCodeset(const char* codeset) {
  static const char* const kIdentity[] = {"UTF-8",    "UTF8", "ANSI_X3.4-1968", "ASCII",
                                          "US-ASCII", "C",    "POSIX"};
  for (const char* name : kIdentity) {
    if (strcasecmp(codeset, name) == 0) return true;
  }
  return false;
}

// The last converter opened on this thread, kept because opening one costs far more than a
// conversion of a short piece. Reopened when the source code page changes.
class ConverterCache {
 public:
  ConverterCache() = default;
  ConverterCache(const ConverterCache&) = delete;
  ConverterCache& operator=(const ConverterCache&) = delete;
  ~ConverterCache() { Close(); }

  // Returns the converter from codeset to UTF-8 in its initial state, or kNoConverter.
  iconv_t Get(const char* codeset) {
    if (!open_ || codeset_ != codeset) {
      Close();
      codeset_ = codeset;
      cd_ = iconv_open("UTF-8", codeset);
      open_ = true;
    } else if (cd_ != kNoConverter) {
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return cd_;
  }

 private:
  void Close() {
    if (open_ && cd_ != kNoConverter) iconv_close(cd_);
    open_ = false;
    cd_ = kNoConverter;
  }

  bool open_ = false;
  std::string codeset_;
  iconv_t cd_ = kNoConverter;
};

// Converts data[0..size) with cd, writing the output in chunks. iconv never reads beyond the
// bytes it is given; an invalid or truncated sequence is replaced byte by byte.
void Convert(std::ostream& os, iconv_t cd, const char* data, std::size_t size) {
  char buffer[4096];
  char* in = const_cast<char*>(data);  // iconv's signature; the input is not modified.
  std::size_t inLeft = size;
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof(buffer);
    const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    os.write(buffer, out - buffer);
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) {
      os.write(in, static_cast<std::streamsize>(inLeft));  // Cannot happen with a valid cd.
      return;
    }
    os.write(kReplacementCharacter, sizeof(kReplacementCharacter) - 1);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* out = buffer;
  std::size_t outLeft = sizeof(buffer);
  iconv(cd, nullptr, nullptr, &out,
        &outLeft);  // Returns a stateful code page to its initial state.
  os.write(buffer, out - buffer);
}

template <typename Writer>
int WriteDocument(std::ostream& os, const XMLDocType* docType, const XMLElement* root, bool format,
                  bool utf8, Writer write) {
  ExportFormat fmt;
  fmt.format = format;
  if (docType != nullptr) {
    docType->ToStream(os, fmt, utf8);
  } else {
    write(os, XMLUtil::FIRST_LINE, sizeof(XMLUtil::FIRST_LINE) - 1);
    write(os, XMLUtil::ROWSEP, 1);
  }
  if (root != nullptr) root->ToStream(os, fmt, utf8);
  return 0;
}

void WriteBytes(std::ostream& os, const char* data, std::size_t size) {
  os.write(data, static_cast<std::streamsize>(size));
}

}  // namespace

int WriteUTFFrom(std::ostream& os, const char* data, std::size_t size, const char* codeset) {
  if (size == 0) return 0;
  if (IsIdentityCodeset(codeset)) {
    WriteBytes(os, data, size);
    return 0;
  }
  thread_local ConverterCache cache;
  const iconv_t cd = cache.Get(codeset);
  if (cd == kNoConverter) {
    WriteBytes(os, data, size);
  } else {
    Convert(os, cd, data, size);
  }
  return 0;
}

int WriteUTF(std::ostream& os, const char* data, std::size_t size) {
  return WriteUTFFrom(os, data, size, nl_langinfo(CODESET));
}

int WriteUTF(std::ostream& os, const std::string& text) {
  return WriteUTF(os, text.data(), text.size());
}

int Write(std::ostream& os, const std::string& text) {
  WriteBytes(os, text.data(), text.size());
  return 0;
}

int WriteTree(std::ostream& os, const XMLDocType* docType, const XMLElement* root, bool format) {
  return WriteDocument(os, docType, root, format, false, WriteBytes);
}

int WriteTreeUTF8(std::ostream& os, const XMLDocType* docType, const XMLElement* root,
                  bool format) {
  return WriteDocument(os, docType, root, format, true,
                       [](std::ostream& o, const char* d, std::size_t n) { WriteUTF(o, d, n); });
}

}  // namespace QxXML_940
