// Waits for stream sounds.
#include "engine/input_sound/sound.h"

int StopStreamSound(int) { return 0; }
