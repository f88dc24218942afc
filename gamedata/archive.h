#pragma once
#include <stdexcept>
#include <string>

namespace vp::gamedata {

// An archive that cannot be opened, or an output file that cannot be created.
class GameDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Picture n of the game's picture archive, written to "./%03X.png" in the
// working folder; returns that name ("" for n = 0). Raises GameDataError.
std::string ExtractPicture(const std::string& gameFolder, int n);

// Voice n of the voice archives, decoded to "./%04X.wav"; returns that name
// whether or not decoding produced it ("" for n = 0). Raises GameDataError.
std::string ExtractVoice(const std::string& gameFolder, int n);

// Deletes the matching files of the working folder (pattern like "*.WAV",
// without regard to case), and in sub-folders, removing those left empty.
void DeleteByPattern(const std::string& pattern, const std::string& folder = ".");

std::string PictureFileName(int n);  // "./019.png"
std::string VoiceFileName(int n, const char* extension);  // "./03D8.wav"

}  // namespace vp::gamedata
