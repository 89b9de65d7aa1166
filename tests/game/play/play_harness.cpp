#include "play_harness.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/boot.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/frame_loop.h"
#include "game/framework/game_math.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/sprite_layout.h"
#include "game/framework/sprites.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

constexpr int kFirstSound = 500;

struct HarnessState {
  const PlayRun* run = nullptr;
  PlayOutcome* out = nullptr;
  uint32_t ms = 0;
  int pass = 0;
  bool played = false;        // the pass started with frames being played
  int pausedFor = 0;
  int afterResult = -1;       // passes since the result screen opened
  uint64_t drawsAtStart = 0;
};
HarnessState g_h;
int g_nextSound = kFirstSound;

int PlayedFrame() { return static_cast<int>(g_h.out->frames.size()); }

uint32_t PadBits() {
  if (g_h.run->playback) return 0;
  uint32_t bits = 0;
  for (const PadStep& s : g_h.run->pad) {
    if (s.frame <= g_h.pass) bits = s.bits;
  }
  return bits;
}

uint64_t HashDrawList() {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint32_t v) {
    for (int k = 0; k < 4; ++k) {
      h ^= (v >> (8 * k)) & 0xFF;
      h *= 1099511628211ull;
    }
  };
  // The chain in drawing order, sub-layer by sub-layer.
  int e = g_DrawEntries[0].next;
  for (int guard = 0; guard < kDrawEntryCount && e != 64; ++guard, e = g_DrawEntries[e].next) {
    const DrawEntry& d = g_DrawEntries[e];
    for (uint32_t v : {uint32_t(d.type), d.sprite, uint32_t(d.scale), uint32_t(d.angle), d.colour,
                       uint32_t(d.x), uint32_t(d.y), uint32_t(d.x2), uint32_t(d.y2), uint32_t(d.value)}) {
      mix(v);
    }
  }
  return h;
}

// Play's actors (groups 2 to 6); menu windows such as the pause menu are not play.
int CountLiveActors() {
  int n = 0;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    const int group = (GetActorField(kFieldKind, a) >> 28) & 7;
    n += group >= 2 && group <= 6;
  }
  return n;
}

bool InPlaySession() { return GetGameVar(kFieldKind) == kKindGameSession; }

// Sprite-drawing entries of the list: what the sprite table has to hold.
void CollectSprites() {
  int e = g_DrawEntries[0].next;
  for (int guard = 0; guard < kDrawEntryCount && e != 64; ++guard, e = g_DrawEntries[e].next) {
    const DrawEntry& d = g_DrawEntries[e];
    if (d.type >= kDrawSprite && d.type <= kDrawStretched) g_h.out->sprites.insert(d.sprite & 0xFFFFFFu);
  }
}

void BeforePass() {
  g_h.ms += 1;   // the work of a pass
  g_h.played = (GetSettingsSlot(kSlotPlayMode) & kPlayFrames) != 0 && InPlaySession();
  if (g_h.pass == g_h.run->loseAllLivesAt) SetGameVar(kVarLives, 0);
  if (InPlaySession() && g_h.run->topUpLives && GetGameVar(kVarLives) > 0) {
    SetGameVar(kVarLives, GetGameVar(kVarMaxLives));
  }
  // The pause menu's RESUME GAME, once the pause has lasted its frames.
  if (IsActorsPaused() && !(GetSettingsSlot(kSlotPlayMode) & kPlayFrames) && InPlaySession()) {
    if (g_h.pausedFor == 0 && IsSlowMode()) ++g_h.out->pausesInSlowMode;
    if (g_h.pausedFor == 0 && g_h.run->saveSettingsInPause) {
      const uint64_t draws = GameRandomDrawCount();
      if (SaveSettingsFile() > 0) ++g_h.out->settingsSaves;
      if (GameRandomDrawCount() != draws) g_h.out->settingsSaveKeptGenerator = false;
    }
    ++g_h.out->pausedPasses;
    if (++g_h.pausedFor >= g_h.run->pauseFrames) {
      g_h.pausedFor = 0;
      SetSettingsSlot(kSlotPlayMode, GetSettingsSlot(kSlotPlayMode) | kPlayResume);
      for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
        if (GetActorField(kFieldKind, a) == 0x1000000F) OrActorField(kFieldFlags, a, kFlagDead);
      }
    }
  }
}

