#include "game/harness/harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>
#include <sstream>
#include <unistd.h>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/boot.h"
#include "game/framework/engine_entries.h"
#include "game/framework/frame_loop.h"
#include "game/framework/game_math.h"
#include "game/framework/replay.h"
#include "game/framework/scene_hooks.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"
#include "game/harness/harness_pad.h"
#include "game/harness/harness_tour.h"
#include "game/play/play.h"
#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/present.h"
#include "platform/process.h"
#include "platform/renderer.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"

namespace {

struct KeyName {
  const char* name;
  int scancode;
};
constexpr KeyName kKeys[] = {
    {"A", 4},      {"C", 6},      {"D", 7},     {"Q", 20},   {"S", 22},    {"W", 26},
    {"X", 27},     {"Z", 29},     {"ENTER", 40}, {"ESC", 41}, {"SPACE", 44}, {"RIGHT", 79},
    {"LEFT", 80},  {"DOWN", 81},  {"UP", 82},
};

constexpr int32_t kKindPlainShot = 0x20000007;   // the player's plain shots (the state log counts them)
constexpr int kEscapeScancode = 41;
constexpr uint32_t kVirtualMsPerPass = 1000;   // microseconds of work each pass costs
constexpr uint32_t kSoundFramesPerPass = 735;  // 44100 / 60

struct Run {
  const HarnessOptions* options;
  HarnessResult* result;
  bool headless;
  bool virtualClock;
  std::vector<HarnessKeyStep> steps;
  size_t nextStep = 0;
  std::vector<int> held;
  std::deque<int> answers;
  std::set<int> shots;
  FILE* hashLog = nullptr;
  FILE* stateLog = nullptr;
  int frame = 0;
  std::vector<uint32_t> playback;
  bool playbackPending = false;
  uint32_t recordedSize = 0;
  // The engine generator as play drives it: the seed last given, the draws since and their hash.
  int (*seed)(uint32_t) = nullptr;
  int (*draw)(int) = nullptr;
  uint32_t lastSeed = 0;
  uint64_t drawsSinceSeed = 0, drawHash = 0;
  // The play's area results as play reached them (the header holds them only while recording).
  uint32_t areaScore0 = 0, areas = 0;
};
Run* g_run = nullptr;

constexpr uint64_t kFnvBasis = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;

uint64_t HashWord(uint64_t h, uint32_t w) {
  for (int i = 0; i < 4; ++i) h = (h ^ ((w >> (8 * i)) & 0xFFu)) * kFnvPrime;
  return h;
}

int WatchedSeed(uint32_t seed) {
  Run& r = *g_run;
  r.lastSeed = seed;
  r.drawsSinceSeed = 0;
  r.drawHash = kFnvBasis;
  return r.seed(seed);
}

int WatchedDraw(int n) {
  Run& r = *g_run;
  const int v = r.draw(n);
  ++r.drawsSinceSeed;
  r.drawHash = HashWord(HashWord(r.drawHash, static_cast<uint32_t>(n)), static_cast<uint32_t>(v));
  return v;
}

// Draws and presents that do nothing, for runs that need no pictures.
int DrawNothingAt(int, int, int, int) { return 0; }
int DrawNothingStretched(int, int, int, int, int, int) { return 0; }
int DrawNothingRotated(int, int, double, double, int, int, int) { return 0; }
int DrawNothingBox(int, int, int, int, uint32_t, int) { return 0; }
int DrawNothingAbout(int, int, int, int, int, int, double, double, int, int) { return 0; }
int DrawNothingText(int, int, const char*, uint32_t, uint32_t) { return 0; }
int DrawNothing() { return 0; }

void SilenceDrawing() {
  g_Engine.DrawGraphAtPointLocked = DrawNothingAt;
  g_Engine.DrawGraphMirroredLocked = DrawNothingAt;
  g_Engine.DrawGraphStretchedLocked = DrawNothingStretched;
  g_Engine.DrawGraphRotatedCallLocked = DrawNothingRotated;
  g_Engine.DrawBoxShapeLocked = DrawNothingBox;
  g_Engine.DrawGraphRotatedAboutCenterLocked = DrawNothingAbout;
  g_Engine.DrawTextDefaultFontLocked = DrawNothingText;
  g_Engine.ClearDrawTargetLocked = DrawNothing;
  g_Engine.PresentScreenLocked = DrawNothing;
}

// RecordAreaResult's hook: the area and its score, counted and packed as the header packs them.
void CaptureAreaResult(int area) {
  Run& r = *g_run;
  const uint32_t k = (r.areas >> 24) & 15u;
  if (k >= static_cast<uint32_t>(kReplayMaxAreas)) return;
  if (k == 0) r.areaScore0 = static_cast<uint32_t>(GetGameVar(kVarScore)) * 10u;
  r.areas = (r.areas & 0x00FFFFFFu) | ((k + 1) << 24) | ((static_cast<uint32_t>(area) & 15u) << (4 * k));
}

// EndReplay's hook: the play's state as it ends.
void CapturePlayEnd() {
  Run& r = *g_run;
  HarnessPlayEnd& e = r.result->playEnd;
  e = HarnessPlayEnd{};
  e.frame = r.frame;
  e.score = GetGameVar(kVarScore);
  e.position = GetReplayPosition();
  e.finalScore = GetReplayWord(kRepFinalScore);
  e.areaScore0 = r.areaScore0;
  e.areas = r.areas;
  e.fileSize = GetReplayWord(kRepFileSize);
  for (int i = 0; i < 26; ++i) e.values[i] = GetGameVar(kReplayAreaVars[i]);
  e.seed = r.lastSeed;
  e.drawsSinceSeed = r.drawsSinceSeed;
  e.drawHash = r.drawHash;
  ++r.result->playsEnded;
  if (r.options->summary.empty()) return;
  const std::string text = FormatPlayEnd(e);
  if (WriteWholeFile(r.options->summary.c_str(), text.data(), int(text.size())) != int(text.size()))
    std::fprintf(stderr, "game-harness: cannot write %s\n", r.options->summary.c_str());
}

plat::WindowId MainWindow() {
  return static_cast<plat::WindowId>(reinterpret_cast<uintptr_t>(GetMainWindowHwndLocked()));
}

int AnswerBox(const char* text, const char* caption, uint32_t type) {
  Run& r = *g_run;
  int answer;
  if (!r.answers.empty()) {
    answer = r.answers.front();
    r.answers.pop_front();
  } else {
    // Unscripted boxes take the answer that changes least: No, Cancel, OK.
    const uint32_t buttons = type & 0xF;
    answer = buttons == plat::MB_YESNO ? plat::IDNO : buttons == plat::MB_YESNOCANCEL ? plat::IDCANCEL
                                                                                       : plat::IDOK;
  }
  r.result->boxes.push_back({text ? text : "", caption ? caption : "", type, answer});
  return answer;
}

void ApplyKeys() {
  Run& r = *g_run;
  while (r.nextStep < r.steps.size() && r.steps[r.nextStep].frame <= r.frame) {
    const HarnessKeyStep& s = r.steps[r.nextStep++];
    for (int k : r.held) plat::ScriptedKey(k, false);
    r.held = s.scancodes;
    for (int k : r.held) plat::ScriptedKey(k, true);
    if (s.close && MainWindow()) plat::PostWindowMessage(MainWindow(), plat::WM_CLOSE, 0, 0);
  }
}

// Starts the loaded replay as the replay list would: its difficulty, character and first area
// chosen, playback set, and the title ended with the play-start code.
void StartPlayback() {
  Run& r = *g_run;
  for (int i = 0; i < kReplayWords; ++i)
    SetReplayWord(i, i < static_cast<int>(r.playback.size()) ? r.playback[size_t(i)] : 0u);
  const uint32_t areas = GetReplayWord(kRepAreas);
  const int first = ((areas >> 24) & 15u) >= 1 ? static_cast<int>(areas & 15u) : 0;
  const int character = GetReplayWord(kRepCharacter) == 1 ? 1 : 0;
  if (character == 1) SetSettingsSlot(kSlotReplayLoadout, static_cast<int32_t>(GetReplayWord(kRepLoadout)));
  SetSettingsSlot(kSlotContinues, 0);
  SetSettingsSlot(kSlotPlayMode, first < 1 ? 130 : 162);
  SetSettingsSlot(kSlotDifficulty, static_cast<int32_t>(GetReplayWord(kRepDifficulty)));
  SetSettingsSlot(kSlotCharacter, character);
  SetSettingsSlot(kSlotStartArea, first);
  SetMenuTaskField(kFieldSceneExit, kExitPlayStart);
  r.playbackPending = false;
  r.result->playbackStarted = true;
}

// The picture presented last, as the pass hooks see it.
bool LastPicture(HarnessPicture* pic) {
  plat::PresentedFrame pf{};
  if (!plat::PresenterLastFrame(&pf) || !pf.pixels) return false;
  *pic = {pf.pixels, pf.pitch, pf.width, pf.height, int(pf.format.bitCount), pf.format.redMask,
          pf.format.greenMask, pf.format.blueMask};
  return true;
}

void SaveShot(const char* name, const HarnessPicture& pic, bool tour = false) {
  const std::string dir = tour ? g_run->options->screensDir
                               : g_run->options->screenshotDir.empty() ? "." : g_run->options->screenshotDir;
  const std::string path = dir + "/" + name;
  if (SavePicturePng(path.c_str(), pic)) g_run->result->screenshots.push_back(path);
}

void BeforePass() {
  Run& r = *g_run;
  HarnessPicture pic;
  // Before the first pass the screen still shows the loading picture.
  if (r.frame == 0 && r.shots.count(kLoadingShot) && LastPicture(&pic)) SaveShot("shot_loading.png", pic);
  if (r.frame == 0 && !r.options->screensDir.empty() && LastPicture(&pic)) SaveShot("loading.png", pic, true);
  if (r.virtualClock) plat::VirtualClockAdvance(kVirtualMsPerPass);
  ApplyKeys();
  HarnessPadPoll();
  if (r.frame == 0) {
    if (!r.options->screensDir.empty()) SetSettingsSlot(kSlotIntermission, 0);   // the card shows
    for (const auto& [slot, value] : r.options->slots) SetSettingsSlot(slot, value);
  }
  if (r.options->quitAfterTitle >= 0 && r.frame == r.result->titleFrame + r.options->quitAfterTitle &&
      r.result->titleFrame >= 0) {
    plat::ScriptedKey(kEscapeScancode, true);
    r.held.push_back(kEscapeScancode);
  }
  if (r.frame == r.options->endRecordingFrame) EndRecordingAtNextFrame();
  if (r.frame == r.options->startPlayFrame) {
    SetSettingsSlot(kSlotContinues, 0);
    SetSettingsSlot(kSlotPlayMode, 2);
    SetMenuTaskField(kFieldSceneExit, kExitPlayStart);
  }
  if (r.playbackPending &&
      (r.options->playbackFrame >= 0 ? r.frame >= r.options->playbackFrame : GetSettingsSlot(kSlotPlayMode) == 0))
    StartPlayback();
}

void WriteRecordedReplay() {
  Run& r = *g_run;
  const uint32_t size = GetReplayWord(kRepFileSize);
  if (size < 4 * kReplayHeaderWords || size == r.recordedSize || size > uint32_t(kReplayBytes)) return;
  if (static_cast<uint32_t>(GetReplayPosition()) * 4u != size || GetReplayWord(int(size / 4) - 1) != kReplayEndTag)
    return;
  if (GetSettingsSlot(kSlotPlayMode) & kPlayReplay) return;
  std::vector<uint32_t> words(size / 4);
  for (size_t i = 0; i < words.size(); ++i) words[i] = GetReplayWord(int(i));
  const std::string& path = r.options->recordReplay;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) plat::DirectoryCreate(path.substr(0, slash).c_str());
  if (WriteWholeFile(path.c_str(), words.data(), int(size)) == int(size)) {
    r.recordedSize = size;
    r.result->replayRecorded = true;
  } else {
    std::fprintf(stderr, "game-harness: the replay could not be written to %s\n", path.c_str());
  }
}

