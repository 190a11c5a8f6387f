#include "script/json_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/engine.h"

namespace script {
namespace {

using Names = std::vector<net::Text>;

const char kVideoReply[] = R"({"data":{"video":["u1","u2"],"text":"t"}})";

TEST(JsonDocumentNew, HoldsAnEmptyObject) {
  JsonDocument doc;
  EXPECT_EQ(doc.ToJson(), "{}");
  EXPECT_EQ(doc.GetCount(), 0);
  EXPECT_EQ(doc.TypeOf(), JsonType::object);
}

TEST(JsonDocumentSupportScript, EveryObjectHasTheTwoJsonMethods) {
  JsonDocument doc;
  doc.SetRoot("({a:[1]}).toJSONString()", true);
  EXPECT_EQ(doc.ToJson(), R"("{\"a\":[1]}")");
  doc.SetRoot("new String('[2,3]').parseJSON()[1]", true);
  EXPECT_EQ(doc.ToJson(), "3");
  doc.SetRoot("get__count({x:1,y:2,z:3}) + ',' + get__count([1,2]) + ',' + get__count(null)", true);
  EXPECT_EQ(doc.ToJson(), R"("3,2,-2")");
}

TEST(JsonDocumentParse, ReadsAReplyByPath) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(kVideoReply));
  EXPECT_EQ(doc.GetCount("data.video"), 2);
  EXPECT_EQ(doc.GetText("data.video[1]"), "u2");
  EXPECT_EQ(doc.GetText("data.video", true), R"(["u1","u2"])");
  EXPECT_EQ(doc.GetText("data.text"), "t");
}

struct ParseCase {
  const char* what_it_proves = "";
  std::string_view json{};
  bool loaded = false;
  net::Text root_json{};
  JsonType root_type = JsonType::none;
};

TEST(JsonDocumentParse, AnyJsonTextBecomesTheRoot) {
  const ParseCase cases[] = {
      {"an object", R"({"a":1})", true, R"({"a":1})", JsonType::object},
      {"an array", "[1,2]", true, "[1,2]", JsonType::object},  // a root array reads as 4 without a path
      {"a quoted string loads as that string", "\"alert(1)\"", true, "\"alert(1)\"", JsonType::string},
      {"a number", "12.5", true, "12.5", JsonType::number},
      {"false is a value", "false", true, "false", JsonType::boolean},
      {"surrounding white space", " \r\n {\"a\" : [ ] } \t", true, R"({"a":[]})", JsonType::object},
      {"null loads as null", "null", false, "null", JsonType::none},
      {"the empty text is not JSON", "", false, "null", JsonType::none},
      {"a script literal is not JSON", "{a:1}", false, "null", JsonType::none},
      {"single quotes are not JSON", "['x']", false, "null", JsonType::none},
      {"trailing text is not JSON", "{} {}", false, "null", JsonType::none},
      {"code is not JSON", "(function(){return {}})()", false, "null", JsonType::none},
  };
  for (const auto& c : cases) {
    JsonDocument doc;
    EXPECT_EQ(doc.Parse(c.json), c.loaded) << c.what_it_proves;
    EXPECT_EQ(doc.ToJson(), c.root_json) << c.what_it_proves;
    EXPECT_EQ(doc.TypeOf(), c.root_type) << c.what_it_proves;
  }
}

TEST(JsonDocumentParse, NeverRunsTheText) {
  struct Case {
    const char* what_it_proves = "";
    std::string_view json{};
    bool loaded = false;
  };
  const Case cases[] = {
      {"a bare assignment", "ran = 1", false},
      {"an assignment inside an expression", "(ran = 1, {})", false},
      {"an assignment as a member value", R"({"a": (ran = 1)})", false},
      {"a string's content stays a string", R"("ran = 1")", true},
      {"a statement after valid JSON", "[1]; ran = 1", false},
  };
  for (const auto& c : cases) {
    JsonDocument doc;
    EXPECT_EQ(doc.Parse(c.json), c.loaded) << c.what_it_proves;
    doc.SetRoot("typeof ran", true);  // an undeclared global reads as "undefined"
    EXPECT_EQ(doc.ToJson(), R"("undefined")") << c.what_it_proves;
  }
}

TEST(JsonDocumentParse, SecondContentReplacesTheFirst) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"first":1})"));
  doc.SetMember("written", "between");
  doc.SetRoot("var stray = 1", true);
  ASSERT_TRUE(doc.Parse(R"({"second":2})"));
  EXPECT_EQ(doc.ToJson(), R"({"second":2})");
  EXPECT_FALSE(doc.Has("first"));
  EXPECT_FALSE(doc.Has("written"));
}

