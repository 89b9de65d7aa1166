// Gameplay: the operations the parts of play call of one another, and those the framework and the
// front end call of play. The session actor's fields are the game variables of one play; the
// player actor is reached through the player index. Every routine works on the current actor
// unless it takes one. Hit tests, the hooks of the actor update and the draw routines are in
// game/framework/game_hooks.h.
#pragma once
#include <cstdint>

#include "game/framework/game_hooks.h"

// ---------------------------------------------------------------------------------------------
// Game variables: fields of the session actor.
enum GameVar : int {
  kVarFrame = 4,            // session frame counter (its age)
  kVarSessionFlags = 24,    // 0x20000 phase not running, 0x10000 mission target defeated
  kVarHitTimer = 29,
  kVarInvulnerable = 30,
  kVarSlowdown = 50,
  kVarCharacter = 51,
  kVarLoadout = 52,         // shot << 4 | sub << 2 | bomb
  kVarCounterBombs = 53,
  kVarShifts = 54,
  kVarGrazeMilestones = 55,
  kVarHitsKept = 56,
  kVarLifeItems = 58,
  kVarLevelTimer = 60,
  kVarLevelSum = 72,
  kVarLevelFrames = 73,
  kVarKills = 74,
  kVarGemsTaken = 75,
  kVarBestChain = 76,
  kVarOnslaughts = 77,
  kVarTimesHit = 78,
  kVarBombsLaunched = 79,
  kVarScore = 81,           // units of 10 displayed points
  kVarContinues = 82,
  kVarDifficulty = 83,
  kVarArea = 84,
  kVarPhase = 85,
  kVarPhaseLevel = 86,
  kVarBulletFloor = 87,
  kVarLives = 88,
  kVarMaxLives = 89,
  kVarNextExtend = 90,
  kVarBombs = 91,
  kVarBombCooldown = 92,
  kVarGemValue = 93,
  kVarGemCap = 94,
  kVarPhaseTimer = 95,
  kVarGrazes = 96,
  kVarPhaseGems = 97,
  kVarPhaseSpare = 98,
  kVarPhaseBestChain = 99,
  kVarPhaseKills = 100,
  kVarPhaseSpawned = 101,
  kVarShiftTimer = 102,
  kVarWaveCountdown = 103,
  kVarWavesDone = 104,
  kVarWaveLeader = 105,
  kVarEnemiesAlive = 106,
  kVarWaveKills = 107,
  kVarTimeLeft = 108,
  kVarMana = 109,
  kVarSubCooldown = 110,
  kVarHeat = 111,
  kVarBossGauge = 112,
  kVarBossId = 113,
  kVarBossDigit = 114,
  kVarShake = 118,
  kVarSlowGauge = 119,
  kVarChainTimer = 120,
  kVarHitChain = 121,
  kVarShiftSavedLevel = 122,
  kVarGaugeSlide = 124,
  kVarBackground = 125,
  kVarGameOver = 126,
};

enum SessionFlagBits : uint32_t {
  kSessionPhaseIdle = 0x20000,       // spawns refused; no bombs or sub weapons
  kSessionMissionTarget = 0x10000,
};

enum Difficulty : int { kNovice = 0, kRevised = 1, kUnlimited = 2, kDemonic = 3 };

constexpr int kMissionArea = 6;
constexpr int kPhaseTimerIntroCard = 100000;

// Player actor fields (besides the framework's).
enum PlayerField : int {
  kPlayerPrevInput = 22,
  kPlayerPower = 28,
  kPlayerOverdrive = 31,
  kPlayerShotTimer = 33,
  kPlayerNextGun = 34,
  kPlayerMuzzle0 = 35,
  kPlayerMuzzle1 = 36,
  kPlayerSpreadWidth = 37,
  kPlayerBank = 38,
  kPlayerShotType = 43,
  kPlayerSubWeapon = 44,
  kPlayerBombType = 45,
  kPlayerCharacter = 46,
  kPlayerShiftFrames = 71,
  kPlayerMoveX = 72,
  kPlayerMoveY = 73,
  kPlayerFlame = 74,
};

constexpr uint32_t kPlayerPreviewFlag = 0x2000;
constexpr int32_t kKindPlayerA = 0x20000003;   // + character; 0x20000005 runs the common part only

constexpr uint32_t kReplayEndWord = 0x50455245;   // "EREP" read in place of a frame's input

// Enemy bullet flags (group 4): enemy bullet, armed for a graze, grazed.
enum BulletFlagBits : uint32_t {
  kBulletFlag = 0x200000, kBulletGrazeArmed = 0x20000, kBulletGrazed = 0x40000,
};

