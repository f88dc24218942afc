#include "settings/detailed_settings.h"

#include "platform/files.h"
#include "state/settings_notices.h"

namespace vp::settings {

DetailedSettings DetailedFromSettings(const state::Settings& s) {
  DetailedSettings d;
  d.wave = s.wave != 0;
  for (std::size_t i = 0; i < 6; ++i) d.voices[i] = state::VoiceOn(s, static_cast<int>(i));
  d.repl = s.repl != 0;
  d.name = s.name != 0;
  d.rand = s.rand != 0;
  d.randMode = (s.rand >= 1 && s.rand <= 3) ? s.rand : 0;
  d.form = s.form != 0;
  d.timer = ClampSpin(s.timer, 1, 9);
  d.delay = ClampSpin(s.delay, 0, 9);
  return d;
}

void DefaultRandMode(DetailedSettings& d) {
  if (d.randMode < 1 || d.randMode > 3) d.randMode = 1;
}

void StoreDetailed(const DetailedSettings& d, state::Settings& s) {
  s.wave = d.wave ? 1 : 0;
  s.usewave.clear();
  for (bool v : d.voices) s.usewave += v ? '1' : '0';
  s.repl = d.repl ? 1 : 0;
  s.name = d.name ? 1 : 0;
  s.rand = d.rand ? (d.randMode >= 1 && d.randMode <= 3 ? d.randMode : 1) : 0;
  s.form = d.form ? 1 : 0;
  s.timer = ClampSpin(d.timer, 1, 9);
  s.delay = ClampSpin(d.delay, 0, 9);
}

int ClampSpin(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

bool NeedsFolderQuestion(const DetailedSettings& d, const state::Settings& s) { return d.wave && s.dirwave.empty(); }

std::string MissingGameFolderHint(const std::string& dirwave) {
  if (dirwave.empty() || platform::DirectoryExists(dirwave)) return {};
  return state::GameFolderNotFoundHint();
}

}  // namespace vp::settings
