#pragma once
// Sets (or clears) an environment variable for the life of the object and puts back what was
// there before, so a test that routes through http_proxy leaves no trace for the next one.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace testing_support {

class ScopedEnv {
 public:
  // Without a value the variable is removed.
  explicit ScopedEnv(std::string name, std::optional<std::string> value = std::nullopt)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    put(value);
  }
  ~ScopedEnv() { put(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void put(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

  std::string name_;
  std::optional<std::string> old_{};
};

}  // namespace testing_support