// ---------------------------------------------------------------------------------------------
// Session and area flow.
int RunGameState();                 // scene state 2: the session index, or -1
void StartMissionSession();
int StartArea();                    // 0, or -1 when the player or the background failed
void SetupAreaPhase();
void EndArea();
int CreateGameSession();            // an idle session for menus and results; index or -1
bool IsReplayPlayback();            // the play mode's replay bit
// The game-task handlers by slot (the low 16 bits of a 0x200000nn kind); null: nothing.
using GameTaskHandler = void (*)(int actor);
extern const GameTaskHandler GameTaskTable[16];


// ---------------------------------------------------------------------------------------------
// Scoring, phase level and the accessors.
int GetPlayerActor();               // below 1: no player
void SetPlayerActor(int actor);
int32_t GetPlayerField(int field);
void SetPlayerField(int field, int32_t value);
void AddPlayerField(int field, int32_t amount);
int GetAngleToPlayer(int x, int y);           // 10800 without a player
int GetDistanceSqToPlayer(int x, int y);      // 0x3FFFFFFF without a player
int32_t IncGameVarUpTo(int n, int32_t maximum);
void DecGameVarToZero(int n);
void IncGameVar(int n);
void AddScore(int32_t units);
void ChangePhaseLevel(int delta);
void ClearBonusDisplay();
void AddChainTime(int frames);
int CalcSpiritRating();

// ---------------------------------------------------------------------------------------------
// Player characters.
int CreatePlayer(int x, int y, int character);
int CreatePreviewPlayer(int x, int y, int character);
int CalcLoadoutSpeed(int shot, int sub, int bomb);
uint32_t UpdatePlayerCommon(int actor);
void PlayerTaskA(int actor);
void PlayerTaskB(int actor);
void PlayerTaskC(int actor);
void StartPlayerHit();
void UpdatePlayerCollision();
void EndDemonicShift(int mode);
void RestoreShiftPhaseLevel();

// ---------------------------------------------------------------------------------------------
// Player weapons.
int SpawnPlayerShot(int x, int y, int heading, int row);   // -1 for a bad row or a full pool
void DamageTarget(int target, int amount);
void IncreaseTargetGauge(int target, int amount);
void AddHitChain(int chainTime, int slowGain);
void PlayerShotTask(int actor);
void PlayerTorpedoTask(int actor);
void PlayerBeamTask(int actor);
void PlayerDeviceTask(int actor);

// Bombs and special actions.
void StartBombCommon();
void UseCounterBomb();
int LaunchBombA();                  // the bomb actor, or -1
int LaunchBombB();
void BombTaskA(int actor);
void BombTaskB1(int actor);
void BombTaskB2(int actor);
void BombTaskB3(int actor);
void BombTaskB4(int actor);

// Items and gems.
int SpawnItem(int x, int y, int heading, int speed, int kind);   // below 1 when none was free
void ItemTask(int actor);
int CancelBulletsToItems(int mode);
int SpawnDebrisPiece(int x, int y, int layer, int32_t sprite, int heading, int speed);

// ---------------------------------------------------------------------------------------------
// Area backgrounds.
int CreateAreaBackground(int area);
void ReplaceBackground(int actor);
void AreaBackgroundTask(int actor);

// ---------------------------------------------------------------------------------------------
// Enemy bullets.
int ResetBulletPattern(int x, int y, int type, int heading, int speed);   // the phase level
void FireBulletPattern();
void SetupEnemyBullet(int bullet);
void SetBulletsEnabled(int on);
void SetBulletAltSpriteFlag(int on);
int32_t GetBulletSprite(int type);
int ScaleBulletSpeed(int v);
int ScaleBulletSpeedAtReset(int v);
int ScaleBulletSpeedPlus(int v);
int SpawnOneFrameBullet(int x, int y, int radius);
int SpawnHiddenHitZone(int x, int y, int radius);

// Enemies.
int SpawnEnemy(int x, int y, int layer, int id);
void DefeatEnemy(int actor);
void TurnIntoDyingEnemy(int hideSprite, int actor);
void DyingEnemyTask(int actor);
void FireRevengeBullets(int actor);
void FlingChildActors(int actor);
void FlashScreen();
void ChangeBossFormOnTimeout(int actor);
bool HitPlayerIfNear(int x, int y, int r2, int killSelf);
int TurnTowardPlayer(int actor);
void GetEnemyScriptState(int* x, int* y, int* age, int* level);
void GetEnemyScriptStateEx(int* x, int* y, int* vx, int* vy, int* age, int* level);
void KillActor(int actor);

// Waves.
int StartWave(int index, int n);
void WaveControllerTask(int actor);
void Wave19LeaderBehaviour(int actor);

// Object drawing.
void SetScrollOffset(int x, int y);
void GetScrollOffset(int* x, int* y);
void GetCurDrawParams(int* x, int* y, int* layer, int* age);

// ---------------------------------------------------------------------------------------------
// Session update.
void UpdateSlowMotion();
void RecordMissionResult();

// ---------------------------------------------------------------------------------------------
// Front-end entries that play calls.
void StartReplayForPlay();
int StartAreaIntro(int area);       // the intro card task
int ShowGameResult();               // the result window
