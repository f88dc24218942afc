#include "gamedata/sound_scheme.h"

#include "gamedata/archive.h"

namespace vp::gamedata {

const ExitVoiceTable& ExitVoices() {
  static const ExitVoiceTable table = {{
      {231, 290, 984, 0, 0},
      {1478, 1511, 1647, 0, 0},
      {2611, 0, 0, 0, 0},
      {3782, 4123, 0, 0, 0},
      {6436, 6437, 6437, 0, 0},
      {6750, 7646, 0, 0, 0},
  }};
  return table;
}

int ChooseExitVoice(int character, int seconds) {
  const auto& list = ExitVoices()[static_cast<std::size_t>(character < 0 || character > 5 ? 0 : character)];
  int k = 0;
  while (k < 5 && list[static_cast<std::size_t>(k)] != 0) ++k;
  const int i = k > 0 ? seconds % k : 0;
  return list[static_cast<std::size_t>(i)];
}

void ReplaceWindowsSounds(const state::Settings& settings, platform::Registry& reg, const std::string& workFolder,
                          int seconds) {
  if (settings.wave == 0 || settings.repl == 0) return;
  if (auto start = reg.OpenKey(platform::RegRoot::CurrentUser, kSystemStartKey, false)) {
    start->WriteString("", "");
    start->Close();
  }
  const int voice = ChooseExitVoice(settings.char0, seconds);
  if (auto exit = reg.OpenKey(platform::RegRoot::CurrentUser, kSystemExitKey, false)) {
    // In the working folder itself, not a run's own: the desktop plays it after the run.
    const std::string wav = ExtractVoice(settings.dirwave, voice, workFolder.empty() ? std::string(".") : workFolder);
    exit->WriteString("", wav);
    exit->Close();
  }
}

}  // namespace vp::gamedata
