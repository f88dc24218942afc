#pragma once
#include <cstddef>
#include <cstdint>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace vp {

// Asks the system to back a large, freshly allocated buffer with huge pages
// where it can: a decoded wallpaper then takes a few dozen page faults instead
// of thousands. Small buffers and systems without them are left as they are.
// Header-only and a mere hint, so the codec needs no platform layer for it.
inline void PreferHugePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  if (data == nullptr || bytes < 2 * kHugePage) return;
  // Only the whole huge pages inside the buffer: the advice covers full pages,
  // and the heap around a smaller allocation is not ours to change.
  const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);  // advice: a refusal changes nothing
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace vp
