#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace vp::platform {

// How a playback ended, as the media player reports it.
enum class MediaNotice { Successful, Superseded, Aborted, Failure };

// Plays one WAV file at a time and tells when it ended. Notices arrive through
// the poster, which runs them on the GUI thread.
class MediaPlayer {
 public:
  using Poster = std::function<void(std::function<void()>)>;
  using EndHandler = std::function<void(MediaNotice)>;
  virtual ~MediaPlayer() = default;
  virtual bool Open(const std::string& wavFile) = 0;  // false: the file cannot be played
  // Files opened afterwards play at most this long (0: no limit).
  virtual void LimitLength(std::chrono::milliseconds longest) = 0;
  // Starts the opened file; onEnd gets exactly one notice for this playback.
  virtual void Play(EndHandler onEnd) = 0;
  // Stops and releases the file; a playback still running ends "aborted".
  virtual void Close() = 0;
};

// The system's player. Here SDL2 audio, from the audio module
// (libvpaudio_sdl.so) loaded when the first file is opened; without the
// module nothing opens and playback fails (headless runs use
// SDL_AUDIODRIVER=dummy or disk). On Windows the MCI wave audio device,
// whose four end notices are these.
std::unique_ptr<MediaPlayer> CreateMediaPlayer(MediaPlayer::Poster post);

}  // namespace vp::platform
