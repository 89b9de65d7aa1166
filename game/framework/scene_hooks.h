// What the scene and frame loops call of the front end and of play: the set-ups of the three
// scenes (each creates the scene's root actors and returns the state to go on with, or -1 to end),
// the pause menu, and the fields of the current menu or scene task (116 holds its exit code).
// Each is defined by game/frontend or game/play.
#pragma once
#include <cstdint>

int RunOpeningState();                       // scene 0
int RunTitleState();                         // scene 1
int RunGameState();                          // scene 2
int OpenPauseMenu();                         // the pause window
int32_t GetMenuTaskField(int n);
void SetMenuTaskField(int n, int32_t value);
