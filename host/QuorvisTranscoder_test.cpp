#include "QuorvisTranscoder.h"

#include <gtest/gtest.h>

#include <string>

#include "host_testutil.h"

namespace QxQuorvis_940 {
namespace {

class QuorvisTranscoderTest : public XercesTest {};

TEST_F(QuorvisTranscoderTest, KeepsEveryCharacterOrReplacesIt) {
  const QuorvisTranscoder utf8("UTF-8");
  EXPECT_EQ("UTF-8", utf8.GetEncoding());
  EXPECT_EQ("beer", utf8.transcodeTo(u"beer"));
  EXPECT_EQ("caf\xC3\xA9", utf8.transcodeTo(u"caf\u00E9"));
  EXPECT_EQ("\xE2\x82\xAC", utf8.transcodeTo(u"\u20AC"));
  EXPECT_EQ("\xF0\x9F\x8D\xBA", utf8.transcodeTo(u"\U0001F37A"));  // A surrogate pair.
  EXPECT_EQ("", utf8.transcodeTo(nullptr));
  const QuorvisTranscoder latin("ISO-8859-1");
  EXPECT_EQ("caf\xE9", latin.transcodeTo(u"caf\u00E9"));
  // A character outside Latin-1 becomes a replacement, not an error or a lost tail.
  const std::string euro = latin.transcodeTo(u"a\u20ACb");
  EXPECT_TRUE(euro.size() == 3 && euro[0] == 'a' && euro[2] == 'b') << euro;
  for (const char* name : {"", "no-such-encoding"}) {
    const QuorvisTranscoder fallback(name);
    EXPECT_EQ("UTF-8", fallback.GetEncoding()) << name;
    EXPECT_EQ("caf\xC3\xA9", fallback.transcodeTo(u"caf\u00E9")) << name;
  }
}

}  // namespace
}  // namespace QxQuorvis_940
