#include "net/codepage.h"

#include <gtest/gtest.h>

namespace net {
namespace {

TEST(Codepage, GbkAndUtf8RoundTrip) {
  const Text gbk = "a\xD6\xD0\xCE\xC4";                  // a中文
  const std::string utf8 = "a\xE4\xB8\xAD\xE6\x96\x87";  // a中文
  EXPECT_EQ(gbk_to_utf8(gbk), utf8);
  EXPECT_EQ(utf8_to_gbk_text(utf8), gbk);
}

TEST(Codepage, UnmappableAndMalformed) {
  EXPECT_EQ(utf8_to_gbk_text("\xF0\x9F\x98\x80x"), "?x");  // emoji: outside GBK
  EXPECT_EQ(utf8_to_gbk_text("a\xFFz"), "a?z");            // not UTF-8
  EXPECT_EQ(utf8_to_gbk_text("a\xE4\xB8"), "a??");         // cut short
  EXPECT_EQ(utf8_to_gbk_text(std::string("a\0b", 3)), "a");
  EXPECT_EQ(gbk_to_utf8("\x81\x20"), "\xEF\xBF\xBD ");  // bad trail byte keeps the space
}

TEST(Codepage, Utf16) {
  EXPECT_EQ(utf8_to_utf16("a\xE4\xB8\xAD"), u"a\u4E2D");                         // a中
  EXPECT_EQ(utf8_to_utf16("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");                 // surrogate pair
  EXPECT_EQ(utf8_to_utf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));  // zeros kept
  EXPECT_EQ(utf8_to_utf16("a\xFFz\xE4\xB8"), u"a\uFFFDz\uFFFD\uFFFD");           // malformed
  EXPECT_EQ(utf16_to_utf8(u"a\u4E2D"), "a\xE4\xB8\xAD");
  EXPECT_EQ(utf16_to_utf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16_to_utf8(u"\xDE00\xD83Dz"), "\xEF\xBF\xBD\xEF\xBF\xBDz");          // unpaired, swapped
  EXPECT_EQ(utf16_to_utf8(u"\x00FF\x07FF\x0800"), "\xC3\xBF\xDF\xBF\xE0\xA0\x80");  // length borders
}

}  // namespace
}  // namespace net
