#include "counter/counter_run.h"

#include <utility>

#include "state/startup_log.h"

#include <chrono>
#include <exception>

#include "gamedata/archive.h"
#include "gamedata/run_folder.h"
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
      // A preview tells everything and remembers nothing; a scratch folder forgets.
      memory_(setup_.preview || !setup_.countHere ? std::string() : setup_.workFolder) {}

std::string CounterRun::workFolderOrHere() const {
  return setup_.workFolder.empty() ? std::string(".") : setup_.workFolder;
}

void CounterRun::Prepare() {
  if (!filesPrepared_) PrepareFiles();
  composition_ = composer_.Compose(settings_, historyBefore_, now_, historyRead_);
  std::vector<Notice> registry;
  for (const auto& problem : reg_.TakeProblems())
    registry.push_back({state::RegistryNotice(problem, state::NoticeContext::CounterMode), false});
  notices_.insert(notices_.begin(), registry.begin(), registry.end());
}

void CounterRun::PrepareFiles() {
  if (!counted_) Count();
  filesPrepared_ = true;
  composer_.ChooseCharacters(settings_, nowTm_);
  pictures_ = composer_.ChoosePictures(settings_, nowTm_);
  gamedata::RemoveStaleRunFolders(workFolderOrHere());
  if (!setup_.preview) {
    // The exit sound is replaced below; pictures there are a killed run's.
    gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::All, workFolderOrHere());
  }
  try {
    if (!setup_.preview) gamedata::ReplaceWindowsSounds(settings_, reg_, setup_.workFolder, nowTm_.second);
  } catch (const gamedata::ExtractWriteError& e) {
    Add(state::ExtractWriteNotice(setup_.workFolder, e.error()));
  } catch (const gamedata::DecoderMissingError& e) {
    Add(state::VoiceDecoderNotice(e.what()));
  } catch (const gamedata::GameDataError&) {
    // The greeting and the count must not depend on the game's voices.
    Add(state::GameFilesNotice());
  } catch (const std::exception& e) {
    Add(e.what());
  }
}

void CounterRun::Count() {
  counted_ = true;
  extractTo_ = gamedata::MakeRunFolder(workFolderOrHere());
  now_ = clock_();
  platform::BreakDownLocal(now_, nowTm_);
  if (setup_.settings) {
    settings_ = *setup_.settings;
  } else {
    // A scratch folder is no place to tell the sibling about, nor is a preview.
    const auto load = state::LoadSettings(settings_, reg_, setup_.programFolder, setup_.workFolder,
                                          setup_.countHere && !setup_.preview);
    for (const std::string& error : load.errors) Add(error);
  }

  const state::HistoryLocation where = state::LocateHistory(reg_, setup_.workFolder);
  // The working folder was cleaned at start; a sibling's folder elsewhere is not.
  if (where.sibling) platform::RemoveStaleTemporaryFiles(platform::FolderOf(where.path));
  state::HistoryLoad loaded;
  if (setup_.preview) {
    loaded = state::LoadHistory(historyBefore_, where, now_);
    Add(state::HistoryLoadNotice(loaded), state::HistoryUnreadable(loaded));
    historyAfter_ = historyBefore_;
  } else {
    // From loading to saving no other run may count: each run counts once and
    // greets with its own count. Nothing else happens under the lock.
    state::HistoryCounting counting(where, kHistoryLockWait);
    if (setup_.countHere) counting.LogStartupsIn(setup_.workFolder);
    if (counting.waitedInVain()) Add(state::HistoryLockNotice());
    if (counting.unlocked()) Add(state::HistoryLockUnavailableNotice());
    loaded = counting.Load(historyBefore_, now_);
    historyAfter_ = historyBefore_;
    const bool count = setup_.countHere || where.sibling;
    const state::HistorySave saved =
        count ? counting.Record(historyAfter_, now_, nowTm_) : counting.Skip(state::HistorySaveProblem::NoWorkFolder);
    // Told once, like other causes: once the log takes start-ups again it is forgotten.
    if (counting.logged())
      Add(state::StartupLogNotice(state::StartupLogName(nowTm_.year), *counting.logged()));
    // A start-up that was not counted is lost: said at every logon until mended.
    // The save's notice says what the load's would have, and what to do.
    if (const std::string text = state::HistorySaveNotice(saved); !text.empty()) Add(text, !saved);
    else Add(state::HistoryLoadNotice(loaded));
  }
  historyRead_ = !state::HistoryUnreadable(loaded);
}

void CounterRun::Add(std::string text, bool everyTime) {
  if (!text.empty()) notices_.push_back({std::move(text), everyTime});
}

std::string CounterRun::NoticeText() {
  std::vector<std::string> told;
  for (const Notice& notice : notices_)
    told.push_back(notice.everyTime ? memory_.TellEveryTime(notice.text) : memory_.Tell(notice.text));
  told_ = told;
  return state::JoinNotices(told);
}

void CounterRun::NoticesNotDelivered() {
  for (const std::string& text : told_)
    if (!text.empty()) memory_.Untold(text);
  told_.clear();
}

CounterRun::Pictures CounterRun::DrawPictures(const png::Bitmap& background, const Box& leftArea, const Box& rightArea,
                                              const shell::ChipSource& chips) {
  if (!filesPrepared_) PrepareFiles();
  Pictures p;
  p.left.SetSize(leftArea.width, leftArea.height);
  p.right.SetSize(rightArea.width, rightArea.height);
  p.drawn = shell::DrawPair(pictures_.left, pictures_.right, settings_.dirwave, background,
                            {&p.left, leftArea.left, leftArea.top}, {&p.right, rightArea.left, rightArea.top}, chips,
                            pictures_.char0, pictures_.char1, extractTo_);
  if (p.drawn.trouble.writeError != 0) Add(state::ExtractWriteNotice(setup_.workFolder, p.drawn.trouble.writeError));
  if (p.drawn.trouble.outOfMemory) Add(state::PictureMemoryNotice());
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
    const std::string wav = gamedata::ExtractVoice(settings_.dirwave, voice, extractTo_);
    if (platform::FileExists(wav)) prepared.wav = wav;
  } catch (const gamedata::ExtractWriteError& e) {
    prepared.error = memory_.Tell(state::ExtractWriteNotice(setup_.workFolder, e.error()));
  } catch (const gamedata::DecoderMissingError& e) {
    prepared.error = memory_.Tell(state::VoiceDecoderNotice(e.what()));
  } catch (const gamedata::GameDataError&) {
    prepared.error = memory_.Tell(state::GameFilesNotice());  // the sequence ends; the window still closes on time
  } catch (const std::exception& e) {
    prepared.error = memory_.Tell(e.what());
  }
  return prepared;
}

std::string CounterRun::PrepareAhead(int voice) {
  PreparedVoice prepared = PrepareVoice(voice);
  aheadVoice_ = prepared.wav.empty() ? 0 : voice;
  aheadWav_ = std::move(prepared.wav);
  return prepared.error;
}

CounterRun::PreparedVoice CounterRun::TakeVoice(int voice) {
  if (voice != 0 && voice == std::exchange(aheadVoice_, 0)) return {std::exchange(aheadWav_, {}), {}};
  aheadWav_.clear();
  return PrepareVoice(voice);
}

void CounterRun::Finish(bool logout) {
  gamedata::RemoveRunFolder(extractTo_);
  if (logout && !setup_.preview) gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Voices, workFolderOrHere());
  memory_.Remember();
}

}  // namespace vp::counter
