#include "net/encode.h"

#include <gtest/gtest.h>

#include "net/codepage.h"

namespace net {
namespace {

struct UrlCase {
  const char* what_it_proves;
  Text text;
  UrlEncodeOptions options;
  Text expected;
};

TEST(UrlEncode, Cases) {
  const UrlCase cases[] = {
      {"safe set kept, space never '+'", "a b/c-d.e_f", {.keep_safe = true}, "a%20b%2Fc-d.e%5Ff"},
      {"GBK bytes encoded", "\xD6\xD0", {.keep_safe = true}, "%D6%D0"},  // 中
      {"UTF-8 form when asked", "\xD6\xD0", {.keep_safe = true, .as_utf8 = true}, "%E4%B8%AD"},
      {"without keep_safe letters and digits too", "A1", {}, "%41%31"},
      {"leading zero below 0x10", "\n", {.keep_safe = true}, "%0A"},
      {"bytes just outside the safe ranges", ",/:@[`{", {.keep_safe = true}, "%2C%2F%3A%40%5B%60%7B"},
      {"range ends kept", "09AZaz", {.keep_safe = true}, "09AZaz"},
      {"tilde, plus and star encoded", "~+*", {.keep_safe = true}, "%7E%2B%2A"},
      {"high byte in upper-case hex", "\xFF", {.keep_safe = true}, "%FF"},
      {"empty text", "", {.keep_safe = true}, ""},
      {"share link as the parse request sends it",
       "https://v.test/s/Ab9?x=1&y=2",
       {.keep_safe = true},
       "https%3A%2F%2Fv.test%2Fs%2FAb9%3Fx%3D1%26y%3D2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(url_encode(c.text, c.options), c.expected) << c.what_it_proves;
  }
}

struct Base64Case {
  const char* what_it_proves;
  Bytes data;
  Text expected;
};

TEST(Base64Encode, Cases) {
  const Base64Case cases[] = {
      {"empty", {}, ""},
      {"one byte: two '='", to_bytes("f"), "Zg=="},
      {"two bytes: one '='", to_bytes("fo"), "Zm8="},
      {"three bytes: no '='", to_bytes("foo"), "Zm9v"},
      {"four bytes", to_bytes("foob"), "Zm9vYg=="},
      {"five bytes", to_bytes("fooba"), "Zm9vYmE="},
      {"six bytes", to_bytes("foobar"), "Zm9vYmFy"},
      {"last two alphabet characters", {0xFB, 0xFF, 0xBF}, "+/+/"},
      {"zero bytes", {0, 0, 0, 0}, "AAAAAA=="},
      {"proxy credentials", to_bytes("user:p\xD6\xD0"), "dXNlcjpw1tA="},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(base64_encode(c.data), c.expected) << c.what_it_proves;
    const std::string_view as_text(reinterpret_cast<const char*>(c.data.data()), c.data.size());
    EXPECT_EQ(base64_encode(as_text), c.expected) << c.what_it_proves << " (text overload)";
  }
}

TEST(Base64Encode, LongInputStaysOnOneLine) {
  Text sixty;
  for (int i = 0; i < 10; ++i)
    sixty += "foobar";
  ASSERT_EQ(sixty.size(), 60u);
  Text expected;
  for (int i = 0; i < 10; ++i)
    expected += "Zm9vYmFy";
  const Text encoded = base64_encode(to_bytes(sixty));
  EXPECT_EQ(encoded.size(), 80u);
  EXPECT_EQ(encoded, expected);
  EXPECT_EQ(base64_encode(sixty), expected);
}

struct WideCase {
  const char* what_it_proves;
  Text text;
  int code_page;
  Bytes wide;
};

TEST(TextToWide, Cases) {
  const WideCase cases[] = {
      {"UTF-8 by default code page", "a\xE4\xB8\xAD", 65001, {0x61, 0, 0x2D, 0x4E, 0, 0}},  // a中
      {"GBK", "a\xD6\xD0", 936, {0x61, 0, 0x2D, 0x4E, 0, 0}},
      {"0 is GBK", "a\xD6\xD0", 0, {0x61, 0, 0x2D, 0x4E, 0, 0}},
      {"outside the BMP: a surrogate pair", "\xF0\x9F\x98\x80", 65001, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
      {"empty text: the zero unit alone", "", 65001, {0, 0}},
      {"unknown code page", "a", 1252, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_to_wide(c.text, c.code_page), c.wide) << c.what_it_proves;
  }
  EXPECT_EQ(text_to_wide("a\xE4\xB8\xAD"), text_to_wide("a\xE4\xB8\xAD", 65001)) << "default is UTF-8";
}

TEST(WideToText, Cases) {
  const WideCase cases[] = {
      {"to GBK", "a\xD6\xD0", 936, {0x61, 0, 0x2D, 0x4E, 0, 0}},
      {"0 is GBK", "a\xD6\xD0", 0, {0x61, 0, 0x2D, 0x4E, 0, 0}},
      {"to UTF-8", "a\xE4\xB8\xAD", 65001, {0x61, 0, 0x2D, 0x4E, 0, 0}},
      {"ends at the first zero unit", "a", 0, {0x61, 0, 0, 0, 0x62, 0}},
      {"no zero unit: up to the end", "ab", 0, {0x61, 0, 0x62, 0}},
      {"odd last byte ignored", "a", 0, {0x61, 0, 0x62}},
      {"surrogate pair to UTF-8", "\xF0\x9F\x98\x80", 65001, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
      {"outside GBK becomes '?'", "?", 936, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
      {"unpaired surrogate replaced", "\xEF\xBF\xBDx", 65001, {0x3D, 0xD8, 0x78, 0, 0, 0}},
      {"empty", "", 0, {}},
      {"unknown code page", "", 1252, {0x61, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wide_to_text(c.wide, c.code_page), c.text) << c.what_it_proves;
  }
}

TEST(WideConversions, GbkToUtf8ThroughUtf16MatchesTheDirectOne) {
  const Text gbk =
      "\xCA\xD3\xC6\xB5\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6 ok";  // 视频已经下载成功 ok
  EXPECT_EQ(wide_to_text(text_to_wide(gbk, 936), 65001), gbk_to_utf8(gbk));
  EXPECT_EQ(wide_to_text(text_to_wide(gbk, 936), 936), gbk);
}

}  // namespace
}  // namespace net
