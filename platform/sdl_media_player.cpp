#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/media_player.h"

namespace vp::platform {
namespace {

// About 12 ms at 44.1 kHz: the device's own buffer is what plays after the
// queue has drained, and what closing the device waits for.
constexpr Uint16 kDeviceFrames = 512;

bool SameFormat(const SDL_AudioSpec& a, const SDL_AudioSpec& b) {
  return a.freq == b.freq && a.format == b.format && a.channels == b.channels;
}

// Built as its own module (libvpaudio_sdl.so), so the program loads SDL and its
// sound libraries only when a voice is to be played.
// One audio device for the player's life, reopened only when a file needs
// another format: opening and closing a device per voice costs a pause and
// blocks the GUI thread.
class SdlMediaPlayer : public MediaPlayer {
 public:
  explicit SdlMediaPlayer(Poster post) : post_(std::move(post)), alive_(std::make_shared<bool>(true)) {}
  ~SdlMediaPlayer() override {
    Stop(MediaNotice::Aborted, false);
    FreeWav();
    if (device_) SDL_CloseAudioDevice(device_);
  }

  bool Open(const std::string& wavFile) override {
    Close();
    if (!audioReady_) {
      // The program handles SIGTERM and SIGINT itself (a logout ends the
      // voice); SDL would take them over and play on.
      SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      audioReady_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
      if (!audioReady_) return false;
    }
    if (SDL_LoadWAV(wavFile.c_str(), &spec_, &buffer_, &length_) == nullptr) {
      buffer_ = nullptr;
      return false;
    }
    if (longest_.count() > 0) {
      const Uint32 frame = static_cast<Uint32>(std::max(1, spec_.channels * (SDL_AUDIO_BITSIZE(spec_.format) / 8)));
      const std::uint64_t limit = static_cast<std::uint64_t>(spec_.freq) * frame * longest_.count() / 1000;
      if (length_ > limit) length_ = static_cast<Uint32>(limit - limit % frame);
    }
    return true;
  }

  void LimitLength(std::chrono::milliseconds longest) override { longest_ = longest; }

  void Play(EndHandler onEnd) override {
    Stop(MediaNotice::Superseded, true);
    if (!buffer_ || !EnsureDevice()) {
      Notify(std::move(onEnd), MediaNotice::Failure);
      return;
    }
    SDL_ClearQueuedAudio(device_);
    if (SDL_QueueAudio(device_, buffer_, length_) != 0) {
      Notify(std::move(onEnd), MediaNotice::Failure);
      return;
    }
    SDL_PauseAudioDevice(device_, 0);
    const int rate = obtained_.freq > 0 ? obtained_.freq : 22050;
    const auto tail = std::chrono::microseconds(1000000LL * obtained_.samples / rate);
    const auto expected = std::chrono::milliseconds(
        1000LL * length_ / std::max(1, spec_.freq * spec_.channels * (SDL_AUDIO_BITSIZE(spec_.format) / 8)));
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto cancel = cancel_;
    handler_ = std::move(onEnd);
    SDL_AudioDeviceID device = device_;
    watcher_ = std::thread([this, cancel, device, tail, expected] {
      const auto start = std::chrono::steady_clock::now();
      // An invalid device reports 0 queued bytes at once: never finish before
      // the sound could have played.
      while (!*cancel && (SDL_GetQueuedAudioSize(device) > 0 || std::chrono::steady_clock::now() - start < expected))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      // The last chunk left the queue; it is heard once the device buffer has played.
      const auto until = std::chrono::steady_clock::now() + tail;
      while (!*cancel && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (*cancel) return;
      std::lock_guard<std::mutex> lock(mutex_);
      if (handler_) Notify(std::exchange(handler_, nullptr), MediaNotice::Successful);
    });
  }

  void Close() override {
    Stop(MediaNotice::Aborted, true);
    FreeWav();
  }

 private:
  bool EnsureDevice() {
    if (device_ && SameFormat(opened_, spec_)) return true;
    if (device_) SDL_CloseAudioDevice(device_);
    SDL_AudioSpec wanted = spec_;
    wanted.samples = kDeviceFrames;
    wanted.callback = nullptr;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained_, 0);
    opened_ = spec_;
    return device_ != 0;
  }

  // Ends a running playback with the given notice; the device stays open, silent.
  void Stop(MediaNotice notice, bool notify) {
    if (cancel_) *cancel_ = true;
    if (watcher_.joinable()) watcher_.join();
    cancel_.reset();
    if (device_) {
      SDL_PauseAudioDevice(device_, 1);
      SDL_ClearQueuedAudio(device_);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (handler_ && notify) Notify(std::exchange(handler_, nullptr), notice);
    handler_ = nullptr;
  }

  void FreeWav() {
    if (buffer_) SDL_FreeWAV(buffer_);
    buffer_ = nullptr;
    length_ = 0;
  }

  void Notify(EndHandler handler, MediaNotice notice) {
    if (!handler) return;
    std::weak_ptr<bool> alive = alive_;
    post_([alive, handler = std::move(handler), notice] {
      if (alive.lock()) handler(notice);
    });
  }

  Poster post_;
  std::shared_ptr<bool> alive_;
  bool audioReady_ = false;
  std::chrono::milliseconds longest_{0};
  SDL_AudioSpec spec_{};      // of the open file
  SDL_AudioSpec opened_{};    // the format the device was opened for
  SDL_AudioSpec obtained_{};  // what the device gave
  Uint8* buffer_ = nullptr;
  Uint32 length_ = 0;
  SDL_AudioDeviceID device_ = 0;
  std::thread watcher_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  std::mutex mutex_;
  EndHandler handler_;
};

}  // namespace
}  // namespace vp::platform

// The entry point of the audio module, which the program loads on first use.
extern "C" __attribute__((visibility("default"))) vp::platform::MediaPlayer* vp_create_sdl_media_player(
    const vp::platform::MediaPlayer::Poster* post) {
  return new vp::platform::SdlMediaPlayer(*post);
}
