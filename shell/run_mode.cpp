#include "shell/run_mode.h"

namespace vp::shell {

RunMode ChooseRunMode(const std::vector<std::string>& arguments) {
  return !arguments.empty() && arguments.front() == "/C" ? RunMode::Counter : RunMode::Settings;
}

}  // namespace vp::shell
