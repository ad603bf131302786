// Conversion of DOM strings to 8-bit text.
#ifndef CARMASEQ_HOST_QUORVISTRANSCODER_H_
#define CARMASEQ_HOST_QUORVISTRANSCODER_H_

#include <memory>
#include <string>
#include <xercesc/util/XercesDefs.hpp>

#include "HostExport.h"

XERCES_CPP_NAMESPACE_BEGIN
class XMLTranscoder;
XERCES_CPP_NAMESPACE_END

namespace QxQuorvis_940 {

// Turns DOM (UTF-16) strings into 8-bit text in one encoding. Characters that the encoding cannot
// represent become its replacement character. Holds a Xerces transcoder, so it must be destroyed
// before XMLPlatformUtils::Terminate. Not thread-safe.
class QUORVISHOST_EXPORT QuorvisTranscoder {
 public:
  // Transcodes to `encoding` (a name Xerces knows, such as "UTF-8" or "ISO-8859-1"); an empty
  // or unknown name gives UTF-8. REQUIRES: XMLPlatformUtils::Initialize has run.
  explicit QuorvisTranscoder(const std::string& encoding);
  ~QuorvisTranscoder();
  QuorvisTranscoder(const QuorvisTranscoder&) = delete;
  QuorvisTranscoder& operator=(const QuorvisTranscoder&) = delete;

  // The encoding actually used.
  const std::string& GetEncoding() const { return encoding_; }

  // Returns `text` in the encoding; an empty string for null. Throws only when memory runs out.
  std::string transcodeTo(const XMLCh* text) const;

 private:
  std::string encoding_;
  std::unique_ptr<xercesc::XMLTranscoder> transcoder_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_QUORVISTRANSCODER_H_
