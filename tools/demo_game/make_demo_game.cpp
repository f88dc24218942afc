// Writes a complete demo game folder: the executable marker, the picture
// archive with every picture the program's tables use, and the voice archives
// with a real Ogg Vorbis clip for every voice number they use.
// Usage: vp-demo-game DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include <unistd.h>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "character_painter.h"
#include "counter/greeting_tables.h"
#include "gamedata/archive_layout.h"
#include "gamedata/game_folder.h"
#include "gamedata/sound_scheme.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "state/settings.h"
#include "png/png_write_stream.h"
#include "png/stream.h"
#include "shell/characters.h"
#include "voice_synth.h"

namespace {

constexpr int kPictureWidth = 180;
constexpr int kPictureHeight = 140;
const QColor kKeyColour(255, 0, 255);

// Even characters come with an alpha channel, odd ones opaque on a key colour
// (the top-left pixel), as the game's pictures do both.
std::vector<std::uint8_t> Picture(int number) {
  const int character = (number - 1) / 16;
  const int mood = (number - 1) % 16 + 1;
  QImage art(kPictureWidth, kPictureHeight, QImage::Format_ARGB32);
  art.fill(Qt::transparent);
  {
    QPainter p(&art);
    vp::artwork::PaintCharacter(p, QRectF(14, 10, 136, 130), character,
                                static_cast<vp::artwork::Mood>(mood >= 1 && mood <= 6 ? mood : 1));
  }
  const bool withAlpha = character % 2 == 0;
  vp::png::Bitmap image, alpha;
  image.SetPixelFormat(vp::png::PixelFormat::pf24bit);
  image.SetSize(kPictureWidth, kPictureHeight);
  alpha.SetPixelFormat(vp::png::PixelFormat::pf8bit);
  alpha.SetSize(kPictureWidth, kPictureHeight);
  for (int y = 0; y < kPictureHeight; ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(art.constScanLine(y));
    std::uint8_t* dst = image.ScanLine(y);
    for (int x = 0; x < kPictureWidth; ++x) {
      QRgb c = src[x];
      int a = qAlpha(c);
      if (!withAlpha) {
        // Hard edges against the key colour, so no key-coloured fringe shows.
        if (a < 128) c = kKeyColour.rgb();
        a = 255;
      }
      dst[3 * x] = static_cast<std::uint8_t>(qBlue(c));
      dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
      dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
      alpha.ScanLine(y)[x] = static_cast<std::uint8_t>(255 - a);
    }
  }
  vp::png::MemoryStream out;
  vp::png::TPngWriteStream writer;
  writer.filterType = vp::png::TPngFilterType::gpfJust;
  writer.compressionLevel = 9;
  writer.writeCurrentTime = false;
  if (withAlpha) writer.alphaBitmap = &alpha;
  writer.SaveToStream(image, out);
  return out.Bytes();
}

bool WriteDemoGame(const std::string& dir) {
  if (!vp::platform::CreateFolders(dir + "/HD") || !vp::platform::CreateFolders(dir + "/CD")) {
    std::fprintf(stderr, "vp-demo-game: cannot create %s\n", dir.c_str());
    return false;
  }

  std::set<int> pictures;
  std::map<int, int> voices;  // voice number -> character
  for (int c = 0; c < 6; ++c) {
    pictures.insert(vp::shell::Characters()[static_cast<std::size_t>(c)].pictureNumber);
    for (const auto& e : vp::counter::GreetingTables()[static_cast<std::size_t>(c)]) {
      pictures.insert(e.picture);
      for (int v : e.voices)
        if (v) voices[v] = c;
    }
    for (int v : vp::gamedata::ExitVoices()[static_cast<std::size_t>(c)])
      if (v) voices[v] = c;
  }

  std::map<int, std::string> pngs;
  for (int n : pictures) {
    const std::vector<std::uint8_t> png = Picture(n);
    pngs[n] = std::string(png.begin(), png.end());
  }
  bool ok = vp::platform::ReplaceFileAtomically(vp::platform::JoinPath(dir, vp::gamedata::kPictureArchive),
                                                vp::gamedata::BuildPictureArchive(pngs));

  std::map<int, std::map<int, std::string>> files;  // archive number -> entry -> Ogg file
  for (const auto& [voice, character] : voices) {
    const std::vector<std::uint8_t> ogg =
        vp::demo::EncodeOggVorbis(vp::demo::SynthesizeVoice(character, voice), vp::demo::kSampleRate);
    if (ogg.empty()) ok = false;
    files[(voice - 1) / 256][(voice - 1) % 256] = std::string(ogg.begin(), ogg.end());
  }
  // Every archive up to the last one exists, as an installed game has them all.
  const int lastFile = files.rbegin()->first;
  for (int f = 0; f <= lastFile; ++f)
    ok &= vp::platform::ReplaceFileAtomically(vp::platform::JoinPath(dir, vp::gamedata::VoiceArchiveName(f)),
                                              vp::gamedata::BuildVoiceArchive(f, files[f]));
  const std::string marker = "ヴェルベル・プラス demo game for vpcounter\n";
  ok &= vp::platform::ReplaceFileAtomically(vp::platform::JoinPath(dir, vp::state::kGameExecutable), marker);
  std::printf("demo game in %s: %zu pictures, %zu voices in %d archives\n", dir.c_str(), pictures.size(), voices.size(),
              lastFile + 1);
  return ok;
}

// A Wine prefix as a player's would be after installing the game: the 32-bit
// game's key under Wow6432Node in system.reg, drive C: through dosdevices, and
// the picture archive named in capitals, as copied from a disc.
bool WriteWinePrefix(const std::string& prefix) {
  const std::string game = prefix + "/drive_c/Program Files (x86)/QOTA/VerbellePlus";
  if (!WriteDemoGame(game)) return false;
  bool ok = std::rename((game + "/HD/fa0000R.aif").c_str(), (game + "/HD/FA0000R.AIF").c_str()) == 0;
  ok &= vp::platform::CreateFolders(prefix + "/dosdevices");
  const std::string drive = prefix + "/dosdevices/c:";
  ::unlink(drive.c_str());
  ok &= ::symlink("../drive_c", drive.c_str()) == 0;
  const std::string reg =
      "WINE REGISTRY Version 2\n"
      ";; All keys relative to \\\\Machine\n\n"
      "#arch=win64\n\n"
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1733650000\n"
      "#time=1db4a9f3c1e6a00\n"
      "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n\n"
      "[Software\\\\Wow6432Node\\\\QOTA_CORP\\\\VerbellePlus] 1733650000\n"
      "#time=1db4a9f3c1e6a00\n"
      "\"install\"=\"C:\\\\Program Files (x86)\\\\QOTA\\\\VerbellePlus\"\n"
      "\"version\"=dword:00000100\n";
  ok &= vp::platform::ReplaceFileAtomically(prefix + "/system.reg", reg);
  if (ok) std::printf("Wine prefix in %s: the game in %s\n", prefix.c_str(), game.c_str());
  return ok;
}

// The installed game's key, as the game's installer leaves it, in the
// machine's registry file in regDir.
bool WriteInstallKey(const std::string& regDir, const std::string& game) {
  vp::platform::RegFileRegistry registry(regDir);
  auto key = registry.OpenKey(vp::platform::RegRoot::LocalMachine, vp::state::kGameKey, true);
  if (!key) return false;
  key->WriteString("install", game);
  return key->Close();
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage =
      "usage: vp-demo-game DIR [--registry REGDIR]  writes a demo game into DIR (and its install key\n"
      "                                              into REGDIR/HKEY_LOCAL_MACHINE.reg)\n"
      "       vp-demo-game --wine-prefix DIR        writes a Wine prefix with the demo game installed\n";
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs(usage, stdout);
    return 0;
  }
  const bool prefix = argc == 3 && first == "--wine-prefix";
  const bool registry = argc == 4 && std::string(argv[2]) == "--registry";
  // An option we do not know is no folder name: a folder named "--x" would surprise everyone.
  if ((argc != 2 && !prefix && !registry) || (!prefix && (first.empty() || first.front() == '-'))) {
    std::fputs(usage, stderr);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (prefix) return WriteWinePrefix(argv[2]) ? 0 : 1;
  const std::string game = argv[1];
  if (!WriteDemoGame(game)) return 1;
  if (registry && !WriteInstallKey(argv[3], game)) {
    std::fprintf(stderr, "vp-demo-game: cannot write the install key into %s\n", argv[3]);
    return 1;
  }
  return 0;
}