TEST(JsonDocumentParse, TextsCrossAsGbk) {
  JsonDocument doc;
  // {"t":"中文","u":"\u4e2d","thai":"\u0e01"} with 中文 in GBK.
  ASSERT_TRUE(doc.Parse("{\"t\":\"\xD6\xD0\xCE\xC4\",\"u\":\"\\u4e2d\",\"thai\":\"\\u0e01\"}"));
  EXPECT_EQ(doc.GetText("t"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(doc.GetText("u"), "\xD6\xD0");
  EXPECT_EQ(doc.GetText("thai"), "?");
}

struct CountCase {
  const char* what_it_proves = "";
  std::string_view path{};
  int expected = 0;
};

TEST(JsonDocumentGetCount, Cases) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(
      R"({"list":[1,2,3],"obj":{"a":1,"b":2},"none":null,"str":"https://x/y.mp4","num":12,"flag":true,)"
      R"("nested":[[7,8]]})"));
  const CountCase cases[] = {
      {"elements of an array", "list", 3},
      {"members of an object", "obj", 2},
      {"an empty path is the root", "", 7},
      {"an absent last member", "absent", -2},
      {"a null member", "none", -2},
      {"a member of an absent member", "absent.more", 0},
      {"a string counts as no list", "str", 0},
      {"a number counts as no list", "num", 0},
      {"a boolean counts as no list", "flag", 0},
      {"bracket-aware paths", "nested[0]", 2},
      {"an invalid path", "list[", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(doc.GetCount(c.path), c.expected) << c.what_it_proves;
  }
}

TEST(JsonDocumentGetCount, RootStringCountsAsNoList) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"("abc")"));
  EXPECT_EQ(doc.GetCount(), 0);
}

struct TextCase {
  const char* what_it_proves = "";
  std::string_view path{};
  bool as_json = false;
  net::Text expected{};
};

TEST(JsonDocumentGetText, Cases) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"s":"a'b","half":12.5,"whole":20,"big":1234567890123456789,"tiny":0.00001,)"
                        R"("none":null,"arr":[5,"six"],"obj":{"k":[1]}})"));
  const TextCase cases[] = {
      {"a string unchanged", "s", false, "a'b"},
      {"a fraction", "half", false, "12.5"},
      {"a whole number", "whole", false, "20"},
      {"19 digits come back as 13 significant digits", "big", false, "1.234567890123e+18"},
      {"a small number in exponent form", "tiny", false, "1e-05"},
      {"a null member is empty", "none", false, ""},
      {"an absent member is empty", "absent", false, ""},
      {"a member of an absent member is empty", "absent.more", false, ""},
      {"an element by index", "arr[1]", false, "six"},
      {"a path from the root's brackets", "[\"s\"]", false, "a'b"},
      {"a bracket path reads a number without %.13g", "[\"big\"]", false, "1234567890123456800"},
      {"JSON of an object", "obj", true, R"({"k":[1]})"},
      {"JSON of a string", "s", true, R"("a'b")"},
      {"JSON of a null member", "none", true, "null"},
      {"JSON of an absent member is empty", "absent", true, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(doc.GetText(c.path, c.as_json), c.expected) << c.what_it_proves;
  }
}

struct TypeCase {
  const char* what_it_proves = "";
  std::string_view path{};
  JsonType expected = JsonType::none;
};

TEST(JsonDocumentTypeOf, Cases) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"s":"x","n":1,"b":false,"o":{},"a":[],"z":null})"));
  doc.SetMemberJson("f", "function () {}");
  const TypeCase cases[] = {
      {"a string", "s", JsonType::string},
      {"a number", "n", JsonType::number},
      {"a boolean", "b", JsonType::boolean},
      {"an object", "o", JsonType::object},
      {"an array", "a", JsonType::array},
      {"null", "z", JsonType::none},
      {"an absent member", "absent", JsonType::none},
      {"a member of an absent member", "absent.more", JsonType::other},
      {"a function", "f", JsonType::other},
      {"the empty path is the root", "", JsonType::object},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(doc.TypeOf(c.path), c.expected) << c.what_it_proves;
  }
}

struct NamesCase {
  const char* what_it_proves = "";
  std::string_view json{};
  std::string_view path{};
  Names expected{};
};

