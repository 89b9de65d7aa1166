// The game session: play start, the mission start, the area start, the set-up of each phase (the
// background's drift and the music), the area end, the idle session of menus and results, and the
// dispatch of every game task.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

bool g_playEndNoted = false;
bool g_frameHeld = false;

constexpr int32_t kSessionFlags = 0x4000002;   // runs while paused, survives group clears

// One step of a phase's background drift: a field set, or a timed command on the background.
struct ScrollStep {
  int code;                // -1: field := a1; otherwise an actor command
  int field;               // for field sets
  int delay, duration;
  int32_t a1, a2;
};

constexpr int kStepsPerPhase = 3;
constexpr ScrollStep kNoStep = {0, 0, 0, 0, 0, 0};
constexpr ScrollStep SetField(int field, int32_t v) { return {-1, field, 0, 0, v, 0}; }
constexpr ScrollStep Command(int code, int delay, int duration, int32_t a1, int32_t a2) {
  return {code, 0, delay, duration, a1, a2};
}

// Indexed by area x 4 + phase - 1, areas 0-3; rows not listed drift by the common rule only.
// Field 9 is the vertical speed, field 64 the pattern value the background draw reads.
const ScrollStep kPhaseScroll[16][kStepsPerPhase] = {
    {SetField(9, -512), Command(7, 150, 31, 0, 16), kNoStep},
    {SetField(9, 1024), Command(7, 120, 31, 0, -32), kNoStep},
    {SetField(9, -256), Command(7, 120, 15, 0, 16), Command(24, 200, 112, 64, 1)},
    {SetField(64, 0), kNoStep, kNoStep},
    {SetField(9, 512), Command(7, 120, 31, 0, -16), kNoStep},
    {SetField(9, -512), Command(7, 120, 31, 0, 16), Command(24, 0, 200, 64, 4)},
    {Command(24, 0, 200, 64, 4), kNoStep, kNoStep},
    {SetField(9, -1024), Command(7, 120, 15, 0, 64), kNoStep},
    {SetField(9, -1024), Command(7, 120, 15, 0, 64), kNoStep},
    {SetField(9, -1024), Command(7, 120, 15, 0, 64), kNoStep},
    {Command(7, 120, 31, -64, -64), SetField(9, -1024), Command(7, 120, 15, 0, 64)},
    {kNoStep, kNoStep, kNoStep},
    {Command(7, 80, 31, 0, -64), Command(6, 112, 1, 0, -2048), kNoStep},
    {kNoStep, kNoStep, kNoStep},
    {Command(7, 120, 8, 32, 0), Command(6, 152, 1, 256, 0), kNoStep},
    {kNoStep, kNoStep, kNoStep},
};

void ApplyScrollStep(int background, const ScrollStep& s) {
  if (s.code < 0) {
    SetActorField(s.field, background, s.a1);
  } else if (s.code > 0) {
    AddActorCommand(background, s.code, s.delay, s.duration, s.a1, s.a2);
  }
}

void SetupPhaseScroll(int background, int a, int p) {
  if (p == 0) {
    int title = SpawnEffect(320, 176, 25, 166 + a);
    if (title > 0) {
      FadeInActor(title, 0);
      FadeOutActor(title, 120);
    }
  }
  if (a == 3 && p >= 2) {
    SetActorField(kFieldVy, background, -7168);
    AddActorCommand(background, kCmdAddVelocity, 60, 92, 0, 64);
    AddActorCommand(background, kCmdSetVelocity, 152, 1, 0, -1024);
  } else if (!(a == 3 && p > 0)) {
    SetActorField(kFieldVx, background, 8192);
    AddActorCommand(background, kCmdAddVelocity, 60, a == 1 ? 76 : 92, -64, 0);
  }
  int row = a * 4 + p - 1;
  if (row < 0 || row >= 16) return;
  for (const ScrollStep& s : kPhaseScroll[row]) ApplyScrollStep(background, s);
}

