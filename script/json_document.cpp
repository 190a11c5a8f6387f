#include "script/json_document.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "script/engine.h"
#include "script/support_script.h"

namespace script {
namespace {

net::Text format_number(double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return n > 0 ? net::Text(buffer, static_cast<std::size_t>(n)) : net::Text{};
}

// Truncates toward zero; values beyond int (and NaN) give 0 rather than undefined behaviour.
int truncate_to_int(double value) {
  if (!(value > std::numeric_limits<int>::min() - 1.0 && value < std::numeric_limits<int>::max() + 1.0)) {
    return 0;
  }
  return static_cast<int>(value);
}

// The leading decimal digits of `text` as a number; 0 when it starts with none.
int leading_integer(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && !text.empty() && text.front() != '-' ? value : 0;
}

std::string index_text(int index) {
  return std::to_string(index);
}

}  // namespace

JsonDocument::JsonDocument() {
  CreateEngine();
}

JsonDocument::JsonDocument(std::string_view engine_class) : engine_class_(engine_class) {
  CreateEngine();
}

JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(const JsonDocument& other) = default;
JsonDocument& JsonDocument::operator=(const JsonDocument& other) = default;

net::Text JsonDocument::dotted(std::string_view path) const {
  return name_ + "." + net::Text(path);
}

net::Text JsonDocument::dotted_or_root(std::string_view path) const {
  return path.empty() ? name_ : dotted(path);
}

net::Text JsonDocument::bracket_aware(std::string_view path) const {
  return path.starts_with("[") ? name_ + net::Text(path) : dotted(path);
}

net::Text JsonDocument::bracket_aware_or_root(std::string_view path) const {
  return path.empty() ? name_ : bracket_aware(path);
}

void JsonDocument::eval(std::string_view code) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return;
  }
  engine_->eval(code);
}

net::Text JsonDocument::eval_text(std::string_view code) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return {};
  }
  return engine_->eval_text(code);
}

double JsonDocument::eval_number(std::string_view code) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return 0;
  }
  return engine_->eval_number(code);
}

bool JsonDocument::eval_bool(std::string_view code) {
  if (!engine_) {
    set_last_error(kNoEngineError);
    return false;
  }
  return engine_->eval_bool(code);
}

void JsonDocument::CreateEngine() {
  std::shared_ptr<Engine> fresh = Engine::create(engine_class_);
  if (!fresh) {
    return;
  }
  engine_ = std::move(fresh);
  engine_->set_language("JavaScript");
  engine_->add_code(support_script());
  eval("var " + name_ + "={}");
}

bool JsonDocument::Parse(std::string_view json) {
  if (engine_) {
    engine_.reset();
    CreateEngine();
  }
  if (!engine_) {
    set_last_error(kNoEngineError);
    return false;
  }
  eval("var " + name_ + "=null");
  // The text is data from outside: it goes to the JSON parser, never to the compiler.
  engine_->load_json(name_, json);
  return eval_bool("null !=" + name_);
}

net::Text JsonDocument::ToJson() {
  return eval_text("JSON.stringify(" + name_ + ")");
}

void JsonDocument::SetMember(std::string_view path, std::string_view value, bool is_json) {
  if (is_json) {
    eval(dotted(path) + "= eval(" + net::Text(value.empty() ? "{}" : value) + ")");
  } else {
    eval(dotted(path) + "='" + net::Text(value) + "'");
  }
}

void JsonDocument::SetMemberJson(std::string_view path, std::string_view json) {
  eval(dotted(path) + "= eval(" + net::Text(json) + ")");
}

void JsonDocument::SetMemberNumber(std::string_view path, double value) {
  eval(dotted(path) + "=" + format_number(value));
}

double JsonDocument::GetNumber(std::string_view path) {
  return eval_number(dotted(path));
}

net::Text JsonDocument::GetMemberJson(std::string_view path) {
  return eval_text("JSON.stringify(" + dotted(path) + ")");
}

net::Text JsonDocument::GetText(std::string_view path, bool as_json) {
  const net::Text target = name_ + (path.starts_with("[") ? "" : ".") + net::Text(path);
  if (as_json) {
    return eval_text("JSON.stringify(" + target + ")");
  }
  if (!engine_) {
    set_last_error(kNoEngineError);
    return {};
  }
  if (TypeOf(path) == JsonType::number) {
    return format_number(GetNumber(path));
  }
  return eval_text(target);
}

