#pragma once
#include <map>
#include <string>

namespace vp::gamedata {

// The game's two archive formats from the writing side, for the demo game and
// the tests (the program itself only reads them).

// A picture archive: 32-byte index entries for pictures 1..count (at least the
// highest number given), each with its number, data offset and size, then the data.
std::string BuildPictureArchive(const std::map<int, std::string>& pictures, int count = 0);

// One voice archive file: 256 index entries of 16 bytes (entry e holds voice
// 256 × file + e + 1: its number, size and data offset), then the data.
std::string BuildVoiceArchive(int file, const std::map<int, std::string>& entries);

}  // namespace vp::gamedata