TEST(JsonDocumentMemberNames, Cases) {
  const NamesCase cases[] = {
      {"own members only", R"({"a":1,"b":2})", "", {"a", "b"}},
      {"the inherited names are removed as text", R"({"xtoJSONString":1})", "", {"x"}},
      {"a name holding a comma splits", R"({"p,q":1})", "", {"p", "q"}},
      {"an array's indices", R"({"l":["x","y"]})", "l", {"0", "1"}},
      {"an absent member gives none", R"({"a":1})", "absent", {}},
      {"an empty object gives none", "{}", "", {}},
  };
  for (const auto& c : cases) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(c.json)) << c.what_it_proves;
    Names names = {"stale"};
    EXPECT_EQ(doc.MemberNames(names, c.path), static_cast<int>(c.expected.size())) << c.what_it_proves;
    EXPECT_EQ(names, c.expected) << c.what_it_proves;
  }
}

TEST(JsonDocumentMemberNames, LeavesNoLoopGlobal) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"a":1})"));
  Names names;
  doc.MemberNames(names);
  doc.SetRoot("ary", true);
  EXPECT_EQ(doc.ToJson(), "null");
}

TEST(JsonDocumentAppend, BuildsAndExtendsAnArray) {
  JsonDocument doc;
  doc.Append("x", "list");
  EXPECT_EQ(doc.GetText("list", true), R"(["x"])");
  doc.Append("x", "list");
  EXPECT_EQ(doc.GetText("list", true), R"(["x","x"])");
  doc.Append("{a:1}", "list", true);
  EXPECT_EQ(doc.GetText("list", true), R"(["x","x",{"a":1}])");
  doc.SetMember("s", "text");
  doc.Append("y", "s");
  EXPECT_EQ(doc.GetText("s", true), R"(["y"])") << "a member that is no array is replaced";
  doc.Append("r");
  EXPECT_EQ(doc.ToJson(), R"(["r"])") << "no path: the root";
}

TEST(JsonDocumentWrites, MembersElementsAndRoot) {
  JsonDocument doc;
  doc.SetMember("a", "", true);
  EXPECT_EQ(doc.GetText("a", true), "{}") << "empty value with isJson is an empty object";
  doc.SetMember("a.b", "[1,2]", true);
  EXPECT_EQ(doc.GetMemberJson("a"), R"({"b":[1,2]})");
  doc.SetMember("q", "it's");
  EXPECT_FALSE(doc.Has("q")) << "a quote in a quoted value makes the text invalid";
  doc.SetMemberNumber("n", 0.1 + 0.2);
  EXPECT_EQ(doc.GetText("n"), "0.3");
  EXPECT_DOUBLE_EQ(doc.GetNumber("n"), 0.3);
  EXPECT_EQ(doc.GetNumber("absent"), 0);
  EXPECT_EQ(doc.GetMemberJson("absent"), "");

  doc.InitRoot(5);
  EXPECT_EQ(doc.ToJson(), "[]");
  doc.InitRoot(3);
  EXPECT_EQ(doc.ToJson(), "[]") << "kind 3 changes nothing";
  doc.SetElement(0, "a");
  doc.SetElement(1, "{}", true);
  doc.SetElement(2, "c");
  EXPECT_EQ(doc.ToJson(), R"(["a",{},"c"])");
  EXPECT_EQ(doc.GetElementText(2), "c");
  EXPECT_EQ(doc.GetElementText(1, "", true), "{}");
  doc.RemoveElement(1);
  EXPECT_EQ(doc.ToJson(), R"(["a","c"])");

  doc.SetRoot("plain");
  EXPECT_EQ(doc.ToJson(), R"("plain")");
  doc.InitRoot(4);
  EXPECT_EQ(doc.ToJson(), "{}");
  doc.SetMember("k", "v");
  doc.Clear();
  EXPECT_EQ(doc.ToJson(), "{}");
}

TEST(JsonDocumentHas, NullAndAbsentAreMissing) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"a":0,"b":null,"c":""})"));
  EXPECT_TRUE(doc.Has("a"));
  EXPECT_FALSE(doc.Has("b"));
  EXPECT_TRUE(doc.Has("c"));
  EXPECT_FALSE(doc.Has("absent"));
  EXPECT_FALSE(doc.Has("absent.more"));
}

