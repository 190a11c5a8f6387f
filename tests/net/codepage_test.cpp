#include "net/codepage.h"

#include <gtest/gtest.h>

namespace net {
namespace {

TEST(Codepage, GbkAndUtf8RoundTrip) {
  const Text gbk = "a\xD6\xD0\xCE\xC4";                   // a中文
  const std::string utf8 = "a\xE4\xB8\xAD\xE6\x96\x87";  // a中文
  EXPECT_EQ(gbk_to_utf8(gbk), utf8);
  EXPECT_EQ(utf8_to_gbk_text(utf8), gbk);
}

TEST(Codepage, UnmappableAndMalformed) {
  EXPECT_EQ(utf8_to_gbk_text("\xF0\x9F\x98\x80x"), "?x");  // emoji: outside GBK
  EXPECT_EQ(utf8_to_gbk_text("a\xFF" "b"), "a?b");        // not UTF-8
  EXPECT_EQ(utf8_to_gbk_text("a\xE4\xB8"), "a??");        // cut short
  EXPECT_EQ(utf8_to_gbk_text(std::string("a\0b", 3)), "a");
  EXPECT_EQ(gbk_to_utf8("\x81\x20"), "\xEF\xBF\xBD ");    // bad trail byte keeps the space
}

}  // namespace
}  // namespace net
