#pragma once
// Private to script/: the owner of one Duktape heap and the few protected calls the engine needs.
//
// Every call into Duktape happens inside duk_safe_call, whose C callbacks hold only trivially
// destructible locals: Duktape reports errors by longjmp, which must never cross a C++ object
// with a destructor. Texts here are UTF-8 (Duktape's own form); GBK is the caller's business.
//
// Each heap draws from its own memory budget; an allocation beyond it fails inside the engine,
// which turns it into a script error (a RangeError), so a hostile script or reply ends in a
// failed call instead of exhausting the process.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct duk_hthread;  // duk_context in duktape.h

namespace script::detail {

// Large enough for replies of several MiB once decoded into objects; small enough that a
// process survives a few engines failing at once.
inline constexpr std::size_t kDefaultMemoryCap = std::size_t{64} << 20;

// What the caller wants of a completion or return value.
enum class Want { nothing, text, number, boolean };

struct DukResult {
  bool ok = false;       // the call ran and the value converted to what was wanted
  std::string error{};   // UTF-8 description when !ok
  bool absent = false;   // the value was undefined (ok stays true; text empty, number 0)
  std::string text{};    // Want::text: the value's text (UTF-8)
  double number = 0;     // Want::number
  bool boolean = false;  // Want::boolean
};

struct MemoryBudget;

class DukHeap {
 public:
  // A heap capped at `memory_cap` bytes; valid() is false when it could not be created.
  explicit DukHeap(std::size_t memory_cap = kDefaultMemoryCap);
  ~DukHeap();
  DukHeap(DukHeap&& other) noexcept;
  DukHeap& operator=(DukHeap&& other) noexcept;
  DukHeap(const DukHeap&) = delete;
  DukHeap& operator=(const DukHeap&) = delete;

  bool valid() const { return ctx_ != nullptr; }
  std::size_t memory_used() const;

  // Compiles `source` as global program code and runs it: var declarations and functions
  // persist as globals; the completion value (the last expression statement's) is converted.
  DukResult run_program(std::string_view source, Want want);

  // Calls the global function `name` with the texts `args` as string arguments.
  DukResult call_global(std::string_view name, std::span<const std::string> args, Want want);

  // Decodes `json` with the engine's JSON parser (never as code) into the global `name`.
  // On failure the global is left as it was.
  DukResult put_global_json(std::string_view name, std::string_view json);

 private:
  void destroy();

  std::unique_ptr<MemoryBudget> budget_{};
  duk_hthread* ctx_ = nullptr;
};

}  // namespace script::detail
