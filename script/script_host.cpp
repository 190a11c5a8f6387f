#include "script/script_host.h"

#include <array>

#include "script/engine.h"

namespace script {

ScriptHost::ScriptHost() : ScriptHost("ScriptControl") {}

ScriptHost::ScriptHost(std::string_view class_name) : engine_(Engine::create(class_name)) {
  if (engine_) {
    engine_->set_language("JScript");
  }
}

ScriptHost::~ScriptHost() = default;
ScriptHost::ScriptHost(const ScriptHost& other) = default;
ScriptHost& ScriptHost::operator=(const ScriptHost& other) = default;

bool ScriptHost::ExecuteStatement(std::string_view statement) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return false;
  }
  engine_->execute_statement(statement);
  return last_error().empty();
}

net::Text ScriptHost::Eval(std::string_view expression) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return {};
  }
  return engine_->eval_text(expression);
}

void ScriptHost::Reset() {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return;
  }
  engine_->reset();
}

net::Text ScriptHost::ErrorText() const {
  return last_error();
}

std::shared_ptr<Engine> ScriptHost::GetControl() const {
  if (!engine_) {
    set_last_error(kNoEngineError);
  }
  return engine_;
}

net::Text ScriptHost::Run(std::string_view procedure, std::optional<std::string_view> arg1,
                          std::optional<std::string_view> arg2, std::optional<std::string_view> arg3,
                          std::optional<std::string_view> arg4, std::optional<std::string_view> arg5,
                          std::optional<std::string_view> arg6) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return {};
  }
  const std::array<const std::optional<std::string_view>*, 6> given = {&arg1, &arg2, &arg3,
                                                                       &arg4, &arg5, &arg6};
  std::array<net::Text, 6> args{};
  std::size_t count = 0;
  while (count < given.size() && given[count]->has_value()) {
    args[count] = net::Text(**given[count]);
    ++count;
  }
  return engine_->run(procedure, std::span<const net::Text>(args.data(), count));
}

net::Text ScriptHost::Language(int kind) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return {};
  }
  if (kind == 0) {
    engine_->set_language("JScript");
  } else if (kind == 1) {
    engine_->set_language("vbs");
  }
  return engine_->language();
}

int ScriptHost::Timeout(std::optional<int> ms) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return 0;
  }
  engine_->set_timeout(ms.value_or(-1));
  return engine_->timeout();
}

int ScriptHost::State(std::optional<int> value) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return 0;
  }
  if (value) {
    engine_->set_state(*value);
  }
  return engine_->state();
}

bool ScriptHost::AllowUI(std::optional<bool> value) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return false;
  }
  if (value) {
    engine_->set_allow_ui(*value);
  }
  return engine_->allow_ui();
}

int ScriptHost::SitehWnd(std::optional<int> hwnd) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return 0;
  }
  if (hwnd) {
    engine_->set_site_hwnd(*hwnd);
  }
  return engine_->site_hwnd();
}

void ScriptHost::AddCode(std::string_view code) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return;
  }
  engine_->add_code(code);
}

}  // namespace script
