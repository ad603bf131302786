// Test helpers for the host library: Xerces set-up and documents parsed from text.
#ifndef CARMASEQ_HOST_HOST_TESTUTIL_H_
#define CARMASEQ_HOST_HOST_TESTUTIL_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

namespace QxQuorvis_940 {

// Initialises Xerces around each test suite; Parse keeps the parser, and so the document, until
// the test ends.
class XercesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
  static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

  // The document parsed from `xml`, or null when it is not well-formed.
  xercesc::DOMDocument* Parse(const std::string& xml) {
    parser_ = std::make_unique<xercesc::XercesDOMParser>();
    parser_->setErrorHandler(nullptr);
    const xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml.data()),
                                            xml.size(), "test");
    parser_->parse(source);
    if (parser_->getErrorCount() != 0) return nullptr;
    return parser_->getDocument();
  }

 private:
  std::unique_ptr<xercesc::XercesDOMParser> parser_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_HOST_TESTUTIL_H_
