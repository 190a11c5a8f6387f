#include "resolve/signing.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>

#include "net/codepage.h"

namespace resolve {
namespace {

// zlib's CRC-32 of the UTF-8 bytes of link + "@" + r, as unsigned decimal.
std::string zlib_signature(std::string_view link, std::string_view r) {
  const std::string utf8 = net::gbk_to_utf8(std::string(link) + "@" + std::string(r));
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(utf8.data()), static_cast<uInt>(utf8.size()));
  return std::to_string(crc);
}

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST(MakeNonce, GivesRandomDigits) {
  script::ScriptHost first;
  script::ScriptHost second;
  const net::Text r1 = make_nonce(first);
  const net::Text r2 = make_nonce(second);
  EXPECT_TRUE(all_digits(r1)) << r1;
  EXPECT_TRUE(all_digits(r2)) << r2;
  EXPECT_NE(r1, r2);
}

struct SignatureCase {
  const char* what_it_proves = "";
  net::Text link{};
};

TEST(MakeSignature, IsZlibCrc32OfTheUtf8Text) {
  const SignatureCase cases[] = {
      {"an ASCII link", "https://v.douyin.com/iRNBho6u/"},
      {"a Chinese link", "https://v.douyin.com/x/ \xB8\xB4\xD6\xC6\xB4\xCB\xC1\xB4\xBD\xD3"},  // 复制此链接
      {"the empty link signs \"@\" + r", ""},
      {"a single quote", "https://a.example/it's"},
      {"a backslash", "https://a.example/back\\slash\\"},
      {"a line break", "https://a.example/one\ntwo"},
      {"CR LF and a tab", "first\r\nsecond\tthird"},
      {"a quote that would close a script literal", "x'); throw 1; ('"},
      {"two-byte UTF-8 characters", "caf\xA8\xA6"},  // café (é is A8 A6 in GBK)
      {"a full-width space", "\xA1\xA1link"},
  };
  for (const auto& c : cases) {
    script::ScriptHost host;
    const net::Text s = make_signature(host, c.link, "8612357194");
    EXPECT_EQ(s, zlib_signature(c.link, "8612357194")) << c.what_it_proves;
    EXPECT_TRUE(host.ErrorText().empty()) << c.what_it_proves;
  }
}

TEST(MakeSignature, CoversTheNonceFromTheOtherHost) {
  script::ScriptHost nonce_host;
  script::ScriptHost signature_host;
  const net::Text r = make_nonce(nonce_host);
  const net::Text link = "https://www.iesdouyin.com/share/video/7012345678901234567/";
  EXPECT_EQ(make_signature(signature_host, link, r), zlib_signature(link, r));
}

TEST(MakeSignature, LargeCrcValuesStayUnsigned) {
  // Search a few r values for one whose CRC has the top bit set, so the sign handling is tested.
  script::ScriptHost host;
  int checked = 0;
  for (int i = 0; i < 50 && checked == 0; ++i) {
    const std::string r = std::to_string(1000 + i);
    const std::string expected = zlib_signature("x", r);
    if (std::stoul(expected) >= 0x80000000UL) {
      EXPECT_EQ(make_signature(host, "x", r), expected);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 1);
}

TEST(MakeSignature, FailsEmptyWithoutAnEngine) {
  script::ScriptHost host("No.Such.Component");
  EXPECT_EQ(make_signature(host, "https://v.douyin.com/x", "1"), "");
  EXPECT_EQ(make_nonce(host), "");
}

struct BodyCase {
  const char* what_it_proves = "";
  net::Text link{};
  net::Text r{};
  net::Text s{};
  net::Text expected{};
};

TEST(BuildFormBody, Cases) {
  const BodyCase cases[] = {
      {"Chinese characters go as percent-encoded GBK bytes",
       "https://v.douyin.com/a_b/ \xD6\xD0\xCE\xC4",  // 中文
       "0123", "3735928559", "link=https%3A%2F%2Fv.douyin.com%2Fa%5Fb%2F%20%D6%D0%CE%C4&r=0123&s=3735928559"},
      {"letters, digits, - and . stay", "Az09-.~", "1", "2", "link=Az09-.%7E&r=1&s=2"},
      {"empty values still make every field", "", "", "", "link=&r=&s="},
      {"r and s go in unchanged", "x", "12 3", "a&b", "link=x&r=12 3&s=a&b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(build_form_body(c.link, c.r, c.s), c.expected) << c.what_it_proves;
  }
}

}  // namespace
}  // namespace resolve
