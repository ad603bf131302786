// Writing XML trees and text to byte streams, optionally transcoded to UTF-8.
#ifndef CARMASEQ_XML_XMLWRITER_H_
#define CARMASEQ_XML_XMLWRITER_H_

#include <cstddef>
#include <iosfwd>
#include <string>

#include "foundation/Visibility.h"

namespace QxXML_940 {

class XMLDocType;
class XMLElement;

// Writes a document: the DOCTYPE block when docType is given (it carries the XML declaration),
// otherwise the XML declaration and a line feed; then the tree under root, laid out with a fresh
// ExportFormat whose format is the given flag (no indentation). With format false the elements
// follow on one line. There is no final line feed. Bytes are written unchanged. Stream errors are
// not examined. Returns 0. The caller keeps ownership of docType and root.
CARMASEQ_EXPORT int WriteTree(std::ostream& os, const XMLDocType* docType, const XMLElement* root,
                              bool format);

// As WriteTree, but every piece goes through WriteUTF.
CARMASEQ_EXPORT int WriteTreeUTF8(std::ostream& os, const XMLDocType* docType,
                                  const XMLElement* root, bool format);

// Writes text converted from the narrow code page of the current C locale (LC_CTYPE, as named by
// nl_langinfo(CODESET)) to UTF-8. Returns 0.
//  - When that code page is UTF-8 or plain ASCII ("ANSI_X3.4-1968", "ASCII", "US-ASCII") the bytes
//    are written unchanged, without validation: invalid UTF-8 and bytes above 0x7F pass through.
//  - Otherwise the text is converted with iconv. Each byte that is invalid in the code page, or
//    that starts a multibyte character cut off by the end of the text, is written as U+FFFD
//    (EF BF BD) and conversion resumes at the next byte.
//  - When the platform cannot convert from that code page, the bytes are written unchanged.
CARMASEQ_EXPORT int WriteUTF(std::ostream& os, const std::string& text);
CARMASEQ_EXPORT int WriteUTF(std::ostream& os, const char* data, std::size_t size);

// As WriteUTF, with the source code page named by codeset (an iconv name such as "ISO-8859-1")
// instead of the current locale's. REQUIRES: codeset != nullptr.
CARMASEQ_EXPORT int WriteUTFFrom(std::ostream& os, const char* data, std::size_t size,
                                 const char* codeset);

// Writes the bytes of text unchanged. Returns 0.
CARMASEQ_EXPORT int Write(std::ostream& os, const std::string& text);

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XMLWRITER_H_
