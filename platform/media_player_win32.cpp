#include <windows.h>
#include <mmsystem.h>

#include <condition_variable>
#include <cwchar>
#include <map>
#include <mutex>
#include <thread>

#include "platform/media_player.h"
#include "platform/win32_strings.h"

namespace vp::platform {
namespace {

// The MCI's end notices, which are the player's own.
MediaNotice NoticeOf(WPARAM flag) {
  switch (flag) {
    case MCI_NOTIFY_SUCCESSFUL: return MediaNotice::Successful;
    case MCI_NOTIFY_SUPERSEDED: return MediaNotice::Superseded;
    case MCI_NOTIFY_ABORTED: return MediaNotice::Aborted;
    default: return MediaNotice::Failure;
  }
}

// A message-only window on a thread of its own receives MM_MCINOTIFY, so
// the notices come whatever the GUI thread is doing.
class MciPlayer : public MediaPlayer {
 public:
  explicit MciPlayer(Poster post) : post_(std::move(post)) {
    std::unique_lock<std::mutex> hold(lock_);
    thread_ = std::thread([this] { Pump(); });
    started_.wait(hold, [this] { return ready_; });
  }
  // A player that is gone hears of nothing: its pending notice is dropped.
  ~MciPlayer() override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      pending_.clear();
    }
    Close();
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  bool Open(const std::string& wavFile) override {
    Close();
    if (!window_) return false;
    alias_ = L"vpvoice" + std::to_wstring(++opened_);
    const std::wstring open = L"open \"" + Wide(wavFile) + L"\" type waveaudio alias " + alias_;
    if (mciSendStringW(open.c_str(), nullptr, 0, nullptr) != 0) {
      alias_.clear();
      return false;
    }
    mciSendStringW((L"set " + alias_ + L" time format milliseconds").c_str(), nullptr, 0, nullptr);
    device_ = mciGetDeviceIDW(alias_.c_str());
    return true;
  }

  void LimitLength(std::chrono::milliseconds longest) override { longest_ = longest; }

  void Play(EndHandler onEnd) override {
    if (alias_.empty()) {
      post_([onEnd = std::move(onEnd)] { onEnd(MediaNotice::Failure); });
      return;
    }
    {
      std::lock_guard<std::mutex> hold(lock_);
      pending_[device_] = std::move(onEnd);
    }
    std::wstring play = L"play " + alias_ + L" from 0";
    if (longest_.count() > 0) play += L" to " + std::to_wstring(std::min<long long>(longest_.count(), Length()));
    if (mciSendStringW((play + L" notify").c_str(), nullptr, 0, window_) != 0) End(device_, MediaNotice::Failure);
  }

  // A playback still running ends "aborted", told here: the device's own
  // notice may come after it is closed, and each playback has one notice.
  void Close() override {
    if (alias_.empty()) return;
    End(device_, MediaNotice::Aborted);
    mciSendStringW((L"close " + alias_).c_str(), nullptr, 0, nullptr);
    alias_.clear();
    device_ = 0;
  }

 private:
  long long Length() {
    wchar_t text[32] = {};
    if (mciSendStringW((L"status " + alias_ + L" length").c_str(), text, 32, nullptr) != 0) return 0;
    return std::wcstoll(text, nullptr, 10);
  }

  void End(MCIDEVICEID device, MediaNotice notice) {
    EndHandler handler;
    {
      std::lock_guard<std::mutex> hold(lock_);
      const auto it = pending_.find(device);
      if (it == pending_.end()) return;
      handler = std::move(it->second);
      pending_.erase(it);
    }
    post_([handler = std::move(handler), notice] { handler(notice); });
  }

  static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<MciPlayer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == MM_MCINOTIFY && self) {
      self->End(static_cast<MCIDEVICEID>(l), NoticeOf(w));
      return 0;
    }
    if (message == WM_CLOSE) {
      DestroyWindow(window);
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, message, w, l);
  }

  void Pump() {
    WNDCLASSW type{};
    type.lpfnWndProc = Receive;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"vpcounter-voice";
    RegisterClassW(&type);
    HWND window = CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard<std::mutex> hold(lock_);
      window_ = window;
      ready_ = true;
    }
    started_.notify_all();
    if (!window) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  }

  Poster post_;
  std::mutex lock_;
  std::condition_variable started_;
  bool ready_ = false;
  HWND window_ = nullptr;
  std::thread thread_;
  std::map<MCIDEVICEID, EndHandler> pending_;
  std::wstring alias_;
  MCIDEVICEID device_ = 0;
  unsigned opened_ = 0;
  std::chrono::milliseconds longest_{0};
};

}  // namespace

std::unique_ptr<MediaPlayer> CreateMediaPlayer(MediaPlayer::Poster post) {
  return std::make_unique<MciPlayer>(std::move(post));
}

}  // namespace vp::platform
