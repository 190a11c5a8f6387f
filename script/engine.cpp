#include "script/engine.h"

#include <string>
#include <vector>

#include "net/codepage.h"

namespace script {
namespace {

// The script control keeps its error per thread; so does this stand-in.
thread_local net::Text t_last_error;

void clear_error() {
  t_last_error.clear();
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && net::contains(a, b, true);
}

bool is_javascript(std::string_view language) {
  return same_name(language, "JScript") || same_name(language, "JavaScript");
}

}  // namespace

net::Text last_error() {
  return t_last_error;
}

void set_last_error(std::string_view gbk_text) {
  t_last_error.assign(gbk_text);
}

std::shared_ptr<Engine> Engine::create(std::string_view class_name, std::size_t memory_cap) {
  if (!same_name(class_name, "ScriptControl") && !same_name(class_name, "MSScriptControl.ScriptControl")) {
    set_last_error("Cannot create object: unknown class name");
    return nullptr;
  }
  detail::DukHeap heap(memory_cap);
  if (!heap.valid()) {
    set_last_error("Cannot create object: out of memory");
    return nullptr;
  }
  clear_error();
  return std::shared_ptr<Engine>(new Engine(std::move(heap), memory_cap));
}

Engine::Engine(detail::DukHeap heap, std::size_t memory_cap)
    : heap_(std::move(heap)), memory_cap_(memory_cap) {}

void Engine::set_language(std::string_view language) {
  language_.assign(language);
  javascript_ = is_javascript(language);
  clear_error();
}

net::Text Engine::language() const {
  clear_error();
  return language_;
}

detail::DukResult Engine::evaluate(std::string_view code, detail::Want want) {
  if (!javascript_) {
    set_last_error("The script language '" + language_ + "' is not available");
    return {};
  }
  detail::DukResult result = heap_.run_program(net::gbk_to_utf8(code), want);
  t_last_error = result.ok ? net::Text{} : net::utf8_to_gbk_text(result.error);
  return result;
}

void Engine::add_code(std::string_view code) {
  evaluate(code, detail::Want::nothing);
}

bool Engine::execute_statement(std::string_view statement) {
  return evaluate(statement, detail::Want::nothing).ok;
}

void Engine::eval(std::string_view code) {
  evaluate(code, detail::Want::nothing);
}

net::Text Engine::eval_text(std::string_view code) {
  detail::DukResult result = evaluate(code, detail::Want::text);
  return result.ok ? net::utf8_to_gbk_text(result.text) : net::Text{};
}

double Engine::eval_number(std::string_view code) {
  const detail::DukResult result = evaluate(code, detail::Want::number);
  return result.ok ? result.number : 0;
}

bool Engine::eval_bool(std::string_view code) {
  const detail::DukResult result = evaluate(code, detail::Want::boolean);
  return result.ok && result.boolean;
}

net::Text Engine::run(std::string_view procedure, std::span<const net::Text> args) {
  if (!javascript_) {
    set_last_error("The script language '" + language_ + "' is not available");
    return {};
  }
  std::vector<std::string> utf8_args;
  utf8_args.reserve(args.size());
  for (const net::Text& arg : args) {
    utf8_args.push_back(net::gbk_to_utf8(arg));
  }
  const detail::DukResult result =
      heap_.call_global(net::gbk_to_utf8(procedure), utf8_args, detail::Want::text);
  t_last_error = result.ok ? net::Text{} : net::utf8_to_gbk_text(result.error);
  return result.ok ? net::utf8_to_gbk_text(result.text) : net::Text{};
}

bool Engine::load_json(std::string_view variable, std::string_view json) {
  const detail::DukResult result = heap_.put_global_json(net::gbk_to_utf8(variable), net::gbk_to_utf8(json));
  t_last_error = result.ok ? net::Text{} : net::utf8_to_gbk_text(result.error);
  return result.ok;
}

void Engine::reset() {
  detail::DukHeap fresh(memory_cap_);
  if (!fresh.valid()) {
    set_last_error("Reset failed: out of memory");
    return;
  }
  heap_ = std::move(fresh);
  clear_error();
}

int Engine::timeout() const {
  clear_error();
  return timeout_;
}

void Engine::set_timeout(int ms) {
  timeout_ = ms;
  clear_error();
}

int Engine::state() const {
  clear_error();
  return state_;
}

void Engine::set_state(int value) {
  state_ = value;
  clear_error();
}

bool Engine::allow_ui() const {
  clear_error();
  return allow_ui_;
}

void Engine::set_allow_ui(bool value) {
  allow_ui_ = value;
  clear_error();
}

int Engine::site_hwnd() const {
  clear_error();
  return site_hwnd_;
}

void Engine::set_site_hwnd(int hwnd) {
  site_hwnd_ = hwnd;
  clear_error();
}

}  // namespace script
