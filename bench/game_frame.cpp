// One game step (display list reset, the actor walk with the status display and the session
// update, the command run) of a play scene built before timing starts. The frame budget at 60
// steps a second is 16.7 ms. Cases: the busiest frame of the DEMONIC boss phase (and apart from it
// that frame's display list drawn through the headless engine); the player in slow mode among a
// screenful of bullets; the frame in which 2,000 bullets are cancelled into gems; frames of 1,000
// homing gems collected while the sweep bomb crosses the screen; the waves of area 0 at DEMONIC.
#include <benchmark/benchmark.h>

#include <ftw.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/archive_key.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/framework/text.h"
#include "game/play/boss_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "platform/clock.h"
#include "platform/renderer.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"

namespace {

void StepFrame(uint32_t input) {
  ResetDrawList();
  AdvanceReplayPos();
  SetReplayWord(GetReplayPosition(), input);
  UpdateAllActors();
  UpdateActorCommands();
}

int SpawnBullet(int x, int y) {
  int b = AllocActor();
  if (b < 0) return -1;
  SetCurrentActor(b);
  SetCurPos(x, y);
  InitCurActor(kKindEnemyBullet, 24, 1536 + 4 * (b & 7));
  SetActorField(kFieldRadius, b, 4);
  OrActorField(kFieldFlags, b, uint32_t(kBulletFlag) | uint32_t(kFlagAnimates));
  return b;
}

// A REVISED play of area 1 in its running phase, the player at the centre. The second character
// carries the sweep bomb.
void BuildPlay(int character = 0) {
  ResetEngineEntries();
  ResetActors();
  SetPlayfieldBounds(-8, -8, 648, 488);
  SetDefaultSettings();
  SetSettingsSlot(kSlotIntermission, 1);
  SetSettingsSlot(kSlotDifficulty, kRevised);
  SetSettingsSlot(kSlotStartArea, 1);
  SetSettingsSlot(kSlotCharacter, character);
  SetSettingsSlot(kSlotRigChoice, 0);
  SetSettingsSlot(kSlotRigs + 2, 3);
  SetSettingsSlot(kSlotPlayMode, 2);
  g_Engine.SeedRandomLocked(1);
  RunGameState();
  StepFrame(0);   // the intro card's first update: with intermissions off it starts the area
  while (GetGameVar(kVarPhaseTimer) < 100) StepFrame(0);
  SetActorPos(320, 240, GetPlayerActor());
  SetGameVar(kVarInvulnerable, 1 << 30);
}

// 3,900 enemy bullets: 500 in a ring 20 to 59 px around the player (inside graze range, outside
// hit range), the rest on a grid over the playfield clear of the player. The near ones have been
// grazed already: a frame that counts 500 grazes at once reaches a 500th graze, whose milestone
// clears the screen.
void BM_SlowModeAmongBullets(benchmark::State& state) {
  BuildPlay();
  int inRange = 0, total = 0;
  for (int i = 0; inRange < 500; ++i) {
    int r = 20 + i % 40;
    int dx, dy;
    PolarToXY(&dx, &dy, (i * 997) % 21600, r);
    const int b = SpawnBullet(320 + dx, 240 + dy);
    if (b < 1) continue;
    OrActorField(kFieldFlags, b, uint32_t(kBulletGrazeArmed) | uint32_t(kBulletGrazed));
    ++inRange, ++total;
  }
  for (int i = 0; total < 3900; ++i) {
    int x = 4 + (i * 7) % 632;
    int y = 4 + ((i * 7) / 632) * 6 % 472;
    if (DistanceSq(x, y, 320, 240) < 90 * 90) continue;
    if (SpawnBullet(x, y) > 0) ++total;
  }
  uint32_t input = kButtonSlow | kButtonLeft;
  for (auto _ : state) {
    input ^= kButtonLeft | kButtonRight;   // to and fro, staying among the bullets
    SetGameVar(kVarPhaseTimer, 1000);      // the phase never ends (its end cancels the bullets)
    StepFrame(input);
  }
  state.counters["bullets"] = CountActorsWithFlags(kBulletFlag);
  ResetActors();
}
BENCHMARK(BM_SlowModeAmongBullets)->Unit(benchmark::kMicrosecond);

// Everything a run left behind goes (bullets, effects, labels, items, shots and bombs); the
// session, the player and the background stay.
void ClearTransients() {
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    const int32_t kind = GetActorField(kFieldKind, a);
    const bool gameTask = (kind >> 28) == 2 && (kind & 0xFFFF) >= 6;
    if (gameTask || ((kind >> 28) >= 4 && (kind >> 28) <= 6)) FreeActor(a);
  }
  ResetActorCommands();
}

