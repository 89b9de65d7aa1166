// One game step (display list reset, the actor walk with the status display and the session
// update, the command run) of a play scene built before timing starts. The frame budget at 60
// steps a second is 16.7 ms.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/play/pending_framework.h"
#include "game/play/play.h"

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

// A REVISED play of area 1 in its running phase, the player at the centre.
void BuildPlay() {
  ResetEngineEntries();
  ResetActors();
  SetPlayfieldBounds(-8, -8, 648, 488);
  SetDefaultSettings();
  SetSettingsSlot(kSlotIntermission, 1);
  SetSettingsSlot(kSlotDifficulty, kRevised);
  SetSettingsSlot(kSlotStartArea, 1);
  SetSettingsSlot(kSlotPlayMode, 2);
  g_Engine.SeedRandomLocked(1);
  RunGameState();
  StepFrame(0);   // the intro card's first update: with intermissions off it starts the area
  while (GetGameVar(kVarPhaseTimer) < 100) StepFrame(0);
  SetActorPos(320, 240, GetPlayerActor());
  SetGameVar(kVarInvulnerable, 1 << 30);
}

// 3,900 enemy bullets: 500 in a ring 20 to 59 px around the player (inside graze range, outside
// hit range), the rest on a grid over the playfield clear of the player.
void BM_SlowModeAmongBullets(benchmark::State& state) {
  BuildPlay();
  int inRange = 0, total = 0;
  for (int i = 0; inRange < 500; ++i) {
    int r = 20 + i % 40;
    int dx, dy;
    PolarToXY(&dx, &dy, (i * 997) % 21600, r);
    if (SpawnBullet(320 + dx, 240 + dy) > 0) ++inRange, ++total;
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
  state.counters["grazes"] = GetGameVar(kVarGrazes);
  ResetActors();
}
BENCHMARK(BM_SlowModeAmongBullets)->Unit(benchmark::kMicrosecond);

}  // namespace
