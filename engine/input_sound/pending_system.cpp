// Waits for the sound system as start-up, shut-down and message processing reach it.
// Each reports success and does nothing.
#include "engine/base/system_hooks.h"

int InitializeDirectSound() { return 0; }
int TerminateDirectSound() { return 0; }
void ProcessStreamSounds() {}
