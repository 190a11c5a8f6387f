#pragma once
// JsonDocument: one JSON value held in a private script engine, read and written by path.
//
// The value lives only in the engine, in the global variable "da" (the root). Every operation
// builds a short JavaScript text around a path and evaluates it; paths are JavaScript member
// syntax relative to the root, such as data.text, data.cover[0] or data.video.download[2].url.
// Paths and values are inserted as given, unescaped: a text that comes from outside goes
// through Parse only, which reads it as data with the engine's JSON parser and never runs it.
//
// Path rules (T is the expression the path becomes):
//   dotted                 da.P
//   dotted or root         da when P is empty, else da.P
//   bracket-aware          daP when P begins with "[", else da.P
//   bracket-aware or root  da when P is empty, else bracket-aware
// A path that makes the text invalid (an empty path or one beginning with "[" under a dotted
// rule, a value holding "'" in quotes) gives the neutral result; writes then change nothing.
//
// Copies share the engine, so each sees the other's writes. Documents from GetDocument and
// GetElementDocument have engines of their own. Texts are GBK. Nothing throws.

#include <memory>
#include <string_view>
#include <vector>

#include "net/text.h"

namespace script {

class Engine;

enum class JsonType {
  none = 0,  // null or absent
  boolean = 1,
  number = 2,
  object = 4,
  array = 5,
  string = 6,
  other = -1,  // a function, or the path could not be read
};

class JsonDocument {
 public:
  // A fresh engine holding an empty object.
  JsonDocument();
  // An engine created by another class name; a name no engine answers to leaves the document
  // without an engine, as when the component is missing.
  explicit JsonDocument(std::string_view engine_class);
  ~JsonDocument();
  JsonDocument(const JsonDocument& other);
  JsonDocument& operator=(const JsonDocument& other);

  // Replaces the engine with a new one that holds the support script and an empty object.
  // When creation fails the old engine stays.
  void CreateEngine();
  // Loads a JSON text (object, array, string, number, true, false or null) as the root, in a
  // fresh engine. True when the root is neither null nor undefined; a text that is not JSON
  // leaves the root null and gives false.
  bool Parse(std::string_view json);
  // JSON.stringify(da).
  net::Text ToJson();
  // da.P='V', or with is_json da.P= eval(V) ("{}" for an empty V).
  void SetMember(std::string_view path, std::string_view value, bool is_json = false);
  // da.P= eval(J): J runs as code, so give it only texts of this program's own making.
  void SetMemberJson(std::string_view path, std::string_view json);
  // da.P=X, X written as "%.13g".
  void SetMemberNumber(std::string_view path, double value);
  // da.P as a number; 0 when absent or not a number.
  double GetNumber(std::string_view path);
  // JSON.stringify(da.P): empty for an absent member, "null" for a null one.
  net::Text GetMemberJson(std::string_view path);
  // The value at a bracket-aware path as text: a string unchanged, a number as "%.13g", absent
  // or null as empty text; with as_json its JSON text instead.
  net::Text GetText(std::string_view path, bool as_json = false);
  // A new, independent document holding a copy of the value at a bracket-aware path.
  JsonDocument GetDocument(std::string_view path);
  // Elements of an array or members of an object at a bracket-aware-or-root path; -2 for an
  // absent or null last member, 0 for a member of an absent member and for a string, number or
  // boolean.
  int GetCount(std::string_view path = {});
  // Pushes 'V' (V itself when raw) onto the array at a dotted-or-root path, first making the
  // member a new array when it is absent or not an array.
  void Append(std::string_view value, std::string_view path = {}, bool raw = false);
  // A new, independent document holding element `index` of the array at a dotted-or-root path.
  JsonDocument GetElementDocument(int index, std::string_view path = {});
  // Element `index` of the array at a dotted-or-root path as text, or its JSON text.
  net::Text GetElementText(int index, std::string_view path = {}, bool as_json = false);
  // da[I]='V' (V itself when raw); always on the root.
  void SetElement(int index, std::string_view value, bool raw = false);
  // da.splice(I,1); always on the root.
  void RemoveElement(int index);
  // Removes the element a path of the form a.b[i] names; only the first bracket pair counts.
  void RemoveAt(std::string_view path);
  // Kind 0 or 4: the root becomes {}; 5: an empty array; any other kind: nothing.
  void InitRoot(int kind);
  // da='V' (V itself when raw).
  void SetRoot(std::string_view value, bool raw = false);
  // da.P !=null.
  bool Has(std::string_view path);
  // Replaces `names` by the names a for-in loop yields at a dotted-or-root path, less
  // "toJSONString," and "parseJSON," (removed as text), split at ","; returns their number.
  int MemberNames(std::vector<net::Text>& names, std::string_view path = {});
  // The type of the value at a dotted-or-root path.
  JsonType TypeOf(std::string_view path = {});
  // The root becomes {}.
  void Clear();

 private:
  net::Text dotted(std::string_view path) const;
  net::Text dotted_or_root(std::string_view path) const;
  net::Text bracket_aware(std::string_view path) const;
  net::Text bracket_aware_or_root(std::string_view path) const;
  void eval(std::string_view code);
  net::Text eval_text(std::string_view code);
  double eval_number(std::string_view code);
  bool eval_bool(std::string_view code);
  JsonDocument document_from(std::string_view source);

  net::Text name_ = "da";
  std::shared_ptr<Engine> engine_{};
  net::Text engine_class_ = "MSScriptControl.ScriptControl";
};

}  // namespace script
