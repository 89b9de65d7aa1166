// Stand-ins for the operations of play.h whose real versions are not built yet, so that the game
// links and a play runs without them: each creates nothing and reports failure or nothing. Each
// stand-in is deleted here when its real version lands (one function each).
#include "game/framework/actors.h"
#include "game/framework/settings.h"
#include "game/play/pending_framework.h"
#include "game/play/play.h"

// Player weapons.
int SpawnPlayerShot(int, int, int, int) { return -1; }
void DamageTarget(int, int) {}
void IncreaseTargetGauge(int, int) {}
void AddHitChain(int, int) {}
void PlayerShotTask(int) {}
void PlayerTorpedoTask(int) {}
void PlayerBeamTask(int) {}
void PlayerDeviceTask(int) {}

// Bombs and special actions.
void StartBombCommon() {}
void UseCounterBomb() {}
int LaunchBombA() { return -1; }
int LaunchBombB() { return -1; }
void BombTaskA(int) {}
void BombTaskB1(int) {}
void BombTaskB2(int) {}
void BombTaskB3(int) {}
void BombTaskB4(int) {}

// Items and gems.
int SpawnItem(int, int, int, int, int) { return -1; }
void ItemTask(int) {}
int CancelBulletsToItems(int) { return 0; }
int SpawnDebrisPiece(int, int, int, int32_t, int, int) { return -1; }

// Enemy bullets.
int ResetBulletPattern(int, int, int, int, int) { return 0; }
void FireBulletPattern() {}
void SetupEnemyBullet(int) {}
void SetBulletsEnabled(int) {}
void SetBulletAltSpriteFlag(int) {}
int32_t GetBulletSprite(int) { return 0; }
int ScaleBulletSpeed(int) { return 0; }
int ScaleBulletSpeedAtReset(int) { return 0; }
int ScaleBulletSpeedPlus(int) { return 0; }
int SpawnOneFrameBullet(int, int, int) { return -1; }
int SpawnHiddenHitZone(int, int, int) { return -1; }

// Enemies.
int SpawnEnemy(int, int, int, int) { return -1; }
void DefeatEnemy(int) {}
void TurnIntoDyingEnemy(int, int) {}
void DyingEnemyTask(int) {}
void FireRevengeBullets(int) {}
void FlingChildActors(int) {}
void FlashScreen() {}
void ChangeBossFormOnTimeout(int) {}
bool HitPlayerIfNear(int, int, int, int) { return false; }
int TurnTowardPlayer(int) { return 0; }
void GetEnemyScriptState(int* x, int* y, int* age, int* level) { *x = *y = *age = *level = 0; }
void GetEnemyScriptStateEx(int* x, int* y, int* vx, int* vy, int* age, int* level) {
  *x = *y = *vx = *vy = *age = *level = 0;
}
void KillActor(int) {}

// Waves.
int StartWave(int, int) { return -1; }
void WaveControllerTask(int) {}
void Wave19LeaderBehaviour(int) {}

// Object drawing.
void SetScrollOffset(int, int) {}
void GetCurDrawParams(int* x, int* y, int* layer, int* age) { *x = *y = *layer = *age = 0; }
