#include "script/duk_engine.h"

#include <duktape.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace script::detail {

// Every block carries its size in front, so frees and reallocations can be charged back.
struct MemoryBudget {
  std::size_t cap = 0;
  std::size_t used = 0;
};

namespace {

using Budget = MemoryBudget;

constexpr std::size_t kHeader = alignof(std::max_align_t);

void* budget_alloc(void* udata, duk_size_t size) {
  auto* budget = static_cast<Budget*>(udata);
  if (size > budget->cap - budget->used) {
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(kHeader + size));
  if (block == nullptr) {
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  budget->used += size;
  return block + kHeader;
}

std::size_t block_size(void* ptr) {
  std::size_t size = 0;
  std::memcpy(&size, static_cast<unsigned char*>(ptr) - kHeader, sizeof size);
  return size;
}

void budget_free(void* udata, void* ptr) {
  if (ptr == nullptr) {
    return;
  }
  static_cast<Budget*>(udata)->used -= block_size(ptr);
  std::free(static_cast<unsigned char*>(ptr) - kHeader);
}

void* budget_realloc(void* udata, void* ptr, duk_size_t size) {
  if (ptr == nullptr) {
    return budget_alloc(udata, size);
  }
  auto* budget = static_cast<Budget*>(udata);
  const std::size_t old_size = block_size(ptr);
  if (size > old_size && size - old_size > budget->cap - budget->used) {
    return nullptr;  // the old block stays valid, as realloc promises
  }
  auto* block =
      static_cast<unsigned char*>(std::realloc(static_cast<unsigned char*>(ptr) - kHeader, kHeader + size));
  if (block == nullptr) {
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  budget->used = budget->used - old_size + size;
  return block + kHeader;
}

// Reached only by an error outside every protected call, which this file never makes.
void fatal_handler(void*, const char* msg) {
  std::fprintf(stderr, "script engine fatal error: %s\n", msg != nullptr ? msg : "");
  std::abort();
}

// Results written by the callbacks below; plain data only, since they may be left by longjmp.
struct Converted {
  bool absent = false;
  bool mismatch = false;
  double number = 0;
  bool boolean = false;
};

// Converts the value on top of the stack in place; for Want::text leaves a string there.
void convert_top(duk_context* ctx, Want want, Converted* out) {
  const duk_int_t type = duk_get_type(ctx, -1);
  if (type == DUK_TYPE_UNDEFINED) {
    out->absent = true;
    duk_pop(ctx);
    duk_push_lstring(ctx, "", 0);
    return;
  }
  switch (want) {
    case Want::nothing:
      return;
    case Want::text:
      if (type == DUK_TYPE_NULL) {
        out->mismatch = true;
      } else {
        duk_to_string(ctx, -1);  // may run toString(); a throw lands in the protected call
      }
      return;
    case Want::number:
      if (type == DUK_TYPE_NUMBER) {
        out->number = duk_get_number(ctx, -1);
      } else if (type == DUK_TYPE_BOOLEAN) {
        out->number = duk_get_boolean(ctx, -1) ? 1 : 0;
      } else if (type == DUK_TYPE_STRING) {
        out->number = duk_to_number(ctx, -1);
        out->mismatch = std::isnan(out->number);
      } else {
        out->mismatch = true;
      }
      return;
    case Want::boolean:
      if (type == DUK_TYPE_BOOLEAN) {
        out->boolean = duk_get_boolean(ctx, -1) != 0;
      } else if (type == DUK_TYPE_NUMBER) {
        const double x = duk_get_number(ctx, -1);
        out->boolean = x != 0 && !std::isnan(x);
      } else {
        out->mismatch = true;
      }
      return;
  }
}

struct ProgramCall {
  const char* source = nullptr;
  std::size_t length = 0;
  Want want = Want::nothing;
  Converted out{};
};

duk_ret_t program_body(duk_context* ctx, void* udata) {
  auto* call = static_cast<ProgramCall*>(udata);
  duk_compile_lstring(ctx, 0, call->source, call->length);
  duk_call(ctx, 0);
  convert_top(ctx, call->want, &call->out);
  return 1;
}

struct GlobalCall {
  const char* name = nullptr;
  std::size_t name_length = 0;
  const std::string* args = nullptr;
  std::size_t arg_count = 0;
  Want want = Want::nothing;
  Converted out{};
};

duk_ret_t global_call_body(duk_context* ctx, void* udata) {
  auto* call = static_cast<GlobalCall*>(udata);
  duk_get_global_lstring(ctx, call->name, call->name_length);
  if (!duk_is_function(ctx, -1)) {
    duk_error(ctx, DUK_ERR_TYPE_ERROR, "no script procedure named '%.*s'",
              static_cast<int>(call->name_length), call->name);
  }
  duk_require_stack(ctx, static_cast<duk_idx_t>(call->arg_count));
  for (std::size_t i = 0; i < call->arg_count; ++i) {
    duk_push_lstring(ctx, call->args[i].data(), call->args[i].size());
  }
  duk_call(ctx, static_cast<duk_idx_t>(call->arg_count));
  convert_top(ctx, call->want, &call->out);
  return 1;
}

struct JsonLoad {
  const char* name = nullptr;
  std::size_t name_length = 0;
  const char* json = nullptr;
  std::size_t json_length = 0;
};

duk_ret_t json_load_body(duk_context* ctx, void* udata) {
  auto* load = static_cast<JsonLoad*>(udata);
  duk_push_lstring(ctx, load->json, load->json_length);
  duk_json_decode(ctx, -1);
  duk_put_global_lstring(ctx, load->name, load->name_length);
  duk_push_undefined(ctx);
  return 1;
}

// Collects the outcome of a protected call and pops its single value.
DukResult finish(duk_context* ctx, duk_int_t rc, Want want, const Converted& out) {
  DukResult result;
  duk_size_t length = 0;
  if (rc != DUK_EXEC_SUCCESS) {
    const char* message = duk_safe_to_lstring(ctx, -1, &length);
    result.error.assign(message, length);
  } else if (out.mismatch) {
    result.error = "type mismatch: the value cannot be converted";
  } else {
    result.ok = true;
    result.absent = out.absent;
    result.number = out.number;
    result.boolean = out.boolean;
    if (want == Want::text) {
      const char* text = duk_get_lstring(ctx, -1, &length);
      if (text != nullptr) {
        result.text.assign(text, length);
      }
    }
  }
  duk_pop(ctx);
  return result;
}

DukResult no_heap() {
  return DukResult{.error = "the script engine has no heap"};
}

}  // namespace

DukHeap::DukHeap(std::size_t memory_cap)
    : budget_(std::make_unique<MemoryBudget>(MemoryBudget{.cap = memory_cap})) {
  ctx_ = duk_create_heap(budget_alloc, budget_realloc, budget_free, budget_.get(), fatal_handler);
}

DukHeap::~DukHeap() {
  destroy();
}

DukHeap::DukHeap(DukHeap&& other) noexcept
    : budget_(std::move(other.budget_)), ctx_(std::exchange(other.ctx_, nullptr)) {}

DukHeap& DukHeap::operator=(DukHeap&& other) noexcept {
  if (this != &other) {
    destroy();
    budget_ = std::move(other.budget_);
    ctx_ = std::exchange(other.ctx_, nullptr);
  }
  return *this;
}

void DukHeap::destroy() {
  if (ctx_ != nullptr) {
    duk_destroy_heap(ctx_);  // frees through the budget, so it goes before the budget
    ctx_ = nullptr;
  }
}

std::size_t DukHeap::memory_used() const {
  return budget_ ? budget_->used : 0;
}

DukResult DukHeap::run_program(std::string_view source, Want want) {
  if (ctx_ == nullptr) {
    return no_heap();
  }
  ProgramCall call{.source = source.data(), .length = source.size(), .want = want};
  const duk_int_t rc = duk_safe_call(ctx_, program_body, &call, 0, 1);
  return finish(ctx_, rc, want, call.out);
}

DukResult DukHeap::call_global(std::string_view name, std::span<const std::string> args, Want want) {
  if (ctx_ == nullptr) {
    return no_heap();
  }
  GlobalCall call{.name = name.data(),
                  .name_length = name.size(),
                  .args = args.data(),
                  .arg_count = args.size(),
                  .want = want};
  const duk_int_t rc = duk_safe_call(ctx_, global_call_body, &call, 0, 1);
  return finish(ctx_, rc, want, call.out);
}

DukResult DukHeap::put_global_json(std::string_view name, std::string_view json) {
  if (ctx_ == nullptr) {
    return no_heap();
  }
  JsonLoad load{
      .name = name.data(), .name_length = name.size(), .json = json.data(), .json_length = json.size()};
  const duk_int_t rc = duk_safe_call(ctx_, json_load_body, &load, 0, 1);
  return finish(ctx_, rc, Want::nothing, Converted{});
}

}  // namespace script::detail
