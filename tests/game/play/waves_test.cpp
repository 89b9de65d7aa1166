// Waves: starting a wave from the script (and refusing entries outside it), every formation's
// positions and motion, clears with and without the onslaught bonus, time-outs, the escort
// wave's leader, and the countdowns as the session's wave-start rule runs them.
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "enemy_fixture.h"
#include "play_fixture.h"

namespace {

using Waves = EnemyScene;
using Lines = std::vector<std::string>;

std::vector<int> EnemiesInList() {
  std::vector<int> out;
  int node = GetActorField(kFieldNext, 3 + 2);   // group 3 lies between sentinels 5 and 6
  for (int i = 0; i < kActorWalkLimit && node != 3 + 3 && node > 0; ++i) {
    out.push_back(node);
    node = GetActorField(kFieldNext, node);
  }
  return out;
}

// A controller of the given id's wave at the given age; the enemies its one run makes, as
// "id x,y Llayer v vx,vy"; they and the controller are removed again.
Lines Formation(int id, int variant, int age, int level = 4) {
  SetGameVar(kVarPhaseLevel, level);
  const EnemyDef& d = *FindEnemyDef(id);
  const int c = SpawnEnemy(0, 0, 8, 1);
  SetActorField(kFieldVariant, c, variant);
  SetActorField(kFieldWaveId, c, id);
  SetActorField(kFieldWaveQuota, c, d.killQuota);
  SetActorField(kFieldWaveOnslaught, c, d.onslaughtLimit);
  SetActorField(kFieldWaveDuration, c, 100000);
  SetActorField(kFieldWaveInterval, c, d.spawnInterval);
  SetActorField(kFieldWaveLevel, c, level);
  SetActorField(kFieldAge, c, age);
  const std::vector<int> before = EnemiesInList();
  const std::set<int> old(before.begin(), before.end());
  SetCurrentActor(c);
  WaveControllerTask(c);
  Lines out;
  for (int e : EnemiesInList()) {
    if (old.count(e)) continue;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d %d,%d L%d v%d,%d", GetActorField(kFieldKind, e) & 0xFFFF,
                  GetActorField(kFieldX, e), GetActorField(kFieldY, e), GetActorField(kFieldLayer, e),
                  GetActorField(kFieldVx, e), GetActorField(kFieldVy, e));
    out.push_back(buf);
    DeleteActor(e);
  }
  DeleteActor(c);
  return out;
}

TEST_F(Waves, AWaveStartsFromItsScriptEntryAndEntriesOutsideTheTablesStartNothing) {
  const int c = StartWave(0, 0);
  ASSERT_GT(c, 0);
  EXPECT_EQ(F(c, kFieldKind), 0x30000001);
  EXPECT_EQ(F(c, kFieldSprite), 17);   // draws nothing
  EXPECT_EQ(F(c, kFieldWaveId), 14);
  EXPECT_EQ(F(c, kFieldWaveQuota), 5);
  EXPECT_EQ(F(c, kFieldWaveOnslaught), 240);
  EXPECT_EQ(F(c, kFieldWaveDuration), 600);
  EXPECT_EQ(F(c, kFieldWaveInterval), 40);
  EXPECT_EQ(F(c, kFieldWaveLevel), 4);
  EXPECT_EQ(F(c, kFieldVariant), 0);
  EXPECT_EQ(GetGameVar(kVarWaveLeader), 0x3000000E);
  EXPECT_EQ(GetGameVar(kVarWaveKills), 0);
  EXPECT_EQ(F(StartWave(1, 4), kFieldWaveId), 12);
  EXPECT_EQ(GetGameVar(kVarWaveLeader), 0x3000000C);
  const int boss = StartWave(3, 0);
  EXPECT_EQ(F(boss, kFieldWaveId), 16);
  EXPECT_EQ(F(boss, kFieldWaveQuota), 99999);

  // The mission's index 17, the boss phase's empty last entry and what lies past it, and
  // negative entries: nothing is made and nothing changes.
  SetGameVar(kVarWaveKills, 3);
  SetGameVar(kVarWaveLeader, 77);
  const int all = CountAll();
  for (auto [index, n] : {std::pair{17, 2}, {3, 1}, {3, 2}, {-1, 0}, {0, -1}, {0, 50}, {4, 0}}) {
    EXPECT_EQ(StartWave(index, n), -1) << index << " " << n;
  }
  EXPECT_EQ(CountAll(), all);
  EXPECT_EQ(GetGameVar(kVarWaveKills), 3);
  EXPECT_EQ(GetGameVar(kVarWaveLeader), 77);
  // Spawns stopped: no controller, but the wave's variables are set.
  SetGameVar(kVarSessionFlags, GetGameVar(kVarSessionFlags) | kSessionPhaseIdle);
  EXPECT_EQ(StartWave(0, 2), -1);
  EXPECT_EQ(GetGameVar(kVarWaveKills), 0);
  EXPECT_EQ(GetGameVar(kVarWaveLeader), 0x30000002);
}

