// Stand-ins for the gameplay and front-end routines the framework calls, one function each, until
// the real one lands (delete the stand-in then). Handlers and draw routines do nothing.
#include "game/framework/actors.h"
#include "game/framework/game_hooks.h"

void EnemyGroupTask(int) {}

void SwapEnemyBulletSprites(int) {}

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
