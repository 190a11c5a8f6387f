#pragma once
// ScriptHost: a thin handle on one script engine, used to define and call the small JavaScript
// functions that sign every request.
//
// Copies share one engine (a counted reference); the engine lives until its last holder goes.
// Texts are GBK. Nothing throws: a failed call gives empty text, 0 or false, and ErrorText()
// says how the most recent engine call on this thread failed (empty after a success). A host
// whose engine could not be created fails every call, with the error "Object required".

#include <memory>
#include <optional>
#include <string_view>

#include "net/text.h"

namespace script {

class Engine;

class ScriptHost {
 public:
  // An engine created by the class name "ScriptControl", language "JScript".
  ScriptHost();
  // An engine created by another class name; a name no engine answers to leaves the host
  // without an engine, as when the component is missing.
  explicit ScriptHost(std::string_view class_name);
  ~ScriptHost();
  ScriptHost(const ScriptHost& other);
  ScriptHost& operator=(const ScriptHost& other);

  // Runs a statement in the global scope; true exactly when it left no error.
  bool ExecuteStatement(std::string_view statement);
  // Evaluates a text in the global scope; its completion value as text (a string unchanged,
  // a whole number as plain digits, undefined as empty text).
  net::Text Eval(std::string_view expression);
  // Drops all code and globals of the engine.
  void Reset();
  net::Text ErrorText() const;
  // A further reference to the engine; empty when the host has none.
  std::shared_ptr<Engine> GetControl() const;
  // Calls the global function `procedure` with the arguments given without a gap from the
  // first on: an omitted argument ends the list and any given after it is not passed.
  net::Text Run(std::string_view procedure, std::optional<std::string_view> arg1 = std::nullopt,
                std::optional<std::string_view> arg2 = std::nullopt,
                std::optional<std::string_view> arg3 = std::nullopt,
                std::optional<std::string_view> arg4 = std::nullopt,
                std::optional<std::string_view> arg5 = std::nullopt,
                std::optional<std::string_view> arg6 = std::nullopt);
  // Kind 0 writes "JScript", 1 writes "vbs" (which this engine lacks: later evaluations fail),
  // any other kind writes nothing; returns the language read back.
  net::Text Language(int kind = 0);
  // Writes the timeout in milliseconds (-1 when omitted) and returns it read back.
  int Timeout(std::optional<int> ms = std::nullopt);
  // The three below write only when given a value; each returns the property read back.
  int State(std::optional<int> value = std::nullopt);
  bool AllowUI(std::optional<bool> value = std::nullopt);
  int SitehWnd(std::optional<int> hwnd = std::nullopt);
  // Adds code to the global scope; the outcome is only in ErrorText().
  void AddCode(std::string_view code);

 private:
  std::shared_ptr<Engine> engine_{};
};

}  // namespace script
