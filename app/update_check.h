#pragma once
// The check for a newer release, run once when the window has been created.

#include "resolve/window.h"

namespace app {

// Compares the program's version with the one the publisher's server publishes and, when they
// differ, offers the newer release and closes the window.
//
// Not built yet: for now it checks nothing and the window stays open.
void check_for_update(resolve::Window& window);

}  // namespace app
