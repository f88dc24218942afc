#include "platform/registry.h"

namespace vp::platform {

// Here the registry is the .reg files of the user's configuration folder.
Registry& TheRegistry() {
  static RegFileRegistry registry;
  return registry;
}

}  // namespace vp::platform