int32_t CountKind(int32_t kind) {
  int n = 0;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) n += GetActorField(kFieldKind, a) == kind;
  return n;
}

// The frame of a boss defeat on a full screen: 2,000 bullets each become a particle, a gem and a
// count figure, as many as the pool holds, all updated once in the same frame.
void BM_CancelTwoThousandBulletsIntoGems(benchmark::State& state) {
  BuildPlay();
  int items = 0, actors = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ClearTransients();
    for (int i = 0; i < 2000; ++i) SpawnBullet(8 + (i * 37) % 624, 8 + (i * 53) % 464);
    SetGameVar(kVarPhaseTimer, 1000);
    state.ResumeTiming();
    CancelBulletsToItems(18);
    StepFrame(0);
    state.PauseTiming();
    items = CountKind(0x20000006);
    actors = kActorLastFree - kActorFirstFree + 1 - CountKind(0);
    state.ResumeTiming();
  }
  state.counters["gems"] = items;
  state.counters["actors"] = actors;
  ResetActors();
}
BENCHMARK(BM_CancelTwoThousandBulletsIntoGems)->Unit(benchmark::kMicrosecond)->Iterations(40);

// 1,000 homing gems around the player, collected while the sweep bomb crosses the screen: one
// frame per iteration; a fresh field of gems and a fresh sweep whenever the last gem is taken.
void BM_CollectThousandHomingGemsDuringSweep(benchmark::State& state) {
  BuildPlay(1);
  auto fill = [] {
    ClearTransients();
    for (int i = 0; i < 1000; ++i) {
      int dx, dy;
      PolarToXY(&dx, &dy, (i * 1297) % 21600, 60 + (i * 7) % 200);
      SpawnItem(320 + dx, 240 + dy, (i * 311) % 21600, 1024, 3);
    }
    SetGameVar(kVarBombCooldown, 0);
    LaunchBombB();
  };
  fill();
  int64_t frames = 0, fields = 1;
  for (auto _ : state) {
    SetGameVar(kVarPhaseTimer, 1000);
    StepFrame(0);
    ++frames;
    if (CountKind(0x20000006) == 0) {
      state.PauseTiming();
      fill();
      ++fields;
      state.ResumeTiming();
    }
  }
  state.counters["frames_per_field"] = static_cast<double>(frames) / static_cast<double>(fields);
  state.counters["gems_taken"] = GetGameVar(kVarGemsTaken);
  ResetActors();
}
BENCHMARK(BM_CollectThousandHomingGemsDuringSweep)->Unit(benchmark::kMicrosecond);

