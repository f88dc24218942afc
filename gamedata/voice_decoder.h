#pragma once
#include <string>

#include "platform/dynamic_library.h"

namespace vp::gamedata {

// The binding to the external Ogg Vorbis decoder library ("ogog"), loaded and
// unloaded around every voice.
int LoadDecoder();                                             // 0 ready, -1 not available
int DecodeOgg(const std::string& ogg, const std::string& wav);  // the library's result, -1 unbound
int UnloadDecoder();                                           // 0

// The library's file name; looked for in the executable's folder first.
inline const std::string kDecoderLibrary = platform::LibraryFileName("ogog");

// Lets tests bind another library file (empty: the usual search).
void SetDecoderPathForTesting(const std::string& path);

}  // namespace vp::gamedata
