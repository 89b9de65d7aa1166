// Waits for the input devices and the pad input bits.
#include "engine/input_sound/operations.h"

int GetMouseButtonBits() { return -1; }
int IsKeyDown(int) { return -1; }
int GetPadCount() { return -1; }
int GetPadInputBits(int) { return -1; }
