#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/error.h"

namespace vp::gamedata {

// An archive that cannot be opened, or an output file that cannot be created.
class GameDataError : public vp::Error {
 public:
  using vp::Error::Error;
};

// An extracted file could not be written into the working folder: the disk
// (full, read-only), not the game, is the cause.
class ExtractWriteError : public GameDataError {
 public:
  ExtractWriteError(const std::string& what, int error) : GameDataError(what), error_(error) {}
  int error() const { return error_; }

 private:
  int error_;
};

// The voice decoder library is missing or unusable: no voice can be spoken,
// whatever the game holds.
class DecoderMissingError : public GameDataError {
 public:
  using GameDataError::GameDataError;
};

// The game's pictures are 180 x 140 and its voices a few seconds long: an entry
// larger than this is not extracted (its file stays empty), so a damaged or
// hostile archive cannot make a run write gigabytes.
inline constexpr std::int64_t kMaxEntryBytes = 16 << 20;

// Picture n of the game's picture archive, written to "%03X.png" in folder
// (a run's own, or the working folder); returns its path ("./019.png" in
// ".", "" for n = 0). Raises GameDataError.
std::string ExtractPicture(const std::string& gameFolder, int n, const std::string& folder = ".");

// Voice n of the voice archives, decoded to "%04X.wav" in folder; returns its
// path whether or not decoding produced it ("" for n = 0). Raises GameDataError,
// DecoderMissingError when the decoder library cannot be loaded.
std::string ExtractVoice(const std::string& gameFolder, int n, const std::string& folder = ".");

// The two clean-ups of a folder extracted into: the program's own extracted
// files of one kind, and nothing else (no folders, no links, no other names).
// All: both in one pass over the list.
enum class ExtractedKind { Pictures, Voices, All };
void DeleteExtractedFiles(ExtractedKind kind, const std::string& folder = ".");
// Whether name is one the program gives an extracted file of that kind:
// "019.png" (three or more hex digits), "03D8.wav"/"03D8.ogg" (four or more), any case.
bool IsExtractedFileName(ExtractedKind kind, const std::string& name);  // Pictures or Voices

std::string PictureFileName(int n);  // "./019.png"
std::string VoiceFileName(int n, const char* extension);  // "./03D8.wav"

}  // namespace vp::gamedata
