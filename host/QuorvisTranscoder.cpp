#include "QuorvisTranscoder.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>

namespace QxQuorvis_940 {

namespace {

constexpr char kDefaultEncoding[] = "UTF-8";
constexpr XMLSize_t kBlockSize = 4096;

xercesc::XMLTranscoder* MakeTranscoder(const std::string& encoding) {
  xercesc::XMLTransService::Codes code;
  return xercesc::XMLPlatformUtils::fgTransService->makeNewTranscoderFor(encoding.c_str(), code,
                                                                         kBlockSize);
}

}  // namespace

QuorvisTranscoder::QuorvisTranscoder(const std::string& encoding) : encoding_(encoding) {
  if (!encoding_.empty()) transcoder_.reset(MakeTranscoder(encoding_));
  if (transcoder_ == nullptr) {
    encoding_ = kDefaultEncoding;
    transcoder_.reset(MakeTranscoder(encoding_));
  }
}

QuorvisTranscoder::~QuorvisTranscoder() = default;

std::string QuorvisTranscoder::transcodeTo(const XMLCh* text) const {
  std::string result;
  if (text == nullptr) return result;
  // Convert block by block, asking for replacement characters where TranscodeToStr would throw.
  XMLSize_t remaining = xercesc::XMLString::stringLen(text);
  XMLByte block[kBlockSize];
  while (remaining > 0) {
    XMLSize_t eaten = 0;
    const XMLSize_t produced = transcoder_->transcodeTo(text, remaining, block, kBlockSize, eaten,
                                                        xercesc::XMLTranscoder::UnRep_RepChar);
    result.append(reinterpret_cast<const char*>(block), produced);
    if (eaten == 0) break;  // No progress: never loop forever on a transcoder's refusal.
    text += eaten;
    remaining -= eaten;
  }
  return result;
}

}  // namespace QxQuorvis_940
