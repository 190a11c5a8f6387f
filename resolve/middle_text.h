#pragma once

#include <string_view>

#include "net/text.h"

namespace resolve {

// The text between the first `front` and the first `back` after it. With `back` empty:
// everything after `front`; with `front` empty: everything before `back`. Empty whenever a
// marker that is asked for does not occur.
net::Text middle_text(std::string_view text, std::string_view front = {}, std::string_view back = {});

}  // namespace resolve
