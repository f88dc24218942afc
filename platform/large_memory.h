#pragma once
#include <cstddef>

namespace vp::platform {

// Asks the system to back a large, freshly allocated buffer with huge pages
// where it can: a decoded wallpaper then takes a few dozen page faults instead
// of thousands. Small buffers and systems without them are left as they are.
void PreferHugePages(void* data, std::size_t bytes);

}  // namespace vp::platform
