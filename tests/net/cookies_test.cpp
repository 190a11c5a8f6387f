#include "net/cookies.h"

#include <gtest/gtest.h>

namespace net {
namespace {

// 0x81 0x61 is one GBK character whose trail byte is the ASCII letter 'a'.
const Text kTrailA = "\x81\x61";
const Text kQuoteWord = "#\xD2\xFD\xBA\xC5";  // #引号
const Text kFullWidthSpace = "\xA1\xA1";

struct HeaderCase {
  const char* what_it_proves;
  Text line;
  Text name;
  Text value;
};

TEST(HeaderLine, NameAndValue) {
  const HeaderCase cases[] = {
      {"value keeps its own colons", "Referer: http://example.test:8080/a", "Referer",
       "http://example.test:8080/a"},
      {"no colon gives two empty texts", "Referer example.test", "", ""},
      {"a colon alone gives two empty texts", ":", "", ""},
      {"both sides trimmed of spaces", "  Name  :   v  ", "Name", "v"},
      {"full-width spaces trimmed too",
       kFullWidthSpace + "X-A" + kFullWidthSpace + ":" + kFullWidthSpace + "v", "X-A", "v"},
      {"tabs and line ends stay", "A:\tv\r\n", "A", "\tv\r\n"},
      {"empty value", "Empty:", "Empty", ""},
      {"empty name", ": v", "", "v"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(header_name(c.line), c.name) << c.what_it_proves;
    EXPECT_EQ(header_value(c.line), c.value) << c.what_it_proves;
  }
}

struct BetweenCase {
  const char* what_it_proves;
  Text text;
  Text front;
  Text back;
  int start;
  bool ignore_case;
  Text expected;
};

TEST(TextBetween, Cases) {
  const BetweenCase cases[] = {
      {"leading space stays", "Set-Cookie: a=b; path=/", "Set-Cookie:", ";", 1, false, " a=b"},
      {"quote word in both markers", "key=\"v\" x", "key=" + kQuoteWord, kQuoteWord, 1, false, "v"},
      {"quote word only in markers, not in the text", "say " + kQuoteWord + "hi;", kQuoteWord, ";", 1, false,
       ""},
      {"back marker only before the front one", "b;front x", "front", ";", 1, false, ""},
      {"front marker missing", "abc;", "x", ";", 1, false, ""},
      {"back marker directly after the front one", "[]", "[", "]", 1, false, ""},
      {"first front and the first back after it", "[a][b]", "[", "]", 1, false, "a"},
      {"start skips an earlier front marker", "[a][b]", "[", "]", 4, false, "b"},
      {"start below 1 counts as 1", "[a][b]", "[", "]", -3, false, "a"},
      {"start beyond the end finds nothing", "[a]", "[", "]", 4, false, ""},
      {"case counts by default", "SET-COOKIE: x;", "set-cookie:", ";", 1, false, ""},
      {"ignore case folds the front marker", "SET-COOKIE: x;", "set-cookie:", ";", 1, true, " x"},
      {"ignore case folds the back marker", "<a>x</A>", "<a>", "</a>", 1, true, "x"},
      {"empty front counts as found at position 1", "abc;d", "", ";", 1, false, "abc"},
      {"empty front ignores the start position", "abc;d;e", "", ";", 5, false, "abc"},
      {"empty front beyond the end finds nothing", "abc;", "", ";", 9, false, ""},
      {"empty back gives empty text", "abc", "a", "", 1, false, ""},
      {"front marker never starts on a trail byte", kTrailA + "=1;", "a=", ";", 1, false, ""},
      {"double-byte text between the markers", "[\xD6\xD0\xCE\xC4]", "[", "]", 1, false, "\xD6\xD0\xCE\xC4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_between(c.text, c.front, c.back, c.start, c.ignore_case), c.expected) << c.what_it_proves;
  }
}

TEST(TextBetween, DefaultsAreStartOneAndCaseSensitive) {
  EXPECT_EQ(text_between("[a][b]", "[", "]"), "a");
  EXPECT_EQ(text_between("<A>x</A>", "<a>", "</A>"), "");
}

struct MergeCase {
  const char* what_it_proves;
  Text old_list;
  Text new_list;
  Text expected;
};

TEST(MergeCookies, Cases) {
  const MergeCase cases[] = {
      {"new cookie wins, other old ones follow", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"deleted cookie goes with its old value", "sid=1; u=2", "sid=deleted", "u=2"},
      {"empty new list keeps the old one", "a=1; b=2", "", "a=1; b=2"},
      {"empty old list gives the new one", "", "x=1; y=2", "x=1; y=2"},
      {"exact duplicates collapse", "a=1", "k=v; k=v", "k=v; a=1"},
      {"two new items of one name both stay", "a=1; b=2", "a=5; a=6", "a=5; a=6; b=2"},
      {"old deleted item dropped unasked", "a=deleted; b=2", "", "b=2"},
      {"empty item stays", "a=1;;b=2", "", "a=1; ; b=2"},
      {"two empty lists", "", "", ""},
      {"first of several old items of one name", "a=1; a=2; b=3", "", "a=1; b=3"},
      {"items trimmed, any spacing after ';'", "  a=1;b=2  ", " c=3 ;d=4", "c=3; d=4; a=1; b=2"},
      {"names compare case-sensitively", "A=1", "a=2", "a=2; A=1"},
      {"names compare trimmed", "a = 1", "a=2", "a=2"},
      {"=deleted is byte-exact", "a=DELETED", "b=undeleted", "b=undeleted; a=DELETED"},
      {"item without '=' is named by itself", "flag; a=1", "flag", "flag; a=1"},
      {"full-width spaces trimmed", kFullWidthSpace + "a=1" + kFullWidthSpace, "", "a=1"},
      {"lists of blanks only", "   ", kFullWidthSpace, ""},
  };
  for (const auto& c : cases) {
    Text old_list = c.old_list;
    Text new_list = c.new_list;
    const Text merged = merge_cookies(old_list, new_list);
    EXPECT_EQ(merged, c.expected) << c.what_it_proves;
    EXPECT_EQ(old_list, c.expected) << c.what_it_proves << ": old list holds the result";
    EXPECT_EQ(new_list, trim(c.new_list)) << c.what_it_proves << ": new list only trimmed";
  }
}

TEST(CookieName, Cases) {
  EXPECT_EQ(cookie_name(" sid = 1 "), "sid");
  EXPECT_EQ(cookie_name("a=b=c"), "a");
  EXPECT_EQ(cookie_name(" flag "), "flag");
  EXPECT_EQ(cookie_name("=v"), "");
  EXPECT_EQ(cookie_name(""), "");
}

TEST(HasCookieNamed, ComparesNamesExactly) {
  const std::vector<Text> items = {"a=1", " b =2", "flag"};
  EXPECT_TRUE(has_cookie_named(items, "a"));
  EXPECT_TRUE(has_cookie_named(items, "b"));
  EXPECT_TRUE(has_cookie_named(items, "flag"));
  EXPECT_FALSE(has_cookie_named(items, "B"));
  EXPECT_FALSE(has_cookie_named(items, "a=1"));
  EXPECT_FALSE(has_cookie_named({}, ""));
}

struct UniqueCase {
  const char* what_it_proves;
  Text text;
  Text separator;
  Text expected;
};

TEST(UniqueItems, Cases) {
  const UniqueCase cases[] = {
      {"later duplicates go, order kept", "b; a; b; a; c", "; ", "b; a; c"},
      {"empty text", "", "; ", ""},
      {"empty piece kept once", "a,,a,,", ",", "a,"},
      {"trailing separator dropped", "a;b;", ";", "a;b"},
      {"duplicates are exact, case counts", "a;A;a", ";", "a;A"},
      {"empty separator keeps the whole text", "aa", "", "aa"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(unique_items(c.text, c.separator), c.expected) << c.what_it_proves;
  }
}

TEST(FindItem, FirstExactEntry) {
  const std::vector<Text> list = {"a", "b", "a", ""};
  EXPECT_EQ(find_item(list, "a"), 1);
  EXPECT_EQ(find_item(list, "b"), 2);
  EXPECT_EQ(find_item(list, ""), 4);
  EXPECT_EQ(find_item(list, "A"), -1);
  EXPECT_EQ(find_item(list, "a "), -1);
  EXPECT_EQ(find_item({}, "a"), -1);
}

}  // namespace
}  // namespace net
