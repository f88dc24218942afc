#include "platform/large_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace vp::platform {

void PreferHugePages(void* data, std::size_t bytes) {
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

}  // namespace vp::platform
