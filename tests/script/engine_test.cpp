#include "script/engine.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "script/duk_engine.h"

namespace script {
namespace {

struct CreateCase {
  const char* what_it_proves = "";
  std::string_view class_name{};
  bool creates = false;
};

TEST(EngineCreate, ByClassName) {
  const CreateCase cases[] = {
      {"the host's class name", "ScriptControl", true},
      {"the document's class name", "MSScriptControl.ScriptControl", true},
      {"class names ignore letter case", "msscriptcontrol.scriptcontrol", true},
      {"an unknown name fails", "WinHttp.WinHttpRequest.5.1", false},
      {"a name with extra text fails", "ScriptControl2", false},
      {"the empty name fails", "", false},
  };
  for (const auto& c : cases) {
    const auto engine = Engine::create(c.class_name);
    EXPECT_EQ(engine != nullptr, c.creates) << c.what_it_proves;
    EXPECT_EQ(last_error().empty(), c.creates) << c.what_it_proves;
  }
}

struct LanguageCase {
  const char* what_it_proves = "";
  std::string_view language{};
  bool runs = false;
};

TEST(EngineLanguage, SelectsJavaScriptOrFails) {
  const LanguageCase cases[] = {
      {"JScript is JavaScript", "JScript", true},
      {"JavaScript is JavaScript", "JavaScript", true},
      {"language names ignore letter case", "javascript", true},
      {"a language the engine lacks", "vbs", false},
      {"VBScript is lacking too", "VBScript", false},
  };
  for (const auto& c : cases) {
    const auto engine = Engine::create("ScriptControl");
    ASSERT_NE(engine, nullptr);
    engine->set_language(c.language);
    EXPECT_EQ(engine->language(), c.language) << c.what_it_proves;
    EXPECT_EQ(engine->eval_text("1+1"), c.runs ? "2" : "") << c.what_it_proves;
    EXPECT_EQ(last_error().empty(), c.runs) << c.what_it_proves;
  }
}

TEST(EngineLanguage, SwitchingBackToJavaScriptRunsAgain) {
  const auto engine = Engine::create("ScriptControl");
  engine->execute_statement("var kept = 7");
  engine->set_language("vbs");
  EXPECT_FALSE(engine->execute_statement("var x = 1"));
  engine->set_language("JScript");
  EXPECT_EQ(engine->eval_text("kept"), "7");
}

struct ConversionCase {
  const char* what_it_proves = "";
  std::string_view code{};
  net::Text text{};
  double number = 0;
  bool boolean = false;
  bool text_fails = false;
  bool number_fails = false;
  bool boolean_fails = false;
};

TEST(EngineEval, ConvertsTheCompletionValue) {
  const ConversionCase cases[] = {
      {"a string", "'abc'", "abc", 0, false, false, true, true},
      {"a numeric string reads as its number", "'12'", "12", 12, false, false, false, true},
      {"a whole number", "4294967295", "4294967295", 4294967295.0, true, false, false, false},
      {"a fraction", "0.5", "0.5", 0.5, true, false, false, false},
      {"zero is false", "0", "0", 0, false, false, false, false},
      {"true", "true", "true", 1, true, false, false, false},
      {"undefined is empty without error", "undefined", "", 0, false, false, false, false},
      {"null cannot be converted", "null", "", 0, false, true, true, true},
      {"an object as text uses its toString", "({})", "[object Object]", 0, false, false, true, true},
      {"an array as text joins its elements", "[1,2]", "1,2", 0, false, false, true, true},
      {"a syntax error fails every conversion", "1 +", "", 0, false, true, true, true},
      {"a thrown error fails every conversion", "throw new Error('x')", "", 0, false, true, true, true},
  };
  const auto engine = Engine::create("ScriptControl");
  for (const auto& c : cases) {
    EXPECT_EQ(engine->eval_text(c.code), c.text) << c.what_it_proves;
    EXPECT_EQ(!last_error().empty(), c.text_fails) << c.what_it_proves;
    EXPECT_EQ(engine->eval_number(c.code), c.number) << c.what_it_proves;
    EXPECT_EQ(!last_error().empty(), c.number_fails) << c.what_it_proves;
    EXPECT_EQ(engine->eval_bool(c.code), c.boolean) << c.what_it_proves;
    EXPECT_EQ(!last_error().empty(), c.boolean_fails) << c.what_it_proves;
  }
}

TEST(EngineEval, TextsCrossAsGbk) {
  const auto engine = Engine::create("ScriptControl");
  // 中文 in GBK: its two characters are two UTF-16 units inside the engine.
  EXPECT_EQ(engine->eval_text("'\xD6\xD0\xCE\xC4'.length"), "2");
  EXPECT_EQ(engine->eval_text("'\xD6\xD0' + '\xCE\xC4'"), "\xD6\xD0\xCE\xC4");
  // A character GBK cannot hold (Thai, U+0E01) comes back as "?".
  EXPECT_EQ(engine->eval_text("'a\\u0E01b'"), "a?b");
  // The error text of a script error is GBK too, and names the fault.
  engine->eval("throw new Error('\xB4\xED')");  // 错
  EXPECT_NE(last_error().find("\xB4\xED"), std::string::npos);
}

TEST(EngineRun, CallsAGlobalFunctionWithTextArguments) {
  const auto engine = Engine::create("ScriptControl");
  engine->add_code("function join(a, b) { return a + '|' + b + '|' + arguments.length; }");
  const net::Text args[] = {"x'y", "\\n"};
  EXPECT_EQ(engine->run("join", args), "x'y|\\n|2");
  EXPECT_TRUE(last_error().empty());
  EXPECT_EQ(engine->run("missing", args), "");
  EXPECT_FALSE(last_error().empty());
}

TEST(EngineLoadJson, ReadsTheTextAsDataOnly) {
  const auto engine = Engine::create("ScriptControl");
  EXPECT_TRUE(engine->load_json("v", R"({"a":[1,"two"]})"));
  EXPECT_EQ(engine->eval_text("v.a[1]"), "two");
  // Code is not JSON: nothing of it runs, and the variable keeps its value.
  EXPECT_FALSE(engine->load_json("v", "(ran = 1)"));
  EXPECT_FALSE(last_error().empty());
  EXPECT_EQ(engine->eval_text("typeof ran"), "undefined");
  EXPECT_EQ(engine->eval_text("v.a[0]"), "1");
}

TEST(EngineReset, DropsGlobalsButKeepsProperties) {
  const auto engine = Engine::create("ScriptControl");
  engine->execute_statement("var g = 1");
  engine->set_timeout(500);
  engine->reset();
  EXPECT_EQ(engine->eval_text("typeof g"), "undefined");
  EXPECT_EQ(engine->timeout(), 500);
}

TEST(EngineLastError, BelongsToTheThread) {
  const auto engine = Engine::create("ScriptControl");
  engine->eval("syntax error here");
  ASSERT_FALSE(last_error().empty());
  net::Text seen_elsewhere = "unset";
  std::thread([&] { seen_elsewhere = last_error(); }).join();
  EXPECT_EQ(seen_elsewhere, "");
  EXPECT_FALSE(last_error().empty());
}

// A script that allocates without end must fail cleanly at the cap, leaving the engine usable.
TEST(EngineMemoryCap, RunawayAllocationFailsCleanly) {
  const auto engine = Engine::create("ScriptControl", std::size_t{4} << 20);
  ASSERT_NE(engine, nullptr);
  const net::Text result =
      engine->eval_text("(function () { var a = []; for (;;) a.push('item number ' + a.length); })()");
  EXPECT_EQ(result, "");
  EXPECT_FALSE(last_error().empty());
  EXPECT_EQ(engine->eval_text("'still ' + 'here'"), "still here");
}

TEST(EngineMemoryCap, HeapNeverExceedsItsBudget) {
  const std::size_t cap = std::size_t{2} << 20;
  detail::DukHeap heap(cap);
  ASSERT_TRUE(heap.valid());
  const auto result = heap.run_program("var s = 'x'; for (;;) s = s + s;", detail::Want::nothing);
  EXPECT_FALSE(result.ok);
  EXPECT_LE(heap.memory_used(), cap);
  EXPECT_GT(heap.memory_used(), 0u);
}

TEST(EngineMemoryCap, JsonBeyondTheCapFailsCleanly) {
  const auto engine = Engine::create("ScriptControl", std::size_t{4} << 20);
  std::string json = "[";
  for (int i = 0; i < 300'000; ++i) {  // under 1 MiB of text, far more once each [] is an object
    json += i == 0 ? "[]" : ",[]";
  }
  json += "]";
  EXPECT_FALSE(engine->load_json("v", json));
  EXPECT_NE(last_error().find("alloc"), std::string::npos) << last_error();
  EXPECT_TRUE(engine->load_json("v", "[[]]"));
}

TEST(EngineMemoryCap, AHeapTooSmallToStartIsNoEngine) {
  EXPECT_EQ(Engine::create("ScriptControl", 1024), nullptr);
  EXPECT_FALSE(last_error().empty());
}

}  // namespace
}  // namespace script
