#pragma once
// The click on "解析": resolve the URL box's link and show what the service says about it (the
// addresses, the title, the cover) and a preview of the video in address box 1.

#include "resolve/window.h"

namespace resolve {

void parse_action(Window& window);

}  // namespace resolve
