#pragma once
// Routes the program's built-in host names to a local server for the length of a scope, the
// way a user routes them: through http_proxy. The earlier value comes back afterwards.

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class ProxyEnv {
 public:
  explicit ProxyEnv(const std::string& proxy_url) {
    for (const char* name : {"http_proxy", "no_proxy"}) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("http_proxy", proxy_url.c_str(), 1);
    ::unsetenv("no_proxy");
  }
  ~ProxyEnv() {
    const char* names[] = {"http_proxy", "no_proxy"};
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) {
        ::setenv(names[i], saved_[i]->c_str(), 1);
      } else {
        ::unsetenv(names[i]);
      }
    }
  }
  ProxyEnv(const ProxyEnv&) = delete;
  ProxyEnv& operator=(const ProxyEnv&) = delete;

 private:
  std::vector<std::optional<std::string>> saved_;
};

}  // namespace testing_support
