#pragma once
#include <chrono>
#include <functional>

namespace vp::platform {

// The last resort of an unattended run. A thread of its own ends the process
// (status 0) when the run is still going at the deadline, or when the
// session ended (OnTermination) and the run has not ended within grace: its
// loop is blocked on a desktop service (a stopped session bus, a hung X
// server). lastWords runs first, on that thread, to remove what the run
// left; the count was saved before any of this could block. Call once.
void StartRunDeadline(std::chrono::milliseconds limit, std::chrono::milliseconds grace,
                      std::function<void()> lastWords);

}  // namespace vp::platform
