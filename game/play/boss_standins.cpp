// Stand-ins for the bosses' behaviours until they are built: each boss holds still where its
// wave's commands leave it. Each is deleted here when its real routine lands (one function each).
#include "game/play/enemies.h"

void EnemyBehaviour07(int) {}
void EnemyBehaviour08(int) {}
void EnemyBehaviour10(int) {}
void EnemyBehaviour12(int) {}
void EnemyBehaviour13(int) {}
void EnemyBehaviour16(int) {}
void EnemyBehaviour17(int) {}
