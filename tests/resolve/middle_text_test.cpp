#include "resolve/middle_text.h"

#include <gtest/gtest.h>

namespace resolve {
namespace {

TEST(MiddleText, Cases) {
  struct Case {
    const char* what_it_proves;
    const char* text;
    const char* front;
    const char* back;
    const char* expected;
  };
  const Case cases[] = {
      {"up to the first back marker", "http://a/v.mp4?x=1?y", "", "?", "http://a/v.mp4"},
      {"back marker absent", "http://a/v.mp4", "", "?", ""},
      {"after the front marker", "key=value", "=", "", "value"},
      {"front marker absent", "key", "=", "", ""},
      {"both markers", "a[1]b[2]", "[", "]", "1"},
      {"back only before front", "]a[", "[", "]", ""},
      {"no markers gives the whole text", "abc", "", "", "abc"},
      {"empty text", "", "", "", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(middle_text(c.text, c.front, c.back), c.expected) << c.what_it_proves;
}

}  // namespace
}  // namespace resolve