// The waves of area 0 at DEMONIC's level 11, where every enemy fires its heaviest patterns: the
// wave controllers run their formations as in play, and every 24th frame the oldest counted enemy
// or boss falls and sprays its revenge bullets (the player's shots stand aside). The phase timer is held inside the waves so the phase
// never ends; the player, invulnerable, stays at the left and does not shoot.
void BM_Area0WavesAtDemonic(benchmark::State& state) {
  constexpr uint32_t kBossFlag = 0x80000;
  ResetEngineEntries();
  ResetActors();
  SetPlayfieldBounds(-8, -8, 648, 488);
  SetDefaultSettings();
  SetSettingsSlot(kSlotIntermission, 1);
  SetSettingsSlot(kSlotDifficulty, kDemonic);
  SetSettingsSlot(kSlotStartArea, 0);
  SetSettingsSlot(kSlotPlayMode, 2);
  g_Engine.SeedRandomLocked(1);
  RunGameState();
  while (GetGameVar(kVarPhaseTimer) < 1) StepFrame(0);
  // Into the thick of it before timing: a few waves under way.
  int64_t frames = 0, defeats = 0, bulletFrames = 0;
  auto step = [&]() {
    if (GetGameVar(kVarPhaseTimer) > 2300) SetGameVar(kVarPhaseTimer, 100);
    if (++frames % 24 == 0) {
      for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
        if ((GetActorField(kFieldKind, a) >> 28) == 3 &&
            (static_cast<uint32_t>(GetActorField(kFieldFlags, a)) & (kFlagCountedEnemy | kBossFlag)) &&
            GetActorField(kFieldHp, a) > 0) {
          SetActorField(kFieldHp, a, 0);
          ++defeats;
          break;
        }
      }
    }
    SetActorPos(80, 240, GetPlayerActor());
    SetGameVar(kVarInvulnerable, 1 << 30);   // a boss's fall sets it to 240
    StepFrame(0);
  };
  for (int i = 0; i < 600; ++i) step();
  frames = defeats = 0;
  for (auto _ : state) {
    step();
    bulletFrames += CountActorsWithFlags(kBulletFlag);
  }
  state.counters["bullets"] = benchmark::Counter(static_cast<double>(bulletFrames) / std::max<int64_t>(frames, 1));
  state.counters["defeats"] = static_cast<double>(defeats);
  state.counters["waves"] = GetGameVar(kVarWavesDone);
  ResetActors();
}
BENCHMARK(BM_Area0WavesAtDemonic)->Unit(benchmark::kMicrosecond);

// The busiest frame of the DEMONIC boss phase: the area boss's second form at its level 11, both
// pods held beside it, fires its ring volley (the frame its sweep begins) while revenge bullets,
// gems and particles fill the pool and the display list's 4,000 entries. The player, invulnerable,
// stands at the left and does not shoot.
constexpr int kBossVolleyAge = 384;   // b = 128: the sweep's first frame, a ring volley

int FindKind(int32_t kind) {
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) == kind) return a;
  }
  return -1;
}

int FreeSlots() { return CountKind(0); }

void BuildBossPhase() {
  ResetActors();
  SetPlayfieldBounds(-8, -8, 648, 488);
  SetDefaultSettings();
  SetSettingsSlot(kSlotIntermission, 1);
  SetSettingsSlot(kSlotDifficulty, kDemonic);
  SetSettingsSlot(kSlotStartArea, 0);
  SetSettingsSlot(kSlotPlayMode, 2);
  g_Engine.SeedRandomLocked(1);
  RunGameState();
  SetGameVar(kVarPhase, 3);
  SetupAreaPhase();
  // The second form straight away, the waves held off; its pods come at its age 96.
  while (GetGameVar(kVarPhaseTimer) < 1) StepFrame(0);
  SetGameVar(kVarWaveCountdown, 1 << 20);
  SpawnEnemy(560, 240, 8, 17);
  const int boss = FindKind(kKindEnemy | 17);
  while (GetActorField(kFieldAge, boss) < 200) {
    SetActorPos(80, 240, GetPlayerActor());
    SetGameVar(kVarInvulnerable, 1 << 30);
    StepFrame(0);
  }
}

// Back to the frame before the volley, with the pool refilled: 72-bullet revenge sprays, gems
// and particle bursts until about 120 slots are left for the frame's own spawns.
void SetUpBusiestFrame() {
  ClearTransients();
  const int boss = FindKind(kKindEnemy | 17);
  SetActorPosVel(560, 240, 0, 0, boss);
  SetActorField(kFieldAge, boss, kBossVolleyAge);
  SetActorField(kBoss17Level, boss, 11);
  SetActorField(kFieldHp, boss, GetActorField(kFieldHpMax, boss));
  SetGameVar(kVarPhaseTimer, 1000);
  SetActorPos(80, 240, GetPlayerActor());
  SetGameVar(kVarInvulnerable, 1 << 30);
  for (int i = 0; i < 28; ++i) {
    BulletPattern& p = g_BulletPattern;
    ResetBulletPattern(120 + (i * 97) % 480, 40 + (i * 61) % 400, 17, 10800, 12);
    p.ways = -72;
    p.spread = 1800;
    FireBulletPattern();
  }
  for (int i = 0; i < 900; ++i) SpawnItem(100 + (i * 37) % 520, 20 + (i * 53) % 440, (i * 311) % 21600, 512, 1);
  for (int i = 0; FreeSlots() > 120 + 16; ++i) {
    SpawnParticleBurst(60 + (i * 71) % 560, 30 + (i * 43) % 420, 26, 0x2000380, 16, 800);
  }
}

