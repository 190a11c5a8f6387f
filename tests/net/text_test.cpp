#include "net/text.h"

#include <gtest/gtest.h>

namespace net {
namespace {

// GBK bytes of a few characters used below: 中 D6 D0, 文 CE C4, 全角空格 A1 A1, and a character
// whose trail byte is the ASCII letter 'a' (B0 61 is not valid GBK, but 0x81 0x61 is).
const Text kZhong = "\xD6\xD0";
const Text kTrailA = "\x81\x61";

struct FindCase {
  const char* what_it_proves;
  Text text;
  Text what;
  int start;
  bool ignore_case;
  int expected;
};

TEST(FindText, Cases) {
  const FindCase cases[] = {
      {"first match, 1-based", "abcabc", "bc", 1, false, 2},
      {"absent gives -1", "abc", "x", 1, false, -1},
      {"start skips earlier matches", "abcabc", "bc", 3, false, 5},
      {"start below 1 counts as 1", "abc", "a", -4, false, 1},
      {"start beyond the end", "abc", "a", 9, false, -1},
      {"case counts by default", "ABC", "b", 1, false, -1},
      {"ascii letters fold when asked", "ABC", "b", 1, true, 2},
      {"no match on a trail byte", kTrailA + "a", "a", 1, false, 3},
      {"no match starting inside a character", kZhong + "\xD0", "\xD0", 1, false, 3},
      {"double-byte needle found whole", "x" + kZhong, kZhong, 1, false, 2},
      {"empty needle found at start", "abc", "", 2, false, 2},
      {"empty needle in empty text", "", "", 1, false, -1},
      {"needle longer than the text", "ab", "abc", 1, false, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(find_text(c.text, c.what, c.start, c.ignore_case), c.expected) << c.what_it_proves;
  }
}

TEST(Trim, RemovesAsciiAndFullWidthSpacesOnly) {
  EXPECT_EQ(trim("  a b  "), "a b");
  EXPECT_EQ(trim("\xA1\xA1 x\xA1\xA1"), "x");
  EXPECT_EQ(trim("\ta\r\n"), "\ta\r\n");
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(trim(""), "");
  // B0 A1 is one character whose trail byte is A1: the A1 A1 after it is a real space.
  EXPECT_EQ(trim("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
}

TEST(Split, PieceRules) {
  using V = std::vector<Text>;
  EXPECT_EQ(split("", ";"), V{});
  EXPECT_EQ(split("a;b", ";"), (V{"a", "b"}));
  EXPECT_EQ(split("a;;b", ";"), (V{"a", "", "b"}));
  EXPECT_EQ(split(";a", ";"), (V{"", "a"}));
  EXPECT_EQ(split("a;", ";"), (V{"a"}));
  EXPECT_EQ(split("a;;", ";"), (V{"a", ""}));
  EXPECT_EQ(split("a\r\nb\r\n", "\r\n"), (V{"a", "b"}));
  EXPECT_EQ(split("a;b", ""), (V{"a;b"}));
  EXPECT_EQ(split(kTrailA + ";x", "a;"), (V{kTrailA + ";x"}));  // "a" there is a trail byte
}

struct ReplaceCase {
  const char* what_it_proves;
  Text text;
  Text find;
  Text replacement;
  ReplaceOptions options;
  Text expected;
};

TEST(ReplaceText, Cases) {
  const ReplaceCase cases[] = {
      {"every occurrence", "a#b#c", "#", "--", {}, "a--b--c"},
      {"replacement not searched again", "aa", "a", "aa", {}, "aaaa"},
      {"no overlap", "aaa", "aa", "x", {}, "xa"},
      {"limit counts", "a#b#c", "#", "", {.limit = 1}, "ab#c"},
      {"limit zero replaces nothing", "a#b", "#", "", {.limit = 0}, "a#b"},
      {"start keeps the head", "#mp4#mp4", "#mp4", "", {.start = 3}, "#mp4"},
      {"start beyond the end", "abc", "a", "", {.start = 4}, "abc"},
      {"case folding", "#MP4x#mp4", "#mp4", "", {.ignore_case = true}, "x"},
      {"empty find changes nothing", "abc", "", "x", {}, "abc"},
      {"no match across a character border", kTrailA + "a", "aa", "", {}, kTrailA + "a"},
      {"lead byte at the very end", "a\xD6", "a", "b", {}, "b\xD6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(replace_text(c.text, c.find, c.replacement, c.options), c.expected) << c.what_it_proves;
  }
}

TEST(BytesAndText, TextEndsAtZeroByte) {
  EXPECT_EQ(to_text(Bytes{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(to_bytes("ab"), (Bytes{'a', 'b'}));
}

}  // namespace
}  // namespace net
