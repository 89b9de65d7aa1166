// Waits for the input system and stream refill as start-up, shut-down and message processing
// reach them. Each reports success and does nothing.
#include "engine/base/system_hooks.h"

int InitializeInputSystem() { return 0; }
int TerminateInputSystem() { return 0; }
void ProcessStreamSounds() {}
void TickPadVibration() {}
void SyncPadEffects() {}
void ReacquireInput() {}
void SetInputStateFlag(int, int) {}
