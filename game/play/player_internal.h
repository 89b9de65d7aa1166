// Shared by the player's common rules and the two characters' tasks.
#pragma once
#include <cstdint>

// The hit window of this frame; true when the character is free to act (no hit running).
bool RunHitWindow(uint32_t w);
// The BOMBER bomb, and the bomb cooldown's count-down, while no shift runs and the phase runs.
void RunManualBomb(uint32_t w, bool free);
// The shot timer's count-down, or the score of a frame without firing.
void RunIdleScore();
