// Waits for stream refill as message processing reaches it. Reports nothing and does nothing.
#include "engine/base/system_hooks.h"

void ProcessStreamSounds() {}
