#include "app/update_check.h"

namespace app {

void check_for_update(resolve::Window& /*window*/) {}

}  // namespace app
