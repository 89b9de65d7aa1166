#include "scripted_play.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"
#include "../key_script.h"   // relative: the frame-time bench builds this file too
#include "../menu_kind.h"
#include "game/play/play.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/window.h"

namespace fs = std::filesystem;

std::string ReadWholeText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

constexpr int kZ = 29, kX = 27, kC = 6, kD = 7, kEsc = 41;           // scan codes
constexpr int kRight = 79, kLeft = 80, kDown = 81, kUp = 82;
constexpr uint32_t kRawD = 0x200;        // the D key's raw input bit
constexpr int kSlotKeyDShift = kSlotKeyShot + 5;

using Seen = ScriptedPlaySeen;

// Keys held by schedule while frames are played, menus answered as they show.
struct Driver {
  Seen seen;
  std::vector<int> held;
  KeyScript keys;                         // menu keys
  int stage = 0, played = 0, resumedAt = -1, sub = -1, bomb = -1, shiftStart = -1, shiftEnd = -1;
  std::string settingsAtPause;
};
Driver* g_driver = nullptr;

void Hold(std::vector<int> keys) {
  Driver& d = *g_driver;
  if (keys == d.held) return;
  for (int k : d.held) plat::ScriptedKey(k, false);
  d.held = std::move(keys);
  for (int k : d.held) plat::ScriptedKey(k, true);
}

int CurrentAge() { return GetActorField(kFieldAge, GetCurrentMenuTask()); }

// A weave while shooting, the way the rounds below go: up, down, a step forward and back.
std::vector<int> Weave(int t) {
  const int c = t % 120;
  if (c < 20) return {kZ, kUp};
  if (c < 40) return {kZ, kDown};
  if (c < 50) return {kZ, kRight};
  if (c < 60) return {kZ, kLeft};
  if (c >= 80 && c < 100) return {kZ, kDown};
  if (c >= 100) return {kZ, kUp};
  return {kZ};
}

// Shooting and weaving; once the phase runs, M ACTION as soon as the gauge allows it and a bomb;
// then MENU.
void BeforePause(int t) {
  Driver& d = *g_driver;
  Seen& s = d.seen;
  if (d.sub < 0 && t >= 200 && GetGameVar(kVarMana) >= 33 && GetGameVar(kVarSubCooldown) == 0) d.sub = t;
  if (d.sub >= 0 && t - d.sub < 10) {
    Hold({kZ, kX});
    return;
  }
  if (d.bomb < 0 && t >= 300 && GetGameVar(kVarBombs) > 0) d.bomb = t;
  if (d.bomb >= 0 && t - d.bomb < 3) {
    Hold({kC});
    return;
  }
  // The pause comes while the bomb still runs: the status display, drawn by the pause menu too,
  // must not count its cooldown down on paused frames.
  if ((d.sub >= 0 && d.bomb >= 0 && t - d.bomb >= 30) || t >= 1200) {
    Hold({kEsc});
    s.bombsBeforePause = GetGameVar(kVarBombsLaunched);
    s.cooldownAtPause = GetGameVar(kVarBombCooldown);
    d.stage = 1;
    return;
  }
  Hold(Weave(t));
}

// The pause: down to KEY ASSIGN, DSHIFT bound to D and saved, back up to RESUME GAME.
void InPause() {
  Driver& d = *g_driver;
  Seen& s = d.seen;
  const int32_t kind = MenuKind();
  const int age = CurrentAge();
  if (kind == kMenuPause && !s.paused && age >= 35) {
    s.paused = true;
    d.settingsAtPause = ReadWholeText("velmarondix.sav");
    d.keys.queue = {kDown, kDown, kZ};
  }
  if (kind == kMenuKeyAssign && !s.keyAssigned && age >= 10 && d.keys.queue.empty() && d.keys.wait == 0) {
    const int row = GetActorField(kFieldCursor, GetCurrentMenuTask());
    if (row < 6) {
      d.keys.queue = {kDown};
    } else if (GetSettingsSlot(kSlotKeyDShift) != static_cast<int32_t>(kRawD)) {
      Hold({kD});
    } else {
      Hold({});
      s.keyAssigned = true;
      d.keys.queue = {-10, kLeft};
    }
  }
  // The pause outlasts the bomb's cooldown as it stood, so that a cooldown counted down on paused
  // frames would have run out by the resume.
  if (kind == kMenuPause && s.keyAssigned && !s.resumed && d.keys.queue.empty() && d.keys.wait == 0 &&
      s.pausedFrames > s.cooldownAtPause + 20) {
    s.settingsSaved = ReadWholeText("velmarondix.sav") != d.settingsAtPause;
    s.resumed = true;
    d.keys.queue = {kUp, kUp, kZ};
  }
}