TEST_F(Waves, FormationsPlaceTheirEnemiesBySlotAndSpawnFrame) {
  g_Engine.GetRandomUpToLocked = [](int n) { return n / 2; };
  // Fighters: slot 7k mod 5 with k = age / interval + level, none in the last 50 of every 450.
  EXPECT_EQ(Formation(2, 0, 0), (Lines{"2 660,312 L8 v-2560,0"}));
  EXPECT_EQ(Formation(2, 0, 20), (Lines{"2 672,96 L8 v-2560,0"}));
  EXPECT_EQ(Formation(2, 0, 40), (Lines{"2 664,240 L8 v-2560,0"}));
  EXPECT_EQ(Formation(2, 0, 10), Lines{});
  EXPECT_EQ(Formation(2, 0, 400), Lines{});
  EXPECT_EQ(Formation(2, 0, 460), (Lines{"2 656,384 L8 v-2560,0"}));
  EXPECT_EQ(Formation(2, 1, 0), (Lines{"2 660,328 L8 v-2048,0"}));
  EXPECT_EQ(Formation(2, 2, 0), (Lines{"2 520,-80 L8 v512,1024"}));
  EXPECT_EQ(Formation(2, 2, 80), (Lines{"2 520,560 L8 v512,-1024"}));
  EXPECT_EQ(Formation(2, 2, 60), Lines{});
  // The player's half chooses the turret craft's slots.
  EXPECT_EQ(Formation(20, 0, 0), (Lines{"20 668,168 L8 v-2560,0"}));
  SetActorPos(100, 100, GetPlayerActor());
  EXPECT_EQ(Formation(20, 0, 0), (Lines{"20 660,312 L8 v-2560,0"}));
  EXPECT_EQ(Formation(20, 1, 0), (Lines{"20 660,328 L8 v-2048,0"}));
  // Gun-ships in the first 64 frames, each layer by its slot.
  EXPECT_EQ(Formation(3, 0, 0), (Lines{"3 656,420 L14 v-1024,0"}));
  EXPECT_EQ(Formation(3, 0, 16), (Lines{"3 656,188 L10 v-1024,0"}));
  EXPECT_EQ(Formation(3, 0, 32), (Lines{"3 656,72 L8 v-1024,0"}));
  EXPECT_EQ(Formation(3, 0, 48), (Lines{"3 656,304 L12 v-1024,0"}));
  EXPECT_EQ(Formation(3, 0, 64), Lines{});
  EXPECT_EQ(Formation(4, 0, 0), (Lines{"4 720,344 L11 v0,0"}));
  EXPECT_EQ(Formation(4, 0, 32), (Lines{"4 720,80 L8 v0,0"}));
  EXPECT_EQ(Formation(14, 0, 0), (Lines{"14 720,344 L11 v0,0"}));
  // Beam cannons: three spawns in every 108 frames; variant 1 on its own grid every 40 frames.
  EXPECT_EQ(Formation(5, 0, 0), (Lines{"5 640,344 L8 v-1024,0"}));
  EXPECT_EQ(Formation(5, 0, 36), Lines{});
  EXPECT_EQ(Formation(5, 0, 108), (Lines{"5 640,168 L8 v-1024,0"}));
  EXPECT_EQ(Formation(5, 1, 0), (Lines{"5 608,384 L8 v-2048,0"}));
  EXPECT_EQ(Formation(5, 1, 40), (Lines{"5 608,96 L8 v-2048,0"}));
  EXPECT_EQ(Formation(5, 1, 80), (Lines{"5 352,32 L8 v0,2048"}));
  EXPECT_EQ(Formation(5, 1, 120), (Lines{"5 256,448 L8 v0,-2048"}));
  EXPECT_EQ(Formation(5, 1, 12), Lines{});
  EXPECT_EQ(Formation(5, 2, 0), Lines{});
  EXPECT_EQ(Formation(7, 0, 0), (Lines{"7 720,240 L8 v-6144,0"}));
  EXPECT_EQ(Formation(8, 0, 0), (Lines{"8 720,240 L8 v-6144,0"}));
  EXPECT_EQ(Formation(9, 0, 0), (Lines{"9 720,240 L8 v-1024,0"}));
  EXPECT_EQ(Formation(10, 0, 0), (Lines{"10 -80,240 L8 v1536,0"}));
  EXPECT_EQ(Formation(12, 0, 0), (Lines{"12 720,120 L8 v-4096,0"}));
  EXPECT_EQ(Formation(13, 0, 0), (Lines{"13 720,360 L8 v-3584,0"}));
  EXPECT_EQ(Formation(17, 0, 0), (Lines{"17 560,240 L8 v0,0"}));
  EXPECT_EQ(Formation(21, 0, 0), (Lines{"21 720,416 L10 v-2048,0"}));
  EXPECT_EQ(Formation(50, 0, 0), (Lines{"50 720,240 L8 v-2560,0"}));
  EXPECT_EQ(Formation(22, 0, 0), (Lines{"22 480,240 L8 v0,0"}));
  // The area boss comes in against the background's scroll, on the background's layer.
  EXPECT_EQ(Formation(16, 0, 0), (Lines{"16 672,88 L1 v0,0"}));
  const int bg = AllocActor();
  SetCurrentActor(bg);
  SetCurPos(1000, 400);
  InitCurActor(0x20000000, 1, 0);
  SetGameVar(kVarBackground, bg);
  EXPECT_EQ(Formation(16, 0, 0), (Lines{"16 668,188 L1 v0,0"}));
  SetGameVar(kVarArea, kMissionArea);
  EXPECT_EQ(Formation(16, 0, 0), (Lines{"16 720,240 L8 v0,0"}));
}