bool AfterPass() {
  Run& r = *g_run;
  HarnessResult& res = *r.result;
  const int f = r.frame++;
  res.frames = r.frame;
  if (r.headless) plat::ManualSoundAdvance(kSoundFramesPerPass);
  const int32_t mode = GetSettingsSlot(kSlotPlayMode);
  if (res.firstPlayFrame < 0 && (mode & kPlayFrames)) res.firstPlayFrame = f;
  if ((mode & 15) != 2) r.areaScore0 = r.areas = 0;   // the next play starts afresh
  if (res.titleFrame < 0 && mode == 0) res.titleFrame = f;
  const bool wantHash = r.options->hashFrames || r.hashLog;
  const bool wantShot = r.shots.count(f) != 0;
  if (wantHash || wantShot) {
    HarnessPicture pic{};
    const bool have = LastPicture(&pic);
    const uint64_t hash = have ? HashPicture(pic) : 0;
    if (r.options->hashFrames) {
      res.hashes.push_back(hash);
      res.drawCounts.push_back(GameRandomDrawCount());
      res.playModes.push_back(mode);
    }
    if (r.hashLog)
      std::fprintf(r.hashLog, "%d %d %016llx %llu\n", f, mode, static_cast<unsigned long long>(hash),
                   static_cast<unsigned long long>(GameRandomDrawCount()));
    if (wantShot && have) {
      char name[32];
      std::snprintf(name, sizeof name, "shot%06d.png", f);
      SaveShot(name, pic);
    }
  }
  if (r.stateLog) {
    const bool task = IsLiveSceneTask(GetCurrentMenuTask());
    const bool player = GetPlayerActor() > 0;
    std::fprintf(r.stateLog, "%d %d %08x %d %d %d %d\n", f, mode,
                 task ? static_cast<uint32_t>(GetMenuTaskField(0)) : 0u,
                 task ? GetMenuTaskField(kFieldCursor) : -1, player ? GetPlayerField(kFieldX) : -1,
                 player ? GetPlayerField(kFieldY) : -1, CountActorsOfKind(kKindPlainShot));
    std::fflush(r.stateLog);
  }
  if (!r.options->screensDir.empty()) {
    TourAfterPass([](const char* name) {
      HarnessPicture pic;
      if (LastPicture(&pic)) SaveShot((std::string(name) + ".png").c_str(), pic, true);
    });
    res.tourDone = TourDone();
  }
  if (r.options->onFrame) r.options->onFrame(f);
  if (!r.options->recordReplay.empty()) WriteRecordedReplay();
  if (r.options->stopAtPlayEnd && res.playsEnded > 0) return false;
  return !(r.options->frames > 0 && r.frame >= r.options->frames);
}