// After the pause: shooting until the gauge allows a demonic shift, started with the newly bound
// DSHIFT; the shift ended with BOMBER after three seconds; five seconds more of play, then standing
// still in the fire until the last life is lost.
void AfterPause(int t) {
  Driver& d = *g_driver;
  Seen& s = d.seen;
  // The bomb from before the pause still holds its cooldown: this tap must launch nothing.
  if (t >= 5 && t < 8) {
    Hold({kC});
    return;
  }
  if (t == 20) s.bombsAfterResumeTap = GetGameVar(kVarBombsLaunched);
  if (d.shiftStart < 0) {
    if (t >= 60 && GetGameVar(kVarMana) > 32 && GetGameVar(kVarBombCooldown) == 0) {
      Hold({kD});
      d.shiftStart = t;
    } else {
      Hold(Weave(t));
    }
    return;
  }
  s.shifts = GetGameVar(kVarShifts);
  const int into = t - d.shiftStart;
  if (into < 3) return;
  if (d.shiftEnd < 0) {
    if (into < 180) {
      Hold(Weave(into));
    } else if (into < 183) {
      Hold({kC});
    } else {
      Hold({});
      d.shiftEnd = t;
    }
    return;
  }
  if (GetGameVar(kVarShiftTimer) == 0) s.shiftEnded = true;
  // The first hit after the shift is answered with a counter bomb, in its window.
  const bool window = GetGameVar(kVarHitTimer) > GetGameVar(kVarPhaseLevel) + 20;
  if (window && GetGameVar(kVarCounterBombs) == 0) {
    Hold(d.held == std::vector<int>{kC} ? std::vector<int>{} : std::vector<int>{kC});
    return;
  }
  Hold(t - d.shiftEnd < 300 ? Weave(t) : std::vector<int>{});
}

void OnFrame(int f) {
  Driver& d = *g_driver;
  Seen& s = d.seen;
  d.keys.Step();
  const int32_t mode = GetSettingsSlot(kSlotPlayMode);
  const int32_t kind = MenuKind();
  if (kind == kMenuAreaIntro && CurrentAge() == 70) d.keys.queue = {kZ};
  if (mode & kPlayFrames) {
    if (s.firstPlayed < 0) s.firstPlayed = f;
    if (d.stage == 1 && s.resumed) {
      d.resumedAt = d.played;
      d.stage = 2;
    }
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a)
      if (GetActorField(kFieldKind, a) == 0x20000008) s.torpedo = true;
    const int t = d.played++;
    if (d.stage == 0) BeforePause(t);
    else if (d.stage == 2) AfterPause(t - d.resumedAt);
    if (GetGameVar(kVarLives) == 0) s.gameOver = true;
  } else if (d.stage == 1) {
    ++s.pausedFrames;
    if (d.held == std::vector<int>{kEsc}) Hold({});
    InPause();
  }
  if (kind == kMenuResult && CurrentAge() == 60 && !s.saved) {
    Hold({});
    d.keys.queue = {kZ};
    d.stage = 3;
  }
  if (d.stage == 3 && fs::exists("replay/vlxrep0000.rpy")) s.saved = true;
  if (s.saved && kind == kMenuTitleScreen && !s.backAtTitle) {
    s.backAtTitle = true;
    plat::PostWindowMessage(static_cast<plat::WindowId>(reinterpret_cast<uintptr_t>(GetMainWindowHwndLocked())),
                            plat::WM_CLOSE, 0, 0);
  }
}

}  // namespace

ScriptedPlayRecording RecordScriptedPlay(const std::string& folder) {
  HarnessOptions o;
  o.folder = folder;
  o.frames = kScriptedPlayFrameLimit;
  o.renderer = "nodisplay";
  o.drawNothing = true;
  o.inputScript = "0\n";
  o.startPlayFrame = kScriptedPlayStart;
  // REVISED, the first character, two lives: the shift costs one, the first hit after it the other.
  o.slots = {{kSlotDifficulty, 1}, {kSlotCharacter, 0}, {kSlotStartArea, 0}, {kSlotStartLives, 1}};
  o.onFrame = OnFrame;
  Driver driver;
  g_driver = &driver;
  ScriptedPlayRecording r;
  RunHarness(o, &r.result);
  Hold({});
  driver.keys.Release();
  g_driver = nullptr;
  r.seen = driver.seen;
  r.replay = ReadWholeText(folder + "/replay/vlxrep0000.rpy");
  return r;
}
