// Holds a PathLock for the tests from a process of its own:
//   vp-lock-holder FILE folder|file MILLISECONDS
// prints "held" (or "refused") once it knows, then keeps it that long.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/path_lock.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const auto on = std::strcmp(argv[2], "folder") == 0 ? vp::platform::PathLock::On::Folder
                                                       : vp::platform::PathLock::On::LockFile;
  vp::platform::PathLock lock(argv[1], on, std::chrono::milliseconds(0));
  std::printf("%s\n", lock.held() ? "held" : "refused");
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
  return lock.held() ? 0 : 1;
}
