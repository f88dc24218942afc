// libogog: the Ogg Vorbis to WAV decoder that the program binds at run time.
// OGG_DecodeFile writes a 16-bit PCM WAV file; on any failure it leaves no WAV
// file behind and returns non-zero.
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ogog_files.h"

#if defined(_WIN32)
#define OGOG_EXPORT extern "C" __declspec(dllexport)
#else
#define OGOG_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

void Put16(std::vector<unsigned char>& out, std::uint32_t v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::vector<unsigned char> WavHeader(int channels, long rate, std::uint32_t dataBytes) {
  std::vector<unsigned char> h;
  h.insert(h.end(), {'R', 'I', 'F', 'F'});
  Put32(h, 36 + dataBytes);
  h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(h, 16);
  Put16(h, 1);  // PCM
  Put16(h, static_cast<std::uint32_t>(channels));
  Put32(h, static_cast<std::uint32_t>(rate));
  Put32(h, static_cast<std::uint32_t>(rate * channels * 2));
  Put16(h, static_cast<std::uint32_t>(channels * 2));
  Put16(h, 16);
  h.insert(h.end(), {'d', 'a', 't', 'a'});
  Put32(h, dataBytes);
  return h;
}

constexpr std::size_t kMaxPcmBytes = std::size_t{64} << 20;

}  // namespace

OGOG_EXPORT std::int32_t OGG_GetVersion(char* buffer) {
  static const char kVersion[] = "ogog 1.0 (libvorbis)";
  if (buffer) std::memcpy(buffer, kVersion, sizeof kVersion);
  return 0x0100;
}

OGOG_EXPORT std::int32_t OGG_DecodeFile(const char* oggPath, const char* wavPath) {
  if (!oggPath || !wavPath) return 1;
  OggVorbis_File vf;
  std::FILE* ogg = ogog::OpenForReading(oggPath);
  if (!ogg) return 2;
  // The library closes the file with ov_clear; the caller, when it refuses it.
  if (ov_open_callbacks(ogg, &vf, nullptr, 0, OV_CALLBACKS_DEFAULT) != 0) {
    std::fclose(ogg);
    return 2;
  }
  vorbis_info* info = ov_info(&vf, -1);
  if (!info || info->channels < 1 || info->channels > 8) {
    ov_clear(&vf);
    return 3;
  }
  const int channels = info->channels;
  const long rate = info->rate;
  std::vector<unsigned char> pcm;
  char buffer[8192];
  int section = 0;
  for (;;) {
    long n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section);
    if (n == 0) break;
    // Game voices last seconds; minutes of sound are a damaged or hostile file.
    if (n < 0 || pcm.size() > kMaxPcmBytes) {
      ov_clear(&vf);
      return 4;
    }
    pcm.insert(pcm.end(), buffer, buffer + n);
  }
  ov_clear(&vf);
  if (pcm.empty()) return 5;

  // Written to a new file beside the target and renamed, so a failure never
  // leaves a WAV and a link planted under any name is never written through.
  std::string temp;
  std::FILE* out = ogog::CreateUniqueBeside(wavPath, temp);
  if (!out) return 6;
  const auto header = WavHeader(channels, rate, static_cast<std::uint32_t>(pcm.size()));
  bool ok = std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
            std::fwrite(pcm.data(), 1, pcm.size(), out) == pcm.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    ogog::Discard(temp);
    return 7;
  }
  if (!ogog::ReplaceWith(temp, wavPath)) return 7;
  return 0;
}
