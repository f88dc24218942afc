#include "voice_synth.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdlib>
#include <random>

namespace vp::demo {
namespace {

// Formants (Hz) of the Japanese vowels a, i, u, e, o.
constexpr double kFormants[5][2] = {{800, 1200}, {300, 2300}, {350, 1300}, {500, 1900}, {500, 900}};

double Resonance(double freq, double centre, double width) {
  double d = (freq - centre) / width;
  return 1.0 / (1.0 + d * d);
}

}  // namespace

std::vector<float> SynthesizeVoice(int character, int voice) {
  std::mt19937 rng(static_cast<unsigned>(voice * 7919 + character));
  const double basePitch = 210.0 + 22.0 * character;  // each character her own register
  const int syllables = 2 + static_cast<int>(rng() % 7);   // 0.4 to about 2.3 seconds
  std::vector<float> out;
  double phase = 0;
  for (int s = 0; s < syllables; ++s) {
    const int vowel = static_cast<int>(rng() % 5);
    const double length = 0.16 + (rng() % 100) / 1000.0;
    const double pitch = basePitch * (1.0 + ((rng() % 40) - 15) / 100.0) * (s == syllables - 1 ? 1.12 : 1.0);
    const int n = static_cast<int>(length * kSampleRate);
    for (int i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) / n;
      const double envelope = std::sin(M_PI * t) * (t < 0.1 ? t * 10 : 1.0);
      const double f0 = pitch * (1.0 + 0.04 * std::sin(2 * M_PI * 5.5 * i / kSampleRate));
      phase += 2 * M_PI * f0 / kSampleRate;
      double sample = 0;
      for (int h = 1; h * f0 < 4000; ++h) {
        const double f = h * f0;
        const double amp = (Resonance(f, kFormants[vowel][0], 90) + 0.7 * Resonance(f, kFormants[vowel][1], 120) + 0.05) / h;
        sample += amp * std::sin(h * phase);
      }
      out.push_back(static_cast<float>(0.5 * envelope * sample));
    }
    // A short breath between syllables.
    out.insert(out.end(), static_cast<std::size_t>(0.03 * kSampleRate), 0.0f);
  }
  float peak = 0;
  for (float v : out) peak = std::max(peak, std::abs(v));
  if (peak > 0)
    for (float& v : out) v = v / peak * 0.8f;
  return out;
}

std::vector<std::uint8_t> EncodeOggVorbis(const std::vector<float>& samples, int sampleRate) {
  std::vector<std::uint8_t> file;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 1, sampleRate, 0.3f) != 0) {
    vorbis_info_clear(&vi);
    return file;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "ENCODER", "vp-demo-game");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 12345);
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  auto append = [&] {
    file.insert(file.end(), page.header, page.header + page.header_len);
    file.insert(file.end(), page.body, page.body + page.body_len);
  };
  while (ogg_stream_flush(&os, &page) != 0) append();
  std::size_t pos = 0;
  bool eos = false;
  while (!eos) {
    const std::size_t chunk = std::min<std::size_t>(1024, samples.size() - pos);
    if (chunk == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
      for (std::size_t i = 0; i < chunk; ++i) buffer[0][i] = samples[pos + i];
      vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
      pos += chunk;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (!eos && ogg_stream_pageout(&os, &page) != 0) {
          append();
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return file;
}

}  // namespace vp::demo