bool AfterPass() {
  ++g_h.pass;
  if (g_h.played) {
    PlayFrame f{};
    f.vars[0] = GetGameVar(kVarFrame);
    for (int n = 24; n < 128; ++n) f.vars[n - 23] = GetGameVar(n);
    const int player = GetPlayerActor();
    if (player > 0) {
      f.player = {GetActorField(kFieldX, player), GetActorField(kFieldY, player),
                  GetActorField(kFieldAge, player)};
    }
    f.liveActors = CountLiveActors();
    f.drawHash = HashDrawList();
    if (g_h.run->collectSprites) CollectSprites();
    if (GetGameVar(kVarBossId) > 0) g_h.out->bosses.insert(GetGameVar(kVarBossId));
    // Counted from the end of the first frame: the replay's start and area sync draw differently
    // when recording and when playing back; from there on every draw is play's.
    if (g_h.out->frames.empty()) g_h.drawsAtStart = GameRandomDrawCount();
    f.draws = GameRandomDrawCount() - g_h.drawsAtStart;
    g_h.out->frames.push_back(f);
    if (InPlaySession()) g_h.out->score = GetGameVar(kVarScore);
  }
  if (g_h.afterResult < 0 && !InPlaySession()) {
    g_h.afterResult = 0;
    g_h.out->reachedResult = true;
    g_h.out->draws = GameRandomDrawCount() - g_h.drawsAtStart;
  }
  if (g_h.afterResult >= 0 && ++g_h.afterResult > 2) return false;
  return g_h.pass < g_h.run->maxPasses;
}

void InstallEngine() {
  ResetEngineEntries();
  EngineEntryTable& e = g_Engine;
  e.GetMillisecondCountLocked = [] { return int(g_h.ms); };
  e.WaitMillisecondsPumping = [](int n) {
    g_h.ms += uint32_t(n);
    return 0;
  };
  e.ProcessMessageLocked = [] { return 0; };
  e.PresentScreenLocked = [] { return 0; };
  e.WaitVerticalBlankLocked = [](int) { return 0; };
  e.IsKeyDownLocked = [](int) { return 0; };
  e.GetPadInputBitsLocked = [](int device) { return device == 0x1001 ? int(PadBits()) : 0; };
  e.GetLocalDateTimeLocked = [](LocalDateTime* out) {
    *out = LocalDateTime{2026, 7, 9, 12, 0, 0};
    return 0;
  };
  e.LoadGraphFileCallLocked = [](const char*) { return -1; };
  e.DeriveGraphRegionLocked = [](int, int, int, int, int) { return -1; };
  e.CreateBlankGraphLocked = [](int, int) { return -1; };
  e.GetGraphDimensionsLocked = [](int, int*, int*) { return -1; };
  e.SetDrawTargetLocked = [](int) { return 0; };
  e.GetDrawScreenGraphLocked = [](int, int, int, int, int, int) { return 0; };
  e.ClearDrawTargetLocked = [] { return 0; };
  e.SetBlendModeStateLocked = [](int, int) { return 0; };
  e.SetDrawBrightRgbLocked = [](int, int, int) { return 0; };
  e.DrawGraphAtPointLocked = [](int, int, int, int) { return 0; };
  e.DrawGraphMirroredLocked = [](int, int, int, int) { return 0; };
  e.DrawGraphStretchedLocked = [](int, int, int, int, int, int) { return 0; };
  e.DrawGraphRotatedCallLocked = [](int, int, double, double, int, int, int) { return 0; };
  e.DrawBoxShapeLocked = [](int, int, int, int, uint32_t, int) { return 0; };
  e.DrawGraphRotatedAboutCenterLocked = [](int, int, int, int, int, int, double, double, int, int) {
    return 0;
  };
  e.DrawTextDefaultFontLocked = [](int, int, const char*, uint32_t, uint32_t) { return 0; };
  e.SetSoundCreateTypeLocked = [](int) { return 0; };
  g_nextSound = kFirstSound;
  e.LoadSoundFileLocked = [](const char*, int, int) { return g_nextSound++; };
  e.SetStreamLoopMillisecondsLocked = [](int, int) { return 0; };
  e.PlaySoundHandleLocked = [](int sound, int type, int) {
    // Handles are given out in load order from the first: 50 effects, then 4 tracks.
    const int n = sound - kFirstSound;
    if (type == 1 && n >= 0 && n < kEffectCount) g_h.out->effects.emplace_back(PlayedFrame(), n);
    if (n >= kEffectCount) g_h.out->music.emplace_back(PlayedFrame(), n - kEffectCount);
    return 0;
  };
  e.StopSoundHandleLocked = [](int) { return 0; };
  e.IsSoundHandlePlayingLocked = [](int) { return 0; };
  e.SetSoundHandleVolumeLocked = [](int, int) { return 0; };
}

