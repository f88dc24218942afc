#pragma once
#include <string>

namespace vp::platform {

// The folder of the running executable, with a trailing separator.
std::string ExecutableFolder();
// The running executable's full path.
std::string ExecutablePath();

}  // namespace vp::platform