TEST_F(Waves, FormationsGiveTheirEnemiesTheirMotionAndFields) {
  g_Engine.GetRandomUpToLocked = [](int n) { return n / 2 + 1; };
  // A gun-ship knows the controller's age at its spawn; a missile its heading and the variant.
  const int c = StartWave(0, 5);   // id 3
  ASSERT_EQ(F(c, kFieldWaveId), 3);
  SetActorField(kFieldAge, c, 32);
  SetCurrentActor(c);
  WaveControllerTask(c);
  const int ship = EnemiesInList().back();
  EXPECT_EQ(F(ship, kFieldScratch0), 32);
  const int m = StartWave(0, 7);   // id 9
  SetActorField(kFieldVariant, m, 3);
  SetCurrentActor(m);
  WaveControllerTask(m);
  const int missile = EnemiesInList().back();
  EXPECT_EQ(F(missile, kFieldY), 240 + 1);
  EXPECT_EQ(F(missile, kFieldRotation), 10800);
  EXPECT_EQ(F(missile, kFieldVariant), 3);
  const int s = StartWave(0, 14);   // id 50
  SetCurrentActor(s);
  WaveControllerTask(s);
  const int spinner = EnemiesInList().back();
  EXPECT_EQ(F(spinner, kFieldHeading), 10800);
  EXPECT_EQ(F(spinner, kFieldSpin), 1);
  // A fighter's ramps: +64 for frames 0-40 with a drift by k's parity, +64 again for 60-100.
  const int f = StartWave(0, 2);   // id 2, k = 4
  SetCurrentActor(f);
  WaveControllerTask(f);
  const int fighter = EnemiesInList().back();
  DeleteActor(c);
  DeleteActor(m);
  DeleteActor(s);
  DeleteActor(f);
  SetActorHp(missile, 1 << 20);
  SetActorHp(ship, 1 << 20);
  // Spawned outside the walk, it ages before its first command run: the ramp of frames 0-40 runs
  // on ages 1-40, the one of 60-100 from age 60.
  Frames(41);
  EXPECT_EQ(F(fighter, kFieldVx), -2560 + 40 * 64);
  EXPECT_EQ(F(fighter, kFieldVy), 40 * -8);
  Frames(18);
  EXPECT_EQ(F(fighter, kFieldVx), 0);
  Frames(21);
  EXPECT_EQ(F(fighter, kFieldVx), 21 * 64);
  // A beam cannon of variant 1 fades in, stops at 20 and goes back at 120.
  SetGameVar(kVarInvulnerable, 1 << 20);
  const int b = SpawnEnemy(0, 0, 8, 1);
  SetActorField(kFieldVariant, b, 1);
  SetActorField(kFieldWaveId, b, 5);
  SetActorField(kFieldWaveInterval, b, 12);
  SetActorField(kFieldWaveDuration, b, 1000);
  SetActorField(kFieldWaveQuota, b, 5);
  SetCurrentActor(b);
  WaveControllerTask(b);
  const int cannon = EnemiesInList().back();
  DeleteActor(b);
  EXPECT_EQ(static_cast<uint32_t>(F(cannon, kFieldColour)) & 0xFF, 0u);
  Frames(21);
  EXPECT_EQ(F(cannon, kFieldVx), 0);
  EXPECT_EQ(static_cast<uint32_t>(F(cannon, kFieldColour)) & 0xFF, 21u * 8);
  Frames(100);
  EXPECT_EQ(F(cannon, kFieldVx), 2048);
}

