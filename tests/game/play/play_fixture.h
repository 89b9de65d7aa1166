// A play started directly on a fresh pool (no frame loop): settings set, the play state run, and
// frames stepped the way the frame loop steps them in play, each with a given input word written
// where play reads it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/frontend/frontend.h"
#include "game/temp_dir.h"

// One frame as the frame loop runs it in play: the input word recorded, actors, commands.
inline void PlayStep(uint32_t input = 0) {
  if (GetSettingsSlot(kSlotPlayMode) & kPlayFrames) {
    AdvanceReplayPos();
    SetReplayWord(GetReplayPosition(), input);
  }
  UpdateAllActors();
  UpdateActorCommands();
}

// The play state's set-up, then the intro card's first update: with intermissions off (or in
// playback) the card ends there, starts the area and is removed. The session index, or -1.
inline int RunGameStateThroughCard() {
  const int session = RunGameState();
  const int card = GetCurrentMenuTask();
  if (session > 0 && GetActorField(kFieldKind, card) == kMenuAreaIntro) {
    AreaIntroTask(card);
    DeleteActor(card);
  }
  return session;
}

class PlayScene : public ::testing::Test {
protected:
  // The result screen saves the settings: each test runs in a folder of its own.
  TempDir dir;
  void SetUp() override {
    dir.Enter();
    ResetEngineEntries();
    ResetActors();
    ResetSpriteTable();
    SetSessionActor(0);
    SetPlayerActor(0);
    SetPlayfieldBounds(-8, -8, 648, 488);
    SetDefaultSettings();
    SetSettingsSlot(kSlotIntermission, 1);   // the area intro card ends at once
    g_Engine.SeedRandomLocked(20240601);
  }
  void TearDown() override {
    SetSessionActor(0);
    SetPlayerActor(0);
    ResetActors();
    SetSettingsSlot(kSlotPlayMode, 1);
    dir.Leave();
  }

  // A play from the menus' slots; the area starts at once (intermission off).
  static int Start(int difficulty, int character = 0, int area = 1) {
    SetSettingsSlot(kSlotDifficulty, difficulty);
    SetSettingsSlot(kSlotCharacter, character);
    SetSettingsSlot(kSlotStartArea, area);
    SetSettingsSlot(kSlotPlayMode, 2);
    return RunGameStateThroughCard();
  }

  static void Step(uint32_t input = 0) { PlayStep(input); }
  static void Steps(int n, uint32_t input = 0) {
    for (int i = 0; i < n; ++i) Step(input);
  }
  // The frame loop's pause menu: actors paused, frames no longer played; and its resume.
  static void Pause() {
    SetActorsPaused(1);
    SetSettingsSlot(kSlotPlayMode, GetSettingsSlot(kSlotPlayMode) & ~kPlayFrames);
  }
  static void Resume() {
    SetActorsPaused(0);
    SetSettingsSlot(kSlotPlayMode, GetSettingsSlot(kSlotPlayMode) | kPlayFrames);
  }

  static int32_t Var(int n) { return GetGameVar(n); }
  static int32_t Field(int f) { return GetPlayerField(f); }
  static int X() { return GetPlayerField(kFieldX); }
  static int Y() { return GetPlayerField(kFieldY); }
  static void Place(int x, int y) { SetActorPos(x, y, GetPlayerActor()); }
  // Past the entrance (41 frames of pushed movement) and into the running phase (timer 0 and up).
  static void ToRunningPhase() {
    while (Var(kVarPhaseTimer) < 1) Step();
  }
  static void SetTimer(int32_t t) { SetGameVar(kVarPhaseTimer, t); }

  // Sprite-font labels showing a text (the banners).
  static int CountLabels(int textId) {
    int n = 0;
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
      if (GetActorField(kFieldKind, a) == kKindEffect && GetActorField(kFieldSprite, a) == 3 &&
          GetActorField(kFieldValue, a) == textId) {
        ++n;
      }
    }
    return n;
  }
  // An enemy bullet of the given radius at (x, y).
  static int Bullet(int x, int y, int radius = 4) {
    int b = AllocActor();
    SetCurrentActor(b);
    SetCurPos(x, y);
    InitCurActor(kKindEnemyBullet, 24, 1536);
    SetActorField(kFieldRadius, b, radius);
    OrActorField(kFieldFlags, b, kBulletFlag);
    return b;
  }
  static int CountBullets() { return CountActorsWithFlags(kBulletFlag); }
};
