#include "platform/media_player.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/executable.h"
#include "platform/files.h"

namespace vp::platform {
namespace {

constexpr const char* kAudioModule = "libvpaudio_sdl.so";
using CreateFn = MediaPlayer* (*)(const MediaPlayer::Poster*);

// Beside the program (a build), in its private library folder (installed), then the loader's search.
CreateFn LoadAudioModule() {
  static CreateFn create = [] () -> CreateFn {
    std::vector<std::string> candidates;
    if (const char* own = std::getenv("VPCOUNTER_AUDIO_MODULE"); own && *own) candidates.emplace_back(own);
    const std::string folder = ExecutableFolder();
    candidates.push_back(folder + kAudioModule);
    candidates.push_back(PrivateLibraryFolder(folder) + kAudioModule);
    for (const auto& path : candidates) {
      if (!FileExists(path)) continue;
      if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
        return reinterpret_cast<CreateFn>(dlsym(handle, "vp_create_sdl_media_player"));
    }
    void* handle = dlopen(kAudioModule, RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<CreateFn>(dlsym(handle, "vp_create_sdl_media_player")) : nullptr;
  }();
  return create;
}

// Stands in for the SDL player until a file is opened, so SDL is loaded (a few
// milliseconds and a dozen libraries) only by runs that play a voice.
class LazyMediaPlayer : public MediaPlayer {
 public:
  explicit LazyMediaPlayer(Poster post) : post_(std::move(post)) {}

  bool Open(const std::string& wavFile) override {
    if (!inner_) {
      if (CreateFn create = LoadAudioModule()) inner_.reset(create(&post_));
      if (!inner_) return false;
      inner_->LimitLength(longest_);
    }
    return inner_->Open(wavFile);
  }
  void LimitLength(std::chrono::milliseconds longest) override {
    longest_ = longest;
    if (inner_) inner_->LimitLength(longest);
  }
  void Play(EndHandler onEnd) override {
    if (inner_) return inner_->Play(std::move(onEnd));
    post_([onEnd = std::move(onEnd)] { onEnd(MediaNotice::Failure); });
  }
  void Close() override {
    if (inner_) inner_->Close();
  }

 private:
  Poster post_;
  std::chrono::milliseconds longest_{0};
  std::unique_ptr<MediaPlayer> inner_;
};

}  // namespace

std::unique_ptr<MediaPlayer> CreateMediaPlayer(MediaPlayer::Poster post) {
  return std::make_unique<LazyMediaPlayer>(std::move(post));
}

}  // namespace vp::platform
