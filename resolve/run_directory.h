#pragma once
// The run directory: the folder that holds the program's executable. The preview page and the
// download folder live there.

#include <string>

namespace resolve {

// The folder of the running executable as a UTF-8 path without a trailing slash; the empty
// string when the system does not tell.
std::string run_directory();

}  // namespace resolve
