#pragma once
// The script engine behind ScriptHost and JsonDocument: a stand-in for the system's script
// control, backed by Duktape. Shared by counted reference (std::shared_ptr); copies of a host
// or a document share one Engine.
//
// Texts are GBK. They enter the engine as UTF-8 and come back as GBK, with "?" for characters
// GBK cannot hold and the text cut at a zero character.
//
// Every operation sets the thread's last error: empty when it succeeded, otherwise a text
// saying how it failed. Nothing throws; a failed operation gives the neutral value (empty text,
// 0, false).

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

#include "net/text.h"
#include "script/duk_engine.h"

namespace script {

class Engine {
 public:
  // An engine for the class names "ScriptControl" and "MSScriptControl.ScriptControl" (letter
  // case aside), language "JScript"; nullptr for any other name or when no heap can be made.
  static std::shared_ptr<Engine> create(std::string_view class_name,
                                        std::size_t memory_cap = detail::kDefaultMemoryCap);

  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // "JScript" and "JavaScript" (letter case aside) select JavaScript. Any other name is kept
  // and read back, but every later evaluation fails until a JavaScript name is written again.
  void set_language(std::string_view language);
  net::Text language() const;

  // Run text as global code: functions and var declarations persist.
  void add_code(std::string_view code);
  bool execute_statement(std::string_view statement);  // true when it ran without error

  // Evaluate text as global code; the completion value converted as asked. An undefined value
  // gives empty text, 0 or false without error; null gives a conversion error except as a
  // discarded result. Whole numbers up to 2^53 come back as plain decimal digits.
  void eval(std::string_view code);
  net::Text eval_text(std::string_view code);
  double eval_number(std::string_view code);
  bool eval_bool(std::string_view code);

  // Calls the global function `procedure` with the texts `args`; its return value as text.
  net::Text run(std::string_view procedure, std::span<const net::Text> args);

  // Sets the global `variable` to the value of the JSON text `json`, read as data by the
  // engine's JSON parser. False, with the variable unchanged, when the text is not JSON.
  bool load_json(std::string_view variable, std::string_view json);

  // Drops all code and globals; the language and the properties stay.
  void reset();

  // Stored properties, read back as written. Defaults: 10000, 0, true, 0.
  int timeout() const;
  void set_timeout(int ms);
  int state() const;
  void set_state(int value);
  bool allow_ui() const;
  void set_allow_ui(bool value);
  int site_hwnd() const;
  void set_site_hwnd(int hwnd);

 private:
  Engine(detail::DukHeap heap, std::size_t memory_cap);
  detail::DukResult evaluate(std::string_view code, detail::Want want);

  detail::DukHeap heap_;
  std::size_t memory_cap_ = 0;
  net::Text language_ = "JScript";
  bool javascript_ = true;
  int timeout_ = 10000;
  int state_ = 0;
  bool allow_ui_ = true;
  int site_hwnd_ = 0;
};

// The last error of the most recent engine operation on this thread, by any engine or object;
// empty when it succeeded.
net::Text last_error();

// Records a failure that happened before any engine could be asked (no engine held).
void set_last_error(std::string_view gbk_text);

// The text recorded when an operation finds no engine.
inline constexpr std::string_view kNoEngineError = "Object required: no script engine";

}  // namespace script
