// Waits for loading, streaming and playing.
#include "engine/input_sound/operations.h"

int LoadSoundFile(const char*, int, int) { return -1; }
int PlaySoundHandle(int, int, int) { return -1; }
int StopSoundHandle(int) { return -1; }
int IsSoundHandlePlaying(int) { return -1; }
int SetStreamLoopMilliseconds(int, int) { return -1; }