// The data set's settings, with the given slots.
bool WriteSettingsFileWith(const std::vector<std::pair<int, int32_t>>& slots) {
  SetDataSetSettings();
  for (const auto& [slot, value] : slots) SetSettingsSlot(slot, value);
  uint8_t image[kSettingsFileSize];
  BuildSettingsFileImage(0, image);
  return WriteWholeFile(kSettingsFileName, image, kSettingsFileSize) == kSettingsFileSize;
}

bool ReadReplayFile(const std::string& path, std::vector<uint32_t>* words) {
  const int64_t size = GetFileSizeByName(path.c_str());
  if (size < 8 || size > kReplayBytes) return false;
  // The file is the buffer's bytes (the replay code holds the machine to little-endian order).
  words->assign((size_t(size) + 3) / 4, 0u);
  if (ReadFileToBuffer(path.c_str(), words->data(), int(size)) != int(size)) return false;
  return (*words)[0] == kReplayMagic0 && (*words)[1] == kReplayMagic1;
}


}  // namespace

bool ParseInputScript(const std::string& text, std::vector<HarnessKeyStep>* out, std::string* error) {
  out->clear();
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    char* end = nullptr;
    const long frame = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || frame < 0 || frame > 100000000) {
      if (error) *error = "line " + std::to_string(number) + ": a frame number first";
      return false;
    }
    HarnessKeyStep step{int(frame), {}, false};
    while (words >> word) {
      if (word == "-") continue;
      if (word == "CLOSE") {
        step.close = true;
        continue;
      }
      int code = -1;
      for (const KeyName& k : kKeys)
        if (word == k.name) code = k.scancode;
      if (code < 0) {
        if (error) *error = "line " + std::to_string(number) + ": unknown key " + word;
        return false;
      }
      step.scancodes.push_back(code);
    }
    if (!out->empty() && out->back().frame > step.frame) {
      if (error) *error = "line " + std::to_string(number) + ": frames must not go back";
      return false;
    }
    out->push_back(step);
  }
  return true;
}

