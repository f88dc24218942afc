#pragma once

namespace vp::shell {

// The entry point: chooses the mode from the first argument, runs the message
// loop until the mode's main window closes, and returns 0.
int RunApplication(int argc, char** argv);

}  // namespace vp::shell
