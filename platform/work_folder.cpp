#include "platform/work_folder.h"

#include <cstdlib>

#include "platform/executable.h"
#include "platform/files.h"

namespace vp::platform {

Environment ProcessEnvironment() {
  return [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
}

std::string ChooseWorkFolder(const Environment& env, const std::string& executableFolder, bool installed) {
  if (const std::string own = env("VPCOUNTER_WORK_DIR"); !own.empty()) {
    if (IsAbsolutePath(own)) return JoinPath(own, "");
    // Relative to where the program was started, resolved once: the run
    // moves into it, and the published history path must hold from anywhere.
    const std::string here = CurrentFolder();
    return here.empty() ? std::string() : JoinPath(JoinPath(here, own), "");
  }
  if (!installed) return JoinPath(executableFolder, "");
  const std::string state = UserStateFolder(env);
  return state.empty() ? std::string() : JoinPath(JoinPath(state, "vpcounter"), "");
}

std::string ChooseThisCopysWorkFolder(const Environment& env, bool& perUser) {
  const std::string exe = ExecutableFolder();
  const bool installed = IsInstalledCopy(exe);
  perUser = env("VPCOUNTER_WORK_DIR").empty() && installed;
  return ChooseWorkFolder(env, exe, installed);
}

std::string InWorkFolder(const std::string& workFolder, const std::string& name) {
  std::string_view file = name;
  while (file.substr(0, 2) == "./") file.remove_prefix(2);
  return JoinPath(workFolder, "") + std::string(file);
}

}  // namespace vp::platform