TEST(JsonDocumentRemoveAt, RemovesByTheFirstBracketPair) {
  struct Case {
    const char* what_it_proves = "";
    std::string_view path{};
    net::Text expected{};
  };
  const Case cases[] = {
      {"the named element goes", "items[1]", R"({"items":[1,3],"deep":{"l":[4,5]}})"},
      {"a nested list", "deep.l[0]", R"({"items":[1,2,3],"deep":{"l":[5]}})"},
      {"only the first pair counts", "items[0].x[2]", R"({"items":[2,3],"deep":{"l":[4,5]}})"},
      {"no list before the bracket changes nothing", "[1]", R"({"items":[1,2,3],"deep":{"l":[4,5]}})"},
      {"no bracket changes nothing", "items", R"({"items":[1,2,3],"deep":{"l":[4,5]}})"},
      {"an index without digits removes the first", "items[x]", R"({"items":[2,3],"deep":{"l":[4,5]}})"},
  };
  for (const auto& c : cases) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"items":[1,2,3],"deep":{"l":[4,5]}})"));
    doc.RemoveAt(c.path);
    EXPECT_EQ(doc.ToJson(), c.expected) << c.what_it_proves;
  }
}

TEST(JsonDocumentCopies, ShareTheEngine) {
  JsonDocument source;
  ASSERT_TRUE(source.Parse(R"({"a":1})"));
  JsonDocument copy(source);
  copy.SetMember("b", "two");
  EXPECT_EQ(source.GetText("b"), "two");
  source.SetMemberNumber("c", 3);
  EXPECT_EQ(copy.GetText("c"), "3");
}

TEST(JsonDocumentCopies, ParseGivesTheParsingCopyItsOwnEngine) {
  JsonDocument source;
  JsonDocument copy(source);
  ASSERT_TRUE(copy.Parse(R"({"new":1})"));
  EXPECT_EQ(source.ToJson(), "{}");
}

TEST(JsonDocumentGetDocument, IsIndependent) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"data":{"video":{"download":[{"url":"a"},{"url":"b"}]}}})"));
  JsonDocument part = doc.GetDocument("data.video");
  EXPECT_EQ(part.GetText("download[1].url"), "b");
  part.SetMember("added", "x");
  EXPECT_FALSE(doc.Has("data.video.added"));
  doc.SetMember("data.video.later", "y");
  EXPECT_FALSE(part.Has("later"));

  JsonDocument element = doc.GetElementDocument(0, "data.video.download");
  EXPECT_EQ(element.ToJson(), R"({"url":"a"})");

  JsonDocument missing = doc.GetDocument("data.absent");
  EXPECT_EQ(missing.ToJson(), "null");
  EXPECT_EQ(missing.GetCount(), -2);
}

TEST(JsonDocumentWithoutEngine, EveryOperationFails) {
  JsonDocument doc("No.Such.Component");
  EXPECT_FALSE(doc.Parse(R"({"a":1})"));
  EXPECT_EQ(doc.ToJson(), "");
  EXPECT_EQ(doc.GetText("a"), "");
  EXPECT_EQ(doc.GetText("a", true), "");
  EXPECT_EQ(doc.GetCount(), 0);
  EXPECT_EQ(doc.TypeOf(), JsonType::other);
  EXPECT_FALSE(doc.Has("a"));
  EXPECT_EQ(doc.GetNumber("a"), 0);
  Names names = {"stale"};
  EXPECT_EQ(doc.MemberNames(names), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(last_error(), kNoEngineError);
}

// A reply far beyond ordinary size must fail cleanly; one of a few MiB must still load.
TEST(JsonDocumentMemory, LargeRepliesLoadAndHugeOnesFailCleanly) {
  std::string ordinary = R"({"data":{"video":[)";
  const std::string address = "\"https://video.example/" + std::string(100, 'a') + ".mp4\"";
  for (int i = 0; i < 20000; ++i) {  // about 2.5 MiB
    ordinary += (i == 0 ? "" : ",") + address;
  }
  ordinary += "]}}";
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(ordinary));
  EXPECT_EQ(doc.GetCount("data.video"), 20000);

  std::string hostile = "[";
  for (int i = 0; i < 3'000'000; ++i) {  // 9 MiB of empty arrays, each a whole object in the engine
    hostile += i == 0 ? "[]" : ",[]";
  }
  hostile += "]";
  EXPECT_FALSE(doc.Parse(hostile));
  EXPECT_EQ(doc.ToJson(), "null");
  EXPECT_TRUE(doc.Parse(kVideoReply)) << "the document recovers with its next parse";
}

}  // namespace
}  // namespace script
