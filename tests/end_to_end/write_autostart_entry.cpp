// Writes the autostart entry as settings mode's start-up registration does,
// for the end-to-end test that hands it to the real consumers.
// Usage: write_autostart_entry ENTRY PROGRAM WORK_FOLDER LAUNCHER_FOLDER
#include <cstdio>

#include "platform/desktop_entry.h"
#include "settings/startup_shortcut.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s ENTRY PROGRAM WORK_FOLDER LAUNCHER_FOLDER\n", argv[0]);
    return 2;
  }
  return vp::platform::WriteDesktopEntry(argv[1], vp::settings::CounterStartupEntry(argv[2], "/C", argv[3]), argv[4]) ? 0 : 1;
}
