#pragma once
// What the process must settle before the Qt application object exists: the HTML view's needs
// and the proxy its requests go through.

namespace app {

// Call before QApplication is constructed. The HTML view's engine refuses its sandbox when the
// process runs as root, so the sandbox is turned off then (and only then); its requests honour
// the system proxy settings, which on Linux are http_proxy and its kin.
void prepare_process();

}  // namespace app
