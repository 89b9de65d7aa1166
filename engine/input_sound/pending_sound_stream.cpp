// Stream sounds and playing are not built yet.
#include "engine/input_sound/sound.h"

int StopStreamSound(int) { return 0; }
int StopSoundHandle(int) { return 0; }
