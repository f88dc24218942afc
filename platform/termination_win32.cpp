#include <windows.h>

#include <chrono>
#include <thread>

#include "platform/termination.h"

namespace vp::platform {
namespace {

// The name tests and tools find the session's window by.
constexpr wchar_t kWindowClass[] = L"vpcounter-session-end";
// How long Windows is kept from ending the process while the run ends in
// order; the run's deadline cuts it short after its own grace anyway.
constexpr std::chrono::seconds kEndingWait{3};

LRESULT CALLBACK SessionWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_QUERYENDSESSION: return TRUE;  // a counter never holds a logout up
    case WM_ENDSESSION:
      if (w) {
        NotifyTermination();
        // Windows may end the process once this returns: give the run its
        // moment to stop the voice and remove its files.
        std::this_thread::sleep_for(kEndingWait);
      }
      return 0;
    default: return DefWindowProcW(window, message, w, l);
  }
}

BOOL WINAPI ConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: NotifyTermination(); return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      NotifyTermination();
      std::this_thread::sleep_for(kEndingWait);  // the process ends when this returns
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

// The session's end messages go to top-level windows only: a hidden one on
// a thread of its own receives them, whatever the GUI thread is doing.
void StartTerminationWatch() {
  SetConsoleCtrlHandler(ConsoleEvent, TRUE);
  std::thread([] {
    WNDCLASSW type{};
    type.lpfnWndProc = SessionWindow;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kWindowClass;
    RegisterClassW(&type);
    if (!CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, type.hInstance, nullptr)) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  }).detach();
}

}  // namespace vp::platform
