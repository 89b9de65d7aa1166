// What the framework calls of the gameplay and the front end: the group handlers, the session
// calls of the actor update, the draw routines of ActorDrawTable and the game variables. Each is
// defined by game/play or game/frontend.
#pragma once
#include <cstdint>

// Group handlers.
void DispatchSceneTask(int actor);       // group 1: scene tasks and menu windows
void ReturnToParentMenu(int actor);      // a group-1 actor is being removed
void DispatchGameTask(int actor);        // group 2: game tasks
void EnemyGroupTask(int actor);          // group 3: enemies

// Session calls of the actor update and the slow mode.
void DrawGameHud();
void UpdateGameSession();
void SwapEnemyBulletSprites(int on);
// True while a game over holds the actors frozen: the pause menu's resume leaves them frozen.
bool IsGameOverFreezeHeld();

// Game variables: the fields of the session actor.
int GetSessionActor();
void SetSessionActor(int actor);
int32_t GetGameVar(int n);
void SetGameVar(int n, int32_t value);
void AddGameVar(int n, int32_t amount);

// Draw routines (each draws the current actor into the display list).
void DrawActorSprite();
void DrawActorSpriteShaken();
void DrawActorRect();
void DrawActorTextById();
void DrawActorFontTextById();
void DrawActorNumber();
void DrawActorNumberZeroPad();
void DrawBeam();
void DrawPlayerCharacter1();
void DrawPlayerCharacter2();
void DrawGrowingRing();
void DrawTimedDevice();
void DrawItemWithLabel();
void DrawAreaBackground();
void DrawEnemy02();
void DrawEnemy03();
void DrawEnemy04();
void DrawEnemy05();
void DrawEnemy06();
void DrawEnemy07();
void DrawEnemy08();
void DrawEnemy10();
void DrawEnemy12();
void DrawEnemy13();
void DrawEnemy14();
void DrawEnemy16();
void DrawEnemy17();
void DrawEnemy19();
void DrawEnemy21();
