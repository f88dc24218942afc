#pragma once
#include <string>

namespace vp::settings {

// The user's manual: README.TXT beside the program (a build or unpacked
// folder), else in the installed documentation folder; "" when neither exists.
std::string ManualPath(const std::string& executableFolder);

// The maker's home page as the build sets it (VPCOUNTER_HOME_PAGE); without
// one, the manual, so the menu item always opens something real. "" when neither.
std::string HomePageUrl(const std::string& executableFolder);

}  // namespace vp::settings