TEST_F(Waves, AClearBeforeTheOnslaughtLimitPaysTheBonusAndCallsTheNextWaveAtOnce) {
  Level(2);
  const int c = StartWave(0, 0);   // id 14: quota 5, onslaught limit 240
  Frames(100);
  SetGameVar(kVarWaveKills, 5);
  Frame();
  EXPECT_FALSE(Alive(c));
  EXPECT_EQ(GetGameVar(kVarWaveCountdown), -1);
  EXPECT_EQ(GetGameVar(kVarWavesDone), 1);
  EXPECT_EQ(GetGameVar(kVarOnslaughts), 1);
  EXPECT_EQ(GetGameVar(kVarScore), 200);
  EXPECT_EQ(GetGameVar(kVarPhaseLevel), 3);   // below 2 x REVISED + 1, it rises
  int banner = 0, number = 0;
  for (int a : OfKind(kKindEffect)) {
    banner += F(a, kFieldSprite) == 3 && F(a, kFieldValue) == 140;
    number += F(a, kFieldSprite) == 5 && F(a, kFieldValue) == 2000;   // the level before it rose
  }
  EXPECT_EQ(banner, 1);
  EXPECT_EQ(number, 1);
  // Level 3 no longer rises; a clear after the limit waits 60 frames.
  const int late = StartWave(0, 0);
  SetActorField(kFieldAge, late, 240);
  SetGameVar(kVarWaveKills, 5);
  Frame();
  EXPECT_FALSE(Alive(late));
  EXPECT_EQ(GetGameVar(kVarWaveCountdown), 60);
  EXPECT_EQ(GetGameVar(kVarPhaseLevel), 3);
  EXPECT_EQ(GetGameVar(kVarOnslaughts), 1);
  EXPECT_EQ(GetGameVar(kVarWavesDone), 2);
  // A wave past its duration times out; a clear in the same frame still gives 30.
  const int slow = StartWave(0, 0);
  SetActorField(kFieldAge, slow, 601);
  Frame();
  EXPECT_EQ(GetGameVar(kVarWaveCountdown), 30);
  const int both = StartWave(0, 0);
  SetActorField(kFieldAge, both, 601);
  SetGameVar(kVarWaveKills, 5);
  Frame();
  EXPECT_EQ(GetGameVar(kVarWaveCountdown), 30);
  EXPECT_EQ(GetGameVar(kVarWavesDone), 4);
  EXPECT_FALSE(Alive(slow));
  EXPECT_FALSE(Alive(both));
  // Mid-boss waves have no onslaught limit.
  const int mid = StartWave(0, 1);   // id 10
  SetGameVar(kVarWaveKills, 1);
  Frame();
  EXPECT_FALSE(Alive(mid));
  EXPECT_EQ(GetGameVar(kVarWaveCountdown), 60);
}

