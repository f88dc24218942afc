#include "counter/counter_run.h"

#include <chrono>
#include <exception>

#include "gamedata/archive.h"
#include "gamedata/sound_scheme.h"
#include "platform/files.h"
#include "state/notices.h"

namespace vp::counter {
namespace {
// Long enough for the runs started with this one to count theirs; short
// enough that a run never hangs at logon behind a stuck one.
constexpr std::chrono::milliseconds kHistoryLockWait{5000};
}  // namespace

CounterRun::CounterRun(platform::Registry& reg, RunSetup setup, TextMeasurer measure,
                       std::function<platform::TimeValue()> clock)
    : reg_(reg),
      setup_(std::move(setup)),
      composer_(std::move(measure)),
      clock_(std::move(clock)),
      memory_(setup_.preview ? nullptr : &reg) {}

void CounterRun::Prepare() {
  now_ = clock_();
  platform::BreakDownLocal(now_, nowTm_);
  if (setup_.settings) {
    settings_ = *setup_.settings;
  } else {
    // A scratch folder is no place to tell the sibling about, nor is a preview.
    const auto load = state::LoadSettings(settings_, reg_, setup_.programFolder, setup_.workFolder,
                                          setup_.countHere && !setup_.preview);
    notices_.insert(notices_.end(), load.errors.begin(), load.errors.end());
  }

  const state::HistoryLocation where = state::LocateHistory(reg_, setup_.workFolder);
  // The working folder was cleaned at start; a sibling's folder elsewhere is not.
  if (where.sibling) platform::RemoveStaleTemporaryFiles(platform::FolderOf(where.path));
  if (setup_.preview) {
    notices_.push_back(state::HistoryLoadNotice(state::LoadHistory(historyBefore_, where)));
    historyAfter_ = historyBefore_;
  } else {
    // From loading to saving no other run may count: each run counts once and
    // greets with its own count. Nothing else happens under the lock.
    state::HistoryCounting counting(where, kHistoryLockWait);
    if (setup_.countHere) counting.LogStartupsIn(setup_.workFolder);
    if (counting.waitedInVain()) notices_.push_back(state::HistoryLockNotice());
    if (counting.unlocked()) notices_.push_back(state::HistoryLockUnavailableNotice());
    notices_.push_back(state::HistoryLoadNotice(counting.Load(historyBefore_)));
    historyAfter_ = historyBefore_;
    const bool count = setup_.countHere || where.sibling;
    notices_.push_back(state::HistorySaveNotice(
        count ? counting.Record(historyAfter_, now_, nowTm_) : counting.Skip(state::HistorySaveProblem::NoWorkFolder)));
  }

  composer_.ChooseCharacters(settings_, nowTm_);
  gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Voices);
  try {
    if (!setup_.preview) gamedata::ReplaceWindowsSounds(settings_, reg_, setup_.workFolder, nowTm_.second);
  } catch (const gamedata::GameDataError&) {
    // The greeting and the count must not depend on the game's voices.
    notices_.push_back(state::GameFilesNotice());
  } catch (const std::exception& e) {
    notices_.push_back(e.what());
  }
  composition_ = composer_.Compose(settings_, historyBefore_, now_, nowTm_);
  const auto registryNotices = state::RegistryNotices(reg_);
  notices_.insert(notices_.begin(), registryNotices.begin(), registryNotices.end());
}

std::string CounterRun::NoticeText() {
  std::vector<std::string> told;
  for (const std::string& notice : notices_) told.push_back(memory_.Tell(notice));
  return state::JoinNotices(told);
}

CounterRun::Pictures CounterRun::DrawPictures(const png::Bitmap& background, const Box& leftArea, const Box& rightArea,
                                              const shell::ChipSource& chips) const {
  Pictures p;
  p.left.SetSize(leftArea.width, leftArea.height);
  p.right.SetSize(rightArea.width, rightArea.height);
  p.drawn = shell::DrawPair(composition_.leftPicture, composition_.rightPicture, settings_.dirwave, background,
                            {&p.left, leftArea.left, leftArea.top}, {&p.right, rightArea.left, rightArea.top}, chips,
                            settings_.char0, settings_.char1);
  return p;
}

VoiceSequence CounterRun::Voices(VoiceSequence::Clock clock) const {
  std::array<int, VoiceSequence::kMostVoices> voices{};
  if (settings_.wave && state::LeftVoiceEnabled(settings_) && composition_.entry) voices = composition_.entry->voices;
  return VoiceSequence(voices, std::move(clock));
}

CounterRun::PreparedVoice CounterRun::PrepareVoice(int voice) {
  PreparedVoice prepared;
  if (voice == 0) return prepared;
  try {
    const std::string wav = gamedata::ExtractVoice(settings_.dirwave, voice);
    if (platform::FileExists(wav)) prepared.wav = wav;
  } catch (const gamedata::GameDataError&) {
    prepared.error = memory_.Tell(state::GameFilesNotice());  // the sequence ends; the window still closes on time
  } catch (const std::exception& e) {
    prepared.error = memory_.Tell(e.what());
  }
  return prepared;
}

void CounterRun::Finish(bool logout) {
  gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Pictures);
  if (logout) gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Voices);
  memory_.Remember();
}

}  // namespace vp::counter