JsonDocument JsonDocument::document_from(std::string_view source) {
  JsonDocument document(engine_class_);
  document.Parse(eval_text(source));
  return document;
}

JsonDocument JsonDocument::GetDocument(std::string_view path) {
  return document_from("JSON.stringify(" + bracket_aware(path) + ")");
}

int JsonDocument::GetCount(std::string_view path) {
  const net::Text target = bracket_aware_or_root(path);
  // Duktape enumerates a string's indices; an address must count as no list at all.
  const net::Text type = eval_text("typeof (" + target + ")");
  if (type == "string" || type == "number" || type == "boolean" || !last_error().empty()) {
    return 0;
  }
  return truncate_to_int(eval_number("get__count(" + target + ")"));
}

void JsonDocument::Append(std::string_view value, std::string_view path, bool raw) {
  const net::Text target = dotted_or_root(path);
  const char* quote = raw ? "" : "'";
  eval("if (Object.prototype.toString.call(" + target + ") != '[object Array]') { " + target +
       "=new Array();} " + target + ".push(" + quote + net::Text(value) + quote + ")");
}

JsonDocument JsonDocument::GetElementDocument(int index, std::string_view path) {
  return document_from("JSON.stringify(" + dotted_or_root(path) + "[" + index_text(index) + "])");
}

net::Text JsonDocument::GetElementText(int index, std::string_view path, bool as_json) {
  const net::Text element = dotted_or_root(path) + "[" + index_text(index) + "]";
  return eval_text(as_json ? "JSON.stringify(" + element + ")" : element);
}

void JsonDocument::SetElement(int index, std::string_view value, bool raw) {
  const char* quote = raw ? "" : "'";
  eval(name_ + "[" + index_text(index) + "]=" + quote + net::Text(value) + quote);
}

void JsonDocument::RemoveElement(int index) {
  eval(name_ + ".splice(" + index_text(index) + ",1)");
}

void JsonDocument::RemoveAt(std::string_view path) {
  const int open = net::find_text(path, "[");
  const int close = open == -1 ? -1 : net::find_text(path, "]", open + 1);
  const std::string_view list = open == -1 ? std::string_view{} : path.substr(0, open - 1);
  const std::string_view index =
      close == -1 ? std::string_view{} : path.substr(open, static_cast<std::size_t>(close - open - 1));

  const net::Text list_json = GetText(list, true);
  net::Text remaining;
  {
    JsonDocument copy(engine_class_);
    copy.Parse(list_json);
    copy.RemoveElement(leading_integer(index));
    remaining = copy.ToJson();
  }
  SetMemberJson(list, remaining);
}

void JsonDocument::InitRoot(int kind) {
  if (kind == 0 || kind == 4) {
    eval("var " + name_ + "={}");
  } else if (kind == 5) {
    eval("var " + name_ + "=new Array()");
  }
}

void JsonDocument::SetRoot(std::string_view value, bool raw) {
  const char* quote = raw ? "" : "'";
  eval(name_ + "=" + quote + net::Text(value) + quote);
}

bool JsonDocument::Has(std::string_view path) {
  return eval_bool(dotted(path) + " !=null");
}

int JsonDocument::MemberNames(std::vector<net::Text>& names, std::string_view path) {
  net::Text listed =
      eval_text("var ary=''; for (var key in " + dotted_or_root(path) + ") {ary=ary+ key+','; }");
  listed = net::replace_all(listed, "toJSONString,", "");
  listed = net::replace_all(listed, "parseJSON,", "");
  eval("ary=null");
  names = net::split(listed, ",");
  return static_cast<int>(names.size());
}

JsonType JsonDocument::TypeOf(std::string_view path) {
  const net::Text target = dotted_or_root(path);
  if (eval_bool(target + "==null")) {
    return JsonType::none;
  }
  const net::Text type = eval_text("typeof (" + target + ")");
  if (type == "string") {
    return JsonType::string;
  }
  if (type == "object") {
    return GetText(path, true).starts_with("[") ? JsonType::array : JsonType::object;
  }
  if (type == "number") {
    return JsonType::number;
  }
  if (type == "boolean") {
    return JsonType::boolean;
  }
  return JsonType::other;
}

void JsonDocument::Clear() {
  eval(name_ + "={}");
}

}  // namespace script
