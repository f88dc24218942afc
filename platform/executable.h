#pragma once
#include <string>

namespace vp::platform {

// The folder of the running executable, with a trailing separator.
std::string ExecutableFolder();
// The running executable's full path.
std::string ExecutablePath();

// Where an installed copy keeps its modules (the decoder and the audio
// module): ../lib/<multiarch>/vpcounter/ beside its bin folder, as Debian
// keeps a program's private libraries. With a trailing separator.
std::string PrivateLibraryFolder(const std::string& executableFolder);

// This process's id, and whether a process with that id still runs.
long ProcessId();
bool ProcessRunning(long pid);

}  // namespace vp::platform
