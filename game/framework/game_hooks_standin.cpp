// Stand-ins for the gameplay and front-end routines the framework calls, one function each, until
// the real one lands (delete the stand-in then). Handlers and draw routines do nothing; the game
// variables are the fields of the session actor kept here.
#include "game/framework/actors.h"
#include "game/framework/game_hooks.h"

namespace {
int g_sessionActor = 0;
}  // namespace

void DispatchSceneTask(int) {}
void ReturnToParentMenu(int) {}
void DispatchGameTask(int) {}
void EnemyGroupTask(int) {}

void DrawGameHud() {}
void UpdateGameSession() {}
void SwapEnemyBulletSprites(int) {}

int GetSessionActor() { return g_sessionActor; }
void SetSessionActor(int actor) { g_sessionActor = actor; }
int32_t GetGameVar(int n) { return g_sessionActor > 0 ? GetActorField(n, g_sessionActor) : 0; }
void SetGameVar(int n, int32_t value) {
  if (g_sessionActor > 0) SetActorField(n, g_sessionActor, value);
}
void AddGameVar(int n, int32_t amount) {
  if (g_sessionActor > 0) AddActorField(n, g_sessionActor, amount);
}

void DrawActorSprite() {}
void DrawActorSpriteShaken() {}
void DrawActorRect() {}
void DrawActorTextById() {}
void DrawActorFontTextById() {}
void DrawActorNumber() {}
void DrawActorNumberZeroPad() {}
void DrawBeam() {}
void DrawPlayerCharacter1() {}
void DrawPlayerCharacter2() {}
void DrawGrowingRing() {}
void DrawTimedDevice() {}
void DrawItemWithLabel() {}
void DrawAreaBackground() {}
void DrawEnemy02() {}
void DrawEnemy03() {}
void DrawEnemy04() {}
void DrawEnemy05() {}
void DrawEnemy06() {}
void DrawEnemy07() {}
void DrawEnemy08() {}
void DrawEnemy10() {}
void DrawEnemy12() {}
void DrawEnemy13() {}
void DrawEnemy14() {}
void DrawEnemy16() {}
void DrawEnemy17() {}
void DrawEnemy19() {}
void DrawEnemy21() {}