int RunHarness(const HarnessOptions& options, HarnessResult* result) {
  *result = HarnessResult{};
  Run run;
  run.options = &options;
  run.result = result;
  run.headless = !options.window;
  std::string error;
  if (!ParseInputScript(options.inputScript, &run.steps, &error)) {
    std::fprintf(stderr, "game-harness: key script: %s\n", error.c_str());
    return result->status = -1;
  }
  run.answers.assign(options.boxAnswers.begin(), options.boxAnswers.end());
  run.shots.insert(options.screenshotFrames.begin(), options.screenshotFrames.end());
  if (!options.playbackReplay.empty()) {
    if (!ReadReplayFile(HarnessAbsolutePath(options.playbackReplay), &run.playback)) {
      std::fprintf(stderr, "game-harness: %s is not a replay\n", options.playbackReplay.c_str());
      return result->status = -1;
    }
    run.playbackPending = true;
  }
  if (!options.hashLog.empty()) {
    run.hashLog = std::fopen(options.hashLog.c_str(), "w");
    if (!run.hashLog) {
      std::fprintf(stderr, "game-harness: cannot write %s\n", options.hashLog.c_str());
      return result->status = -1;
    }
  }

  if (!options.stateLog.empty()) {
    run.stateLog = std::fopen(options.stateLog.c_str(), "w");
    if (!run.stateLog) {
      std::fprintf(stderr, "game-harness: cannot write %s\n", options.stateLog.c_str());
      if (run.hashLog) std::fclose(run.hashLog);
      return result->status = -1;
    }
  }
  const auto closeLogs = [&run] {
    if (run.hashLog) std::fclose(run.hashLog);
    if (run.stateLog) std::fclose(run.stateLog);
    run.hashLog = run.stateLog = nullptr;
  };

  if (!options.padControl.empty()) {
    // The pad is SDL's: only the real window's input reads it.
    if (run.headless || !HarnessPadOpen(HarnessAbsolutePath(options.padControl))) {
      if (run.headless) std::fprintf(stderr, "game-harness: a pad needs the window\n");
      closeLogs();
      return result->status = -1;
    }
  }

  const std::string saved = HarnessAbsolutePath(".");
  const std::string folder = HarnessAbsolutePath(options.folder.empty() ? "." : options.folder);
  if (chdir(folder.c_str()) != 0) {
    std::fprintf(stderr, "game-harness: no folder %s\n", folder.c_str());
    closeLogs();
    HarnessPadClose();
    return result->status = -1;
  }
  if (!options.fileSlots.empty() && !WriteSettingsFileWith(options.fileSlots)) {
    std::fprintf(stderr, "game-harness: cannot write the settings file in %s\n", folder.c_str());
    closeLogs();
    HarnessPadClose();
    if (chdir(saved.c_str()) != 0) std::fprintf(stderr, "game-harness: cannot return to %s\n", saved.c_str());
    return result->status = -1;
  }
  // The folder just entered, named from itself: it may lie too deep to be named whole.
  plat::SingleCopyLockSetDirectory(".");
  if (options.renderer == "soft") plat::SetRendererSetting(plat::RendererSetting::NoDevice3D);
  else if (options.renderer == "nodisplay") plat::SetRendererSetting(plat::RendererSetting::NoDisplay);
  else if (options.renderer == "full") plat::SetRendererSetting(plat::RendererSetting::Full);
  plat::ProcessSelectBackend(plat::ProcessBackend::Headless);
  plat::ProcessResetRecord();
  const bool scriptedKeys = run.headless || !run.steps.empty() || !options.screensDir.empty();
  // A scripted window run has no one watching in real time: it runs on the virtual clock too.
  run.virtualClock = run.headless || scriptedKeys || options.virtualClock;
  if (run.headless) {
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::PresenterSelectBackend(plat::PresentBackend::Headless);
    plat::SoundSetBackend(plat::SoundBackend::Manual);
    plat::ManualSoundReset();
  } else {
    plat::WindowSelectBackend(plat::WindowBackend::Sdl);
    plat::PresenterSelectBackend(plat::PresentBackend::Auto);
    plat::SoundSetBackend(plat::SoundBackend::Sdl);
    plat::PresenterKeepPixels(options.hashFrames || run.hashLog || !run.shots.empty() || !options.screensDir.empty());
  }
  plat::InputSelectBackend(scriptedKeys ? plat::InputBackend::Scripted : plat::InputBackend::Sdl);
  if (scriptedKeys) plat::ScriptedInputReset();
  plat::PresenterReset();
  if (run.virtualClock) plat::VirtualClockEnable();

  g_run = &run;
  g_Engine.MessageBox = AnswerBox;
  run.seed = g_Engine.SeedRandomLocked;
  run.draw = g_Engine.GetRandomUpToLocked;
  g_Engine.SeedRandomLocked = WatchedSeed;
  g_Engine.GetRandomUpToLocked = WatchedDraw;
  if (options.drawNothing) SilenceDrawing();
  SetReplayEndHook(CapturePlayEnd);
  SetReplayAreaHook(CaptureAreaResult);
  SetFramePassHooks({BeforePass, AfterPass});
  ResetGameRandomDrawCount();
  TourReset();
  if (!options.screensDir.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(options.screensDir, ignored);
  }

  result->status = GameMain();

  HarnessPadClose();
  result->draws = GameRandomDrawCount();
  result->restarts = plat::ProcessRestartCount();
  SetFramePassHooks({nullptr, nullptr});
  SetReplayEndHook(nullptr);
  SetReplayAreaHook(nullptr);
  ResetEngineEntries();
  g_run = nullptr;
  if (scriptedKeys)
    for (int k : run.held) plat::ScriptedKey(k, false);
  TourRelease();
  if (run.virtualClock) plat::VirtualClockDisable();
  plat::PresenterKeepPixels(false);
  plat::ProcessSelectBackend(plat::ProcessBackend::Auto);
  plat::ResetRendererSetting();
  plat::SingleCopyLockSetDirectory(nullptr);
  if (chdir(saved.c_str()) != 0) std::fprintf(stderr, "game-harness: cannot return to %s\n", saved.c_str());
  closeLogs();
  return result->status;
}
