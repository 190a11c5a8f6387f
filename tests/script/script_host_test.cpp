#include "script/script_host.h"

#include <gtest/gtest.h>

#include "script/engine.h"

namespace script {
namespace {

TEST(ScriptHostExecuteStatement, TrueExactlyWithoutError) {
  struct Case {
    const char* what_it_proves = "";
    std::string_view statement{};
    bool ok = false;
  };
  const Case cases[] = {
      {"a statement that compiles and runs", "var x = 1;", true},
      {"a function definition", "function f(a) { return a + 1; }", true},
      {"a syntax error", "var = ;", false},
      {"a statement that throws", "undefinedFunction()", false},
  };
  for (const auto& c : cases) {
    ScriptHost host;
    EXPECT_EQ(host.ExecuteStatement(c.statement), c.ok) << c.what_it_proves;
    EXPECT_EQ(host.ErrorText().empty(), c.ok) << c.what_it_proves;
  }
}

TEST(ScriptHostEval, ValuesAsText) {
  struct Case {
    const char* what_it_proves = "";
    std::string_view expression{};
    net::Text expected{};
  };
  const Case cases[] = {
      {"a string comes back unchanged", "'a b\\'c'", "a b'c"},
      {"the largest unsigned 32-bit number as ten digits", "4294967295", "4294967295"},
      {"a computed unsigned value", "(-1 >>> 0)", "4294967295"},
      {"an undefined value is empty", "undefined", ""},
      {"the completion value of several statements", "var q = 2; q * 21", "42"},
      {"a Chinese string comes back as GBK", "'\xD6\xD0\xCE\xC4'", "\xD6\xD0\xCE\xC4"},  // 中文
  };
  ScriptHost host;
  for (const auto& c : cases) {
    EXPECT_EQ(host.Eval(c.expression), c.expected) << c.what_it_proves;
  }
}

TEST(ScriptHostEval, VarDeclarationsPersistAsGlobals) {
  ScriptHost host;
  EXPECT_TRUE(host.ExecuteStatement("function a() {\r\nvar c = 7;\r\nreturn c;\n}"));
  EXPECT_EQ(host.Eval("a('')"), "7");
  host.Eval("var made = 'here'");
  EXPECT_EQ(host.Eval("made"), "here");
}

TEST(ScriptHostRun, PassesOnlyTheGaplessRunOfArguments) {
  struct Case {
    const char* what_it_proves = "";
    std::optional<std::string_view> a1{}, a2{}, a3{}, a4{}, a5{}, a6{};
    net::Text expected{};
  };
  const Case cases[] = {
      {"no arguments", {}, {}, {}, {}, {}, {}, "0:"},
      {"one argument", "x", {}, {}, {}, {}, {}, "1:x"},
      {"a gap ends the run", "x", {}, "z", {}, {}, {}, "1:x"},
      {"the first omitted passes nothing", {}, "y", "z", {}, {}, {}, "0:"},
      {"all six", "1", "2", "3", "4", "5", "6", "6:1,2,3,4,5,6"},
      {"an empty text is an argument", "", "b", {}, {}, {}, {}, "2:,b"},
  };
  ScriptHost host;
  host.AddCode(
      "function count() { return arguments.length + ':' + Array.prototype.join.call(arguments, ','); }");
  for (const auto& c : cases) {
    EXPECT_EQ(host.Run("count", c.a1, c.a2, c.a3, c.a4, c.a5, c.a6), c.expected) << c.what_it_proves;
  }
}

TEST(ScriptHostRun, ArgumentsArriveAsData) {
  ScriptHost host;
  host.AddCode("function echo(s) { return s.length + ':' + s; }");
  EXPECT_EQ(host.Run("echo", "a'b\\c\nd"), "7:a'b\\c\nd");
  EXPECT_EQ(host.Run("nothing_by_this_name", "x"), "");
  EXPECT_FALSE(host.ErrorText().empty());
}

TEST(ScriptHostProperties, StoredAndReadBack) {
  ScriptHost host;
  EXPECT_EQ(host.Timeout(), -1) << "no argument writes -1";
  EXPECT_EQ(host.Timeout(2500), 2500);
  EXPECT_EQ(host.Timeout(), -1);

  EXPECT_EQ(host.State(), 0) << "reads only";
  EXPECT_EQ(host.State(3), 3);
  EXPECT_EQ(host.State(), 3) << "no argument keeps the written value";

  EXPECT_TRUE(host.AllowUI());
  EXPECT_FALSE(host.AllowUI(false));
  EXPECT_FALSE(host.AllowUI());

  EXPECT_EQ(host.SitehWnd(), 0);
  EXPECT_EQ(host.SitehWnd(0x1234), 0x1234);
  EXPECT_EQ(host.SitehWnd(), 0x1234);
}

TEST(ScriptHostLanguage, KindsAndTheirEffect) {
  ScriptHost host;
  EXPECT_EQ(host.Language(), "JScript");
  EXPECT_EQ(host.Eval("1+2"), "3");

  EXPECT_EQ(host.Language(1), "vbs");
  EXPECT_EQ(host.Eval("1+2"), "") << "the engine has no vbs";
  EXPECT_FALSE(host.ErrorText().empty());
  EXPECT_FALSE(host.ExecuteStatement("var x = 1"));

  EXPECT_EQ(host.Language(2), "vbs") << "kind 2 changes nothing";
  EXPECT_EQ(host.Language(0), "JScript") << "no argument or 0 writes JScript";
  EXPECT_EQ(host.Eval("1+2"), "3");
}

TEST(ScriptHostCopy, SharesOneEngine) {
  ScriptHost source;
  ScriptHost copy(source);
  source.ExecuteStatement("function shared() { return 'seen'; }");
  EXPECT_EQ(copy.Eval("shared()"), "seen");
  EXPECT_EQ(copy.GetControl(), source.GetControl());
  copy.Timeout(77);
  EXPECT_EQ(source.Timeout(77), 77);

  ScriptHost other;
  EXPECT_NE(other.GetControl(), source.GetControl());
  EXPECT_EQ(other.Eval("typeof shared"), "undefined");
}

TEST(ScriptHostCopy, EngineOutlivesTheSource) {
  std::shared_ptr<Engine> control;
  ScriptHost* source = new ScriptHost;
  ScriptHost copy(*source);
  source->AddCode("var left = 'behind'");
  control = source->GetControl();
  delete source;
  EXPECT_EQ(copy.Eval("left"), "behind");
  EXPECT_EQ(control->eval_text("left"), "behind");
}

TEST(ScriptHostReset, DropsCodeAndGlobals) {
  ScriptHost host;
  host.ExecuteStatement("var g = 1; function f() {}");
  host.Reset();
  EXPECT_TRUE(host.ErrorText().empty());
  EXPECT_EQ(host.Eval("typeof g + typeof f"), "undefinedundefined");
}

TEST(ScriptHostErrorText, ReflectsTheLatestCallOnTheThread) {
  ScriptHost failing;
  ScriptHost fine;
  failing.Eval("(");
  EXPECT_FALSE(failing.ErrorText().empty());
  fine.Eval("1");
  EXPECT_TRUE(failing.ErrorText().empty()) << "a later call by any object replaces it";
}

// A host whose engine could not be created fails every call with its neutral result.
TEST(ScriptHostWithoutEngine, EveryCallFails) {
  ScriptHost host("No.Such.Component");
  EXPECT_EQ(host.GetControl(), nullptr);
  EXPECT_FALSE(host.ErrorText().empty()) << "reports that there is no object";
  EXPECT_FALSE(host.ExecuteStatement("var x = 1"));
  EXPECT_EQ(host.Eval("1"), "");
  EXPECT_FALSE(host.ErrorText().empty());
  EXPECT_EQ(host.Run("f", "a"), "");
  EXPECT_EQ(host.Timeout(5), 0);
  EXPECT_EQ(host.State(1), 0);
  EXPECT_FALSE(host.AllowUI(true));
  EXPECT_EQ(host.SitehWnd(9), 0);
  EXPECT_EQ(host.Language(), "");
  host.AddCode("var y = 1");
  EXPECT_EQ(host.ErrorText(), kNoEngineError);
  host.Reset();
  EXPECT_EQ(host.ErrorText(), kNoEngineError);
}

}  // namespace
}  // namespace script
