#pragma once
#include <functional>

namespace vp::platform {

// The end of the session for this run, so that it ends in order (stops the
// voice, removes its files) rather than dying with them left behind: here
// SIGTERM (logout, shutdown), SIGHUP (the session went away) and SIGINT; on
// Windows WM_QUERYENDSESSION/WM_ENDSESSION to a hidden window of the
// watch's and the console's close, logoff and shutdown events.
//
// StartTerminationWatch begins the watch (once, early). Every listener is
// called for every such end, on a thread of the watch's own (never inside a
// signal handler): a GUI posts the call to its own loop.
void StartTerminationWatch();
void OnTermination(std::function<void()> listener);

// The listeners' part, for the backends: calls each, in the order they came.
void NotifyTermination();

}  // namespace vp::platform