// The values a replay's area block hands back must be ones a play can hold; a damaged or foreign
// block would otherwise feed any number into the rules.
bool AreaBlockValuesUsable() {
  auto in = [](int n, int64_t lo, int64_t hi) {
    int32_t v = GetGameVar(n);
    return v >= lo && v <= hi;
  };
  for (int n : {kVarCounterBombs, kVarShifts, kVarGrazeMilestones, kVarHitsKept, kVarLifeItems,
                kVarLevelSum, kVarLevelFrames, kVarKills, kVarGemsTaken, kVarBestChain,
                kVarOnslaughts, kVarTimesHit, kVarBombsLaunched, kVarScore, kVarNextExtend}) {
    if (!in(n, 0, INT32_MAX)) return false;
  }
  return in(kVarLevelTimer, 0, 60) && in(kVarPhaseLevel, 1, 999) && in(kVarBulletFloor, 4, 9) &&
         in(kVarMaxLives, 1, 5) && in(kVarLives, 0, GetGameVar(kVarMaxLives)) &&
         in(kVarBombs, 0, 5) && in(kVarGemCap, 1, 10000) &&
         in(kVarGemValue, 0, GetGameVar(kVarGemCap));
}

void ClearSessionFields(int session) {
  for (int f = 24; f < kActorFieldCount; ++f) SetActorField(f, session, 0);
}

}  // namespace

void NotePlayEnd() { g_playEndNoted = true; }
bool IsPlayEndNoted() { return g_playEndNoted; }
void ClearPlayEndNote() { g_playEndNoted = false; }

void NoteFrameClass() { g_frameHeld = IsActorsPaused() || IsSlowSkipFrame(); }
bool IsFrameHeld() { return g_frameHeld; }

int RunGameState() {
  int session = SpawnActor(0, 0, 31, 0, kKindGameSession);
  if (session < 0) return -1;
  ClearSessionFields(session);
  SetSessionActor(session);
  ClearPlayEndNote();
  g_frameHeld = false;

  SetGameVar(kVarDifficulty, ReadPlaySlot(kSlotDifficulty));
  SetGameVar(kVarArea, ReadPlaySlot(kSlotStartArea));
  SetGameVar(kVarContinues, ReadPlaySlot(kSlotContinues));
  int character = ReadPlaySlot(kSlotCharacter);
  SetGameVar(kVarCharacter, character);
  if (character == 1) {
    int loadout;
    if (IsReplayPlayback()) {
      loadout = ReadPlaySlot(kSlotReplayLoadout);
    } else {
      int r = ReadPlaySlot(kSlotRigChoice);
      loadout = 16 * ReadPlaySlot(kSlotRigs + 3 * r) + 4 * ReadPlaySlot(kSlotRigs + 1 + 3 * r) +
                ReadPlaySlot(kSlotRigs + 2 + 3 * r);
    }
    SetGameVar(kVarLoadout, loadout);
  }

  int area = GetGameVar(kVarArea);
  if (area == kMissionArea) {
    StartMissionSession();
  } else {
    int difficulty = GetGameVar(kVarDifficulty);
    SetGameVar(kVarGemCap, 100);
    SetGameVar(kVarPhaseLevel, 3 * difficulty + 1 + (difficulty == kNovice ? 1 : 0));
    ChangePhaseLevel(0);
    SetGameVar(kVarLevelTimer, 0);
    SetGameVar(kVarBulletFloor, std::max(2 * difficulty + 3, 4));
    SetGameVar(kVarBombs, 3);
    SetGameVar(kVarMaxLives, ReadPlaySlot(kSlotStartLives) + 1);
    SetGameVar(kVarLives, GetGameVar(kVarMaxLives));
    SetGameVar(kVarNextExtend, 100000);
    OrActorField(kFieldFlags, session, kSessionFlags);
    StartReplayForPlay();
    // The timer is set before the card is made: a card that ends at once starts the area, which
    // sets the timer of the first phase.
    SetGameVar(kVarPhaseTimer, kPhaseTimerIntroCard);
    StartAreaIntro(area);
  }
  SetSessionStartTime(g_Engine.GetMillisecondCountLocked());
  return session;
}

void StartMissionSession() {
  SetGameVar(kVarContinues, 0);
  SetGameVar(kVarPhaseLevel, 11);
  ChangePhaseLevel(0);
  SetGameVar(kVarLevelTimer, 0);
  SetGameVar(kVarBulletFloor, 9);
  SetGameVar(kVarBombs, 0);
  SetGameVar(kVarMaxLives, 1);
  SetGameVar(kVarLives, 1);
  SetGameVar(kVarGemCap, 10000);
  SetGameVar(kVarNextExtend, 999999999);
  OrActorField(kFieldFlags, GetSessionActor(), kSessionFlags);
  SetSettingsSlot(kSlotPlayMode, GetPlayMode() | kPlayMission);
  StartReplayForPlay();
  StartArea();
  SetGameVar(kVarPhaseTimer, 0);
  SetGameVar(kVarInvulnerable, 240);
}

