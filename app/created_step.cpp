#include "app/created_step.h"

#include <string>

#include "app/update_check.h"
#include "resolve/preview.h"
#include "resolve/run_directory.h"

namespace app {

void on_window_created(resolve::Window& window) {
  resolve::set_preview_page_path(resolve::run_directory() + "/" + std::string(resolve::kPreviewPageName));
  check_for_update(window);
}

}  // namespace app
