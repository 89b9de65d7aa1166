// A small stage for the weapons, bombs, items and draw routines: an idle session whose game
// variables a test sets as it needs, a still stand-in player (a plain effect, so no player task
// runs and nothing reads the pad), targets placed by hand, and frames stepped as the frame loop
// steps them (display list reset, actor walk, commands). Sounds go to the recorder.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/engine_recorder.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"

class CombatScene : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineEntries();
    recorder::Install();
    ResetActors();
    ResetSpriteTable();
    ResetDrawList();
    SetPlayfieldBounds(-8, -8, 648, 488);
    SetDefaultSettings();
    SetSettingsSlot(kSlotPlayMode, 2);
    SetScrollOffset(0, 0);
    LoadSounds();
    g_Engine.SeedRandomLocked(7);
    SetPlayerActor(0);
    CreateGameSession();
    SetGameVar(kVarDifficulty, kRevised);
    SetGameVar(kVarPhaseLevel, 4);
    SetGameVar(kVarPhaseTimer, 600);
    player_ = SpawnActor(160, 240, 20, 1052, kKindEffect);
    SetPlayerActor(player_);
    SetActorField(kPlayerPower, player_, 1);
    recorder::Take();
  }
  void TearDown() override {
    SetSessionActor(0);
    SetPlayerActor(0);
    ResetActors();
    ResetDrawList();
    SetScrollOffset(0, 0);
    ResetEngineEntries();
  }

  // A counted target that nothing moves (an empty behaviour slot), with its flags and hit points.
  static int Target(int x, int y, int hp, uint32_t flags = 0, int radius = 24) {
    int a = AllocActor();
    SetCurrentActor(a);
    SetCurPos(x, y);
    InitCurActor(0x3000000F, 8, 2000);
    SetActorHp(a, hp);
    SetActorField(kFieldRadius, a, radius);
    OrActorField(kFieldFlags, a, kFlagCountedEnemy | flags);
    return a;
  }
  static int Bullet(int x, int y) {
    int b = AllocActor();
    SetCurrentActor(b);
    SetCurPos(x, y);
    InitCurActor(kKindEnemyBullet, 24, 1536);
    SetActorField(kFieldRadius, b, 4);
    OrActorField(kFieldFlags, b, kBulletFlag);
    return b;
  }

  // One frame as the frame loop runs it.
  static void Step() {
    ResetDrawList();
    UpdateAllActors();
    UpdateActorCommands();
    UpdateSound();
  }
  static void Steps(int n) {
    for (int i = 0; i < n; ++i) Step();
  }

  static bool Alive(int a) { return GetActorField(kFieldKind, a) > 0; }
  static int32_t Field(int a, int f) { return GetActorField(f, a); }
  static int32_t Var(int n) { return GetGameVar(n); }

  // Live actors of a kind, optionally only those showing a sprite.
  static std::vector<int> ActorsOf(int32_t kind, int32_t sprite = -1) {
    std::vector<int> out;
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
      if (GetActorField(kFieldKind, a) == kind && (sprite < 0 || GetActorField(kFieldSprite, a) == sprite)) {
        out.push_back(a);
      }
    }
    return out;
  }
  static std::vector<int> Items(int kind) {
    std::vector<int> out;
    for (int a : ActorsOf(0x20000006)) {
      if (GetActorField(32, a) == kind) out.push_back(a);
    }
    return out;
  }
  static int CountSound(const std::vector<int>& sounds, int n) {
    int k = 0;
    for (int s : sounds) k += s == n;
    return k;
  }

  int player_ = 0;
};