int StartArea() {
  int character = GetGameVar(kVarCharacter);
  int area = GetGameVar(kVarArea);
  int player = CreatePlayer(0, 224, character);
  int background = CreateAreaBackground(area);
  if (player < 0 || background < 0) return -1;
  SetupAreaPhase();
  PlaySe(27);
  if (!IsReplayPlayback() && area < 6) {
    int slot = 528 + 4 * character + GetGameVar(kVarDifficulty);
    if (area > GetSettingsSlot(slot)) SetSettingsSlot(slot, area);
  }
  return 0;
}

void SetupAreaPhase() {
  int p = GetGameVar(kVarPhase);
  int a = GetGameVar(kVarArea);
  if (p == 0) {
    bool playback = IsReplayPlayback();
    int found = SyncReplayArea(playback, a);
    if (playback && (found < 0 || !AreaBlockValuesUsable())) NotePlayEnd();
  }
  int background = GetGameVar(kVarBackground);
  if (background > 0) SetupPhaseScroll(background, a, p);

  if (p == 0) SetGameVar(kVarGrazes, 0);
  SetGameVar(kVarPhaseTimer, -200);
  for (int n = kVarPhaseGems; n <= kVarPhaseSpawned; ++n) SetGameVar(n, 0);
  ClearBonusDisplay();
  OrActorField(kFieldFlags, GetSessionActor(), kSessionPhaseIdle);
  SetBulletsEnabled(0);
  SetBulletAltSpriteFlag(0);
  SetGameVar(kVarWaveCountdown, 10);
  SetGameVar(kVarWavesDone, 0);
  SetGameVar(kVarEnemiesAlive, 0);

  if (a == 3 && p == 3) {
    FadeOutBgm();
  } else if ((a <= 2 && p == 3) || (a == 3 && p == 2)) {
    PlayBgmWithTitle(2);
  } else if (a == 0) {
    PlayBgmWithTitle(1);
  }
  SetSettingsSlot(kSlotPlayMode, GetPlayMode() | kPlayFrames);
  SetGameVar(kVarFrame, 0);
}

void EndArea() {
  RecordAreaResult(IsReplayPlayback(), GetGameVar(kVarArea));
  int player = GetPlayerActor();
  if (player > 0) DeleteActor(player);
  SetPlayerActor(0);
  int background = GetGameVar(kVarBackground);
  if (background > 0) DeleteActor(background);
  SetGameVar(kVarBackground, 0);
  SetSettingsSlot(kSlotPlayMode, GetPlayMode() & ~kPlayFrames);
  ShowGameResult();
}

int CreateGameSession() {
  int session = SpawnEffect(0, 0, 31, 0);
  if (session < 0) return -1;
  ClearSessionFields(session);
  SetSessionActor(session);
  ClearPlayEndNote();
  SetGameVar(kVarMaxLives, ReadPlaySlot(kSlotStartLives) + 1);
  SetGameVar(kVarLives, GetGameVar(kVarMaxLives));
  SetGameVar(kVarPhaseLevel, 5);
  SetGameVar(kVarGemCap, 100);
  SetGameVar(kVarNextExtend, 100000);
  OrActorField(kFieldFlags, session, 0x4000000);
  return session;
}

const GameTaskHandler GameTaskTable[16] = {
    nullptr,          NoHandler,         AreaBackgroundTask, PlayerTaskA,
    PlayerTaskB,      PlayerTaskC,       ItemTask,           PlayerShotTask,
    PlayerTorpedoTask, PlayerBeamTask,   PlayerDeviceTask,   BombTaskA,
    BombTaskB1,       BombTaskB2,        BombTaskB3,         BombTaskB4,
};

void DispatchGameTask(int actor) {
  // The session is the first game task of every walk and is updated on every frame, so its turn
  // is where the walk's frame class is taken.
  if (actor == GetSessionActor()) NoteFrameClass();
  int slot = GetActorField(kFieldKind, actor) & 0xFFFF;
  if (slot < 1 || slot >= 16 || GameTaskTable[slot] == nullptr) return;
  GameTaskTable[slot](actor);
}

bool IsGameOverFreezeHeld() {
  // The counter passes 60 in the update that freezes the actors.
  return GetGameVar(kFieldKind) == kKindGameSession && GetGameVar(kVarLives) <= 0 &&
         GetGameVar(kVarGameOver) > 60;
}
