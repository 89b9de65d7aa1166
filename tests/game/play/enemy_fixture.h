// Enemies on a bare session: the game variables on a plain actor (no session update, no wave
// start of its own), a bare player actor to aim at, bullets enabled, and every fired pattern
// recorded with the firing actor's age and the pattern's offset from it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

// One fired pattern as the firing actor saw it.
struct FiredPattern {
  int actor;
  int t;           // the firing actor's age
  int dx, dy;      // the origin's offset from the firing actor
  BulletPattern p;
  int aim;         // the angle from the origin to the player at the time
  bool enabled;
};

inline std::vector<FiredPattern> g_fired;

inline void RecordFired(const BulletPattern& p) {
  FiredPattern f;
  f.actor = GetCurrentActor();
  f.t = GetCurField(kFieldAge);
  int x, y;
  GetCurPos(&x, &y);
  f.dx = p.x - x;
  f.dy = p.y - y;
  f.p = p;
  f.aim = GetAngleToPlayer(p.x, p.y);
  f.enabled = AreBulletsEnabled();
  g_fired.push_back(f);
}

// "t50 16/10800/48" and, when not the defaults, " w ways s spread r rows @dx,dy L layer spin n
// nomuzzle": the heading reads "aim" when it points at the player.
inline std::string Describe(const FiredPattern& f) {
  char buf[160];
  const BulletPattern& p = f.p;
  std::string heading = p.heading == f.aim ? "aim" : std::to_string(p.heading);
  std::snprintf(buf, sizeof buf, "t%d %d/%s/%d", f.t, p.type, heading.c_str(), p.speed);
  std::string s = buf;
  if (p.ways != 1 || p.spread != 0) s += " w" + std::to_string(p.ways) + " s" + std::to_string(p.spread);
  if (p.rows != 1) s += " r" + std::to_string(p.rows);
  if (f.dx != 0 || f.dy != 0) s += " @" + std::to_string(f.dx) + "," + std::to_string(f.dy);
  if (p.layer != 24) s += " L" + std::to_string(p.layer);
  if (p.spin != 0) s += " spin" + std::to_string(p.spin);
  if (p.muzzleSprite == 0) s += " nomuzzle";
  return s;
}

class EnemyScene : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineEntries();
    ResetActors();
    ResetSpriteTable();
    ResetDrawList();
    SetSessionActor(0);
    SetPlayerActor(0);
    SetPlayfieldBounds(-8, -8, 648, 488);
    SetDefaultSettings();
    SetSettingsSlot(kSlotPlayMode, 0);
    g_Engine.SeedRandomLocked(4242);
    MakeSession(kRevised, 4);
    MakePlayer(100, 400);
    SetBulletsEnabled(1);
    SetBulletAltSpriteFlag(0);
    g_fired.clear();
    SetBulletPatternObserver(RecordFired);
  }
  void TearDown() override {
    SetBulletPatternObserver(nullptr);
    SetBulletsEnabled(0);
    SetBulletAltSpriteFlag(0);
    SetSessionActor(0);
    SetPlayerActor(0);
    ResetActors();
    ResetEngineEntries();
  }

public:
  // The session's variables on an actor without a task: nothing runs but the enemies.
  static void MakeSession(int difficulty, int level) {
    const int s = AllocActor();
    SetCurrentActor(s);
    SetCurPos(0, 0);
    InitCurActor(kKindEffect, 31, 0);
    SetActorField(kFieldFlags, s, 0x4000002);
    SetSessionActor(s);
    SetGameVar(kVarDifficulty, difficulty);
    SetGameVar(kVarPhaseLevel, level);
    SetGameVar(kVarBulletFloor, std::max(2 * difficulty + 3, 4));
    SetGameVar(kVarArea, 0);
    SetGameVar(kVarLives, 3);
    SetGameVar(kVarMaxLives, 3);
    SetGameVar(kVarPhaseTimer, 100);
    SetGameVar(kVarNextExtend, 100000);
  }
  static void MakePlayer(int x, int y) {
    const int p = AllocActor();
    SetCurrentActor(p);
    SetCurPos(x, y);
    InitCurActor(0x20000000, 20, 1);   // a game task without a handler
    SetPlayerActor(p);
  }
  static void Level(int level) { SetGameVar(kVarPhaseLevel, level); }
  static void Frame() {
    UpdateAllActors();
    UpdateActorCommands();
  }
  static void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }

  // An enemy that stays where it is put (its formation's motion left out).
  static int Still(int id, int x, int y) {
    const int e = SpawnEnemy(x, y, 8, id);
    EXPECT_GT(e, 0) << "id " << id;
    return e;
  }
  static int32_t F(int actor, int field) { return GetActorField(field, actor); }
  static uint32_t Flags(int actor) { return static_cast<uint32_t>(GetActorField(kFieldFlags, actor)); }
  static bool Alive(int actor) { return GetActorField(kFieldKind, actor) != 0; }

  // Every actor of a kind, in list order.
  static std::vector<int> OfKind(int32_t kind) {
    std::vector<int> out;
    int node = GetActorField(kFieldNext, kActorHead);
    for (int i = 0; i < kActorWalkLimit && node != kActorTail && node > 0; ++i) {
      if (GetActorField(kFieldKind, node) == kind) out.push_back(node);
      node = GetActorField(kFieldNext, node);
    }
    return out;
  }
  static std::vector<int> BulletActors() { return OfKind(kKindEnemyBullet); }
  // Every actor in the list but the sentinels.
  static int CountAll() {
    int n = 0;
    int node = GetActorField(kFieldNext, kActorHead);
    for (int i = 0; i < kActorWalkLimit && node != kActorTail && node > 0; ++i) {
      n += GetActorField(kFieldKind, node) != kKindSentinel;
      node = GetActorField(kFieldNext, node);
    }
    return n;
  }

  // The patterns one actor fired, described.
  static std::vector<std::string> FiredBy(int actor) {
    std::vector<std::string> out;
    for (const FiredPattern& f : g_fired) {
      if (f.actor == actor) out.push_back(Describe(f));
    }
    return out;
  }
};
