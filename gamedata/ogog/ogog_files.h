#pragma once
// The decoder's own file calls, one file per system: it links nothing of the
// program, so it cannot use the platform layer. Paths are UTF-8.
#include <cstdio>
#include <string>

namespace ogog {

// The Ogg file, opened for reading; null when it cannot be.
std::FILE* OpenForReading(const std::string& path);
// A new file beside target that nobody else can have prepared (a link or a
// file planted under its name is never written through); its name in name.
std::FILE* CreateUniqueBeside(const std::string& target, std::string& name);
// Puts the finished file in target's place at once, replacing a WAV that is
// there; false (and the file removed) when it cannot.
bool ReplaceWith(const std::string& finished, const std::string& target);
void Discard(const std::string& name);

}  // namespace ogog
