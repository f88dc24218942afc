#pragma once

namespace vp::platform {

// Turns SIGTERM (logout, shutdown), SIGHUP (the session went away) and SIGINT
// into bytes on a pipe, so the GUI thread can end the run in order (stop the
// voice, remove this run's files) instead of dying with them left behind.
// Returns the pipe's reading end (non-blocking), or -1. Call once.
int WatchTerminationSignals();

// A second pipe the same signals reach, for a watch on another thread that
// must see them even when the GUI thread is blocked (RunDeadline); -1 if none.
int TerminationSignalWatch();

// The signal number waiting on the pipe, or 0 when none is.
int TakeTerminationSignal(int fd);

}  // namespace vp::platform