TEST_F(Waves, MissionWavesIgnoreTheirQuotaAndThePhaseEndCutsAWaveUncounted) {
  SetGameVar(kVarArea, kMissionArea);
  const int c = StartWave(0, 0);
  SetGameVar(kVarWaveKills, 50);
  Frames(10);
  EXPECT_TRUE(Alive(c));
  SetActorField(kFieldAge, c, 601);
  Frame();
  EXPECT_FALSE(Alive(c));
  EXPECT_EQ(GetGameVar(kVarWavesDone), 1);
  SetGameVar(kVarArea, 0);
  SetGameVar(kVarWaveKills, 0);
  const int cut = StartWave(0, 0);
  SetGameVar(kVarPhaseTimer, 2400);
  Frame();
  EXPECT_TRUE(Alive(cut));
  SetGameVar(kVarPhaseTimer, 2401);
  Frame();
  EXPECT_FALSE(Alive(cut));
  EXPECT_EQ(GetGameVar(kVarWavesDone), 1);
}

TEST_F(Waves, TheHundredthOnslaughtBringsOneItem) {
  if (SpawnItem(-100, -100, 0, 0, 1) < 1) GTEST_SKIP() << "items are not built yet";
  for (int a : OfKind(0x20000006)) DeleteActor(a);
  SetGameVar(kVarOnslaughts, 99);
  StartWave(0, 0);
  SetGameVar(kVarWaveKills, 5);
  Frame();
  std::vector<int> items = OfKind(0x20000006);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(F(items[0], kFieldValue), 34);
  StartWave(0, 0);
  SetGameVar(kVarWaveKills, 5);
  Frame();
  EXPECT_EQ(GetGameVar(kVarOnslaughts), 101);
  EXPECT_EQ(OfKind(0x20000006).size(), 1u);
}