void BM_DemonicBossPhaseBusiestFrame(benchmark::State& state) {
  ResetEngineEntries();
  BuildBossPhase();
  int entries = 0, actors = 0, bullets = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SetUpBusiestFrame();
    state.ResumeTiming();
    StepFrame(0);
    state.PauseTiming();
    entries = DrawEntriesUsed() - kDrawSubLayerCount;
    actors = kActorLastFree - kActorFirstFree + 1 - FreeSlots();
    bullets = CountActorsWithFlags(kBulletFlag);
    state.ResumeTiming();
  }
  state.counters["entries"] = entries;
  state.counters["actors"] = actors;
  state.counters["bullets"] = bullets;
  state.counters["frame_budget_ms"] = 1000.0 / 60.0;
  ResetActors();
}
BENCHMARK(BM_DemonicBossPhaseBusiestFrame)->Unit(benchmark::kMicrosecond)->Iterations(60);

// The same frame's display list drawn through the engine, headless, on the stand-in data set's
// sprite sheets (written by make-data), with the software renderer (0) and the 3-D device (1).
struct EngineOnData {
  std::string folder, saved;
  bool started = false;

  bool Start(plat::RendererSetting renderer) {
    char tmpl[] = "/tmp/vlx_bench_boss_XXXXXX";
    folder = mkdtemp(tmpl);
    const std::string cmd = std::string(VLX_MAKE_DATA) + " " + folder + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    char cwd[4096];
    saved = getcwd(cwd, sizeof cwd) ? cwd : "/";
    if (chdir(folder.c_str()) != 0) return false;
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.c_str());
    plat::SetRendererSetting(renderer);
    plat::VirtualClockEnable();
    ResetEngineEntries();
    SetLogFileOutputFlagLocked(0);
    SetScreenModeKeepLocked(640, 480, 32, 60);
    SetNoTextureSplitFlagLocked(1);
    SetCreateGraphAlphaFlagLocked(1);
    if (LibraryInitializeLocked() != 0) return false;
    started = true;
    SetDrawTargetLocked(-2);
    SetArchiveUseFlagLocked(1);
    SetArchiveExtensionLocked("dat");
    SetArchiveKeyFromTitle(TextTable[0]);
    LoadSpriteSheets();
    return true;
  }
  void Stop() {
    if (started) LibraryTerminateLocked();
    started = false;
    plat::VirtualClockDisable();
    plat::ResetRendererSetting();
    plat::SingleCopyLockSetDirectory(nullptr);
    ResetSpriteTable();
    if (!saved.empty() && chdir(saved.c_str()) != 0) std::abort();
    nftw(folder.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
  }
};

void BM_DemonicBossPhaseFlush(benchmark::State& state) {
  EngineOnData engine;
  if (!engine.Start(state.range(0) ? plat::RendererSetting::Full : plat::RendererSetting::NoDevice3D)) {
    engine.Stop();
    return state.SkipWithError("engine start on the data set failed");
  }
  BuildBossPhase();
  SetUpBusiestFrame();
  StepFrame(0);
  for (auto _ : state) {
    FlushDrawList();
    state.PauseTiming();
    PresentScreenLocked();
    ClearDrawTargetLocked();
    state.ResumeTiming();
  }
  state.SetLabel(state.range(0) ? "3-D device" : "software renderer");
  state.counters["entries"] = DrawEntriesUsed() - kDrawSubLayerCount;
  state.counters["frame_budget_ms"] = 1000.0 / 60.0;
  ResetActors();
  engine.Stop();
}
BENCHMARK(BM_DemonicBossPhaseFlush)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
