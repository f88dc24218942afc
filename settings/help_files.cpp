#include "settings/help_files.h"

#include "platform/files.h"

#ifndef VPCOUNTER_HOME_PAGE
#define VPCOUNTER_HOME_PAGE ""
#endif

namespace vp::settings {

std::string ManualPath(const std::string& executableFolder) {
  for (const char* relative : {"README.TXT", "../share/doc/vpcounter/README.TXT"}) {
    const std::string path = executableFolder + relative;
    if (platform::FileExists(path)) return path;
  }
  return {};
}

std::string HomePageUrl() { return VPCOUNTER_HOME_PAGE; }

}  // namespace vp::settings