TEST_F(Waves, TheEscortLeaderCrossesOnASineFiresStreamsAndWallsAndSendsEscorts) {
  const int c = StartWave(2, 2);   // id 19
  ASSERT_EQ(F(c, kFieldWaveId), 19);
  Frame();
  EXPECT_EQ(F(c, kFieldSprite), 35);
  EXPECT_EQ(F(c, kFieldX), -40);
  EXPECT_EQ(F(c, kFieldY), 240);
  EXPECT_EQ(FiredBy(c), (Lines{"t0 0/10800/50 @0,-120 nomuzzle", "t0 0/10800/50 @0,120 nomuzzle",
                               "t0 2/10800/50 @0,-144", "t0 2/10800/50 @0,-168", "t0 2/10800/50 @0,-192",
                               "t0 2/10800/50 @0,-216", "t0 2/10800/50 @0,-240", "t0 2/10800/50 @0,144",
                               "t0 2/10800/50 @0,168", "t0 2/10800/50 @0,192", "t0 2/10800/50 @0,216",
                               "t0 2/10800/50 @0,240"}));
  Frames(170);   // age 170: x 640
  EXPECT_EQ(F(c, kFieldX), 640);
  EXPECT_EQ(F(c, kFieldY), 240 + static_cast<int>(static_cast<float>(
                                      std::sin(static_cast<double>(170.0f * 3.1415927f / 176.0f)) * 80)));
  EXPECT_TRUE(OfKind(kKindEnemy | 19).empty());
  Frame();   // 644: the first escort
  std::vector<int> escorts = OfKind(kKindEnemy | 19);
  ASSERT_EQ(escorts.size(), 1u);
  EXPECT_EQ(GetChildActor(c, 0), escorts[0]);
  EXPECT_EQ(F(escorts[0], kFieldSprite), 18);   // drawn as a fighter
  EXPECT_EQ(F(escorts[0], kFieldSpeed), 2 * 50 * 2 * 6);
  EXPECT_EQ(F(escorts[0], kFieldHeading), 10800);
  Frames(3);
  EXPECT_EQ(F(c, kFieldX), 656);
  EXPECT_EQ(OfKind(kKindEnemy | 19).size(), 1u);
  // Standing at 656 below level 8 it fires its streams every 4 frames.
  g_fired.clear();
  Frames(8);
  int streams = 0;
  for (const FiredPattern& f : g_fired) streams += f.p.type == 0;
  EXPECT_EQ(streams, 4);
  // With the escort gone another comes; at four kills none.
  DeleteActor(escorts[0]);
  Frame();
  EXPECT_EQ(OfKind(kKindEnemy | 19).size(), 1u);
  DeleteActor(OfKind(kKindEnemy | 19)[0]);
  SetGameVar(kVarWaveKills, 3);
  SetActorField(kFieldWaveQuota, c, 10);
  SetGameVar(kVarWaveKills, 4);
  Frame();
  EXPECT_TRUE(OfKind(kKindEnemy | 19).empty());
  // Above level 7 the aim sways.
  Level(8);
  g_fired.clear();
  Frames(2);
  ASSERT_FALSE(g_fired.empty());
  const int t = g_fired[0].t;
  EXPECT_EQ(g_fired[0].p.heading, 10800 + static_cast<int>(static_cast<float>(std::sin(static_cast<double>(
                                                  static_cast<float>(t) * 3.1415927f / 48.0f)) * 300)));
}

// The wave-start rule as the session runs it, over the first waves of area 0.
using WaveStarts = PlayScene;

TEST_F(WaveStarts, CountdownsStartTheFirstWaveAndFollowClearsAndTimeOuts) {
  ASSERT_GT(Start(kRevised, 0, 0), 0);
  SetGameVar(kVarInvulnerable, 1 << 20);
  ToRunningPhase();
  // The countdown of 10 runs down from timer 0: the first wave at timer 9.
  while (Var(kVarPhaseTimer) < 9) Step();
  EXPECT_EQ(CountActorsOfKind(0x30000001), 0);
  Step();
  ASSERT_EQ(CountActorsOfKind(0x30000001), 1);
  EXPECT_EQ(Var(kVarWaveLeader), 0x3000000E);
  Steps(50);
  EXPECT_GT(CountActorsWithFlags(kFlagCountedEnemy), 0);
  // An onslaught: the controller sets -1 in its update and the session's rule, after the walk,
  // starts the next wave (a mid-boss) in the same frame, bombers still about.
  SetGameVar(kVarWaveKills, 5);
  Step();
  EXPECT_EQ(Var(kVarWavesDone), 1);
  EXPECT_EQ(Var(kVarOnslaughts), 1);
  EXPECT_EQ(CountActorsOfKind(0x30000001), 1);
  EXPECT_EQ(Var(kVarWaveLeader), 0x3000000A);
  EXPECT_EQ(Var(kVarWaveCountdown), 0);
  EXPECT_GT(CountActorsWithFlags(kFlagCountedEnemy), 0);
  // Cleared without the bonus: 60 frames once nothing counted is alive.
  SetGameVar(kVarWaveKills, 1);
  Step();
  EXPECT_EQ(Var(kVarWaveCountdown), 60);
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) != 0 && (GetActorField(kFieldFlags, a) & kFlagCountedEnemy)) DeleteActor(a);
  }
  Steps(59);
  EXPECT_EQ(CountActorsOfKind(0x30000001), 0);
  Step();
  EXPECT_EQ(CountActorsOfKind(0x30000001), 1);
  EXPECT_EQ(Var(kVarWaveLeader), 0x30000002);
  EXPECT_EQ(Var(kVarWavesDone), 2);
}

}  // namespace
