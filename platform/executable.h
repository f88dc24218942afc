#pragma once
#include <string>

namespace vp::platform {

// The folder of the running executable, with a trailing separator.
std::string ExecutableFolder();

}  // namespace vp::platform
