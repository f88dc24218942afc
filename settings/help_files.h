#pragma once
#include <string>

namespace vp::settings {

// The user's manual: README.TXT beside the program (a build or unpacked
// folder), else in the installed documentation folder; "" when neither exists.
std::string ManualPath(const std::string& executableFolder);

// The maker's home page given at build time (-DVPCOUNTER_HOME_PAGE); "" when
// this build has none, and then the help menu says so instead of opening something else.
std::string HomePageUrl();

}  // namespace vp::settings
