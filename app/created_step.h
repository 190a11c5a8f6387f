#pragma once
// What happens once the main window has been created: the preview page goes beside the
// program, then the update check runs (and may close the window).

#include "resolve/window.h"

namespace app {

void on_window_created(resolve::Window& window);

}  // namespace app
