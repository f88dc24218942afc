// vp-png: inspect, decode and re-encode PNG files with the program's own codec.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "base/utf8_file.h"
#include "png/png_decode.h"
#include "png/png_graphic.h"
#include "png/png_read_stream.h"
#include "png/png_write_stream.h"
#include "png/rgba.h"

using namespace vp::png;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vp-png info FILE\n"
               "       vp-png rgba IN OUT\n"
               "       vp-png convert IN OUT [--filter just|none|sub|up|avg|paeth] [--level N] [--interlace] [--grey]\n");
  return 2;
}

std::string ColourText(ColorValue c) {
  if (c == kNoColor) return "none";
  char text[48];
  if ((c & 0xFF000000) == 0x01000000) std::snprintf(text, sizeof text, "palette index %d", c & 0xFF);
  else std::snprintf(text, sizeof text, "rgb(%d, %d, %d)", RedOf(c), GreenOf(c), BlueOf(c));
  return text;
}

int Info(const char* path) {
  MemoryStream stream;
  if (!stream.LoadFromFile(path)) throw EStreamError(std::string("Cannot open file \"") + path + "\"");
  Bitmap image, alpha;
  TPNGTime time;
  TPNGChromaticities chrm;
  TPngReadStream reader;
  reader.alphaTarget = &alpha;
  reader.timeTarget = &time;
  reader.chrmTarget = &chrm;
  reader.LoadFromStream(&image, stream, 0);
  static const char* kClasses[] = {"grey", "?", "colour", "palette"};
  std::printf("size:         %d x %d\n", reader.width, reader.height);
  std::printf("bit depth:    %d (bitmap %d bits)\n", reader.sourceBitDepth, image.BitCount());
  std::printf("colour type:  %s%s\n", reader.colourClass >= 0 ? kClasses[reader.colourClass & 3] : "unknown",
              reader.hasAlpha ? " with alpha" : "");
  std::printf("interlace:    %s\n", reader.interlace ? "Adam7" : "none");
  std::printf("alpha:        %s\n", reader.hasAlpha ? "yes" : "no");
  std::printf("transparent:  %s\n", ColourText(reader.transColor).c_str());
  std::printf("background:   %s\n", ColourText(reader.backgroundColor).c_str());
  std::printf("gamma:        %.5f\n", reader.gamma);
  if (reader.physX > 0) std::printf("physical:     %d x %d (%s)\n", reader.physX, reader.physY, reader.physUnit == 1 ? "per metre" : "aspect");
  if (time.year) std::printf("time:         %04d-%02d-%02d %02d:%02d:%02d\n", time.year, time.month, time.day, time.hour, time.minute, time.second);
  std::string comment = reader.comment;
  for (std::size_t p; (p = comment.find("\r\n")) != std::string::npos;) comment.replace(p, 2, "\n              ");
  std::printf("comment:      %s\n", comment.empty() ? "(none)" : comment.c_str());
  std::printf("chunks seen: ");
  const std::pair<unsigned, const char*> flags[] = {{pcIHDR, "IHDR"}, {pcPLTE, "PLTE"}, {pcIDAT, "IDAT"}, {pcTPNG, "tpNg"}, {pcIEND, "IEND"}};
  for (const auto& [flag, name] : flags)
    if (reader.chunks & flag) std::printf(" %s", name);
  std::printf("\n");
  return 0;
}

int Rgba(const char* in, const char* out) {
  const DecodedPng decoded = DecodePngFile(in);
  if (!decoded.ok()) {
    std::fprintf(stderr, "vp-png: %s: %s\n", in, decoded.message.c_str());
    return 1;
  }
  auto bytes = ToRgba(decoded.image, decoded.alpha.Empty() ? nullptr : &decoded.alpha);
  std::FILE* f = vp::OpenUtf8File(out, "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "vp-png: cannot write %s\n", out);
    return 1;
  }
  std::printf("%d x %d RGBA\n", decoded.image.Width(), decoded.image.Height());
  return 0;
}

int Convert(int argc, char** argv) {
  TPngGraphic graphic;
  graphic.LoadFromFile(argv[2]);
  graphic.InterlaceType = TPngInterlaceType::gptNone;
  graphic.Grayscale = false;
  for (int i = 4; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--interlace") {
      graphic.InterlaceType = TPngInterlaceType::gptAdam7;
    } else if (arg == "--grey") {
      graphic.Grayscale = true;
    } else if (arg == "--level" && i + 1 < argc) {
      graphic.CompressionLevel = std::atoi(argv[++i]);
    } else if (arg == "--filter" && i + 1 < argc) {
      std::string f = argv[++i];
      if (f == "just") graphic.FilterType = TPngFilterType::gpfJust;
      else if (f == "none") graphic.FilterType = TPngFilterType::gpfNone;
      else if (f == "sub") graphic.FilterType = TPngFilterType::gpfSub;
      else if (f == "up") graphic.FilterType = TPngFilterType::gpfUp;
      else if (f == "avg") graphic.FilterType = TPngFilterType::gpfAvg;
      else if (f == "paeth") graphic.FilterType = TPngFilterType::gpfPaeth;
      else return Usage();
    } else {
      return Usage();
    }
  }
  graphic.SaveToFile(argv[3]);
  return 0;
}

int Run(int argc, char** argv) {
  if (argc < 3) return Usage();
  try {
    std::string command = argv[1];
    if (command == "info" && argc == 3) return Info(argv[2]);
    if (command == "rgba" && argc == 4) return Rgba(argv[2], argv[3]);
    if (command == "convert" && argc >= 4) return Convert(argc, argv);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vp-png: %s\n", e.what());
    return 1;
  }
}

}  // namespace

#if defined(_WIN32)
// The Windows runtime hands main its arguments in the ANSI code page, where a
// Japanese file name is lost: the wide ones, as UTF-8.
int wmain(int argc, wchar_t** wideArgv) {
  std::vector<std::string> utf8;
  for (int i = 0; i < argc; ++i) utf8.push_back(vp::Utf8Of(std::filesystem::path(wideArgv[i])));
  std::vector<char*> argv;
  for (std::string& argument : utf8) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return Run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
