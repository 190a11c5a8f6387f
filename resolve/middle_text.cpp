#include "resolve/middle_text.h"

namespace resolve {

net::Text middle_text(std::string_view text, std::string_view front, std::string_view back) {
  std::string_view rest = text;
  if (!front.empty() || back.empty()) {
    const int at = net::find_text(text, front);
    if (at == -1)
      return {};
    rest = text.substr(at - 1 + front.size());
    if (back.empty())
      return net::Text(rest);
  }
  const int end = net::find_text(rest, back);
  if (end == -1)
    return {};
  return net::Text(rest.substr(0, end - 1));
}

}  // namespace resolve