// The animation steps the sprite loader sets up, without the graphics: the bullet grid's groups of
// four and the layout's chains.
void ChainSprites() {
  for (int i = 0; i < kBulletGridSize * kBulletGridSize; ++i) {
    const int c = i % kBulletGridSize;
    g_SpriteTable.nextFrame[kBulletGridFirstSprite + i] = kBulletGridFirstSprite + i - c % 4 + (c + 1) % 4;
    g_SpriteTable.period[kBulletGridFirstSprite + i] = 4;
  }
  for (const SpriteAnimRow& r : SpriteAnimTable) {
    if (r.index < 0) break;
    if (r.index >= kSpriteCount) continue;
    g_SpriteTable.nextFrame[r.index] = r.next;
    g_SpriteTable.period[r.index] = r.period;
  }
}

}  // namespace

PlayOutcome RunPlay(const PlayRun& run) {
  PlayOutcome out;
  g_h = HarnessState{};
  g_h.run = &run;
  g_h.out = &out;
  g_h.ms = run.clock;
  InstallEngine();
  ResetSpriteTable();
  if (run.spriteChains) ChainSprites();
  LoadSounds();
  SetPlayfieldBounds(-8, -8, 648, 488);
  if (!run.playback) SetDefaultSettings();
  SetSettingsSlot(kSlotFrameRate, 0);
  SetSettingsSlot(kSlotFramePacing, 1);
  SetSettingsSlot(kSlotIntermission, 1);
  SetSettingsSlot(kSlotReplaySeedMix, 0);
  SetSettingsSlot(kSlotContinues, 0);
  SetSettingsSlot(kSlotDifficulty, run.difficulty);
  SetSettingsSlot(kSlotCharacter, run.character);
  SetSettingsSlot(kSlotStartArea, run.area);
  SetSettingsSlot(kSlotRigChoice, run.rig);
  if (run.playback) {
    const int32_t loadout = static_cast<int32_t>(GetReplayWord(kRepLoadout));
    SetSettingsSlot(kSlotReplayLoadout, loadout);
  }
  SetSettingsSlot(kSlotPlayMode, run.playback ? 2 | kPlayReplay : 2);
  PrepareStateRound();
  SetFramePassHooks({BeforePass, AfterPass});
  // With intermissions off (and in playback) the intro card ends in its first update and starts
  // the area: ended and removed here, every pass of the loop is a played one.
  if (RunGameState() >= 0) {
    const int card = GetCurrentMenuTask();
    if (GetActorField(kFieldKind, card) == kMenuAreaIntro) {
      AreaIntroTask(card);
      DeleteActor(card);
    }
    RunFrameLoop();
  }
  SetFramePassHooks({nullptr, nullptr});
  out.passes = g_h.pass;
  SetSessionActor(0);
  SetPlayerActor(0);
  ResetActors();
  SetActorsPaused(0);
  SetSettingsSlot(kSlotPlayMode, 1);
  ResetEngineEntries();
  return out;
}

bool SaveRecordedPlay(int n) { return SaveReplay(n); }
bool LoadRecordedPlay(int n) { return LoadReplay(n) == 1; }

void ExpectSamePlay(const PlayOutcome& a, const PlayOutcome& b, size_t frames, const char* what) {
  ASSERT_GE(a.frames.size(), frames) << what;
  ASSERT_GE(b.frames.size(), frames) << what;
  for (size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(a.frames[i].vars, b.frames[i].vars) << what << " frame " << i;
    ASSERT_EQ(a.frames[i].player, b.frames[i].player) << what << " frame " << i;
    ASSERT_EQ(a.frames[i].draws, b.frames[i].draws) << what << " frame " << i;
    ASSERT_EQ(a.frames[i].liveActors, b.frames[i].liveActors) << what << " frame " << i;
    ASSERT_EQ(a.frames[i].drawHash, b.frames[i].drawHash) << what << " frame " << i;
  }
}

std::string RunTestInChild(const std::string& filter, const std::string& outFile,
                           const std::vector<std::string>& env) {
  std::vector<std::string> added = env;
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  for (std::string& e : added) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string exe = "/proc/self/exe", filterArg = "--gtest_filter=" + filter;
  char* argv[] = {exe.data(), filterArg.data(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return "spawn failed";
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed";
  std::ifstream in(outFile);
  std::string line;
  std::getline(in, line);
  return line;
}
