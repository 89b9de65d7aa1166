// A pad that exists only inside this process: SDL's virtual joystick, seen by the SDL input back
// end like any plugged-in pad. Harness runs in the real window drive it in place of a hand on a
// real pad. Attach it before the engine starts its input, so that the engine counts it.
#pragma once
#include <cstdint>

namespace plat {

// Two axes (X, Y) and 16 buttons; false when SDL's joysticks cannot be had or one is attached.
bool VirtualPadAttach();
// Button n down while bit n of buttons is set; axes -32768..32767 (0 at rest).
void VirtualPadSet(uint32_t buttons, int x, int y);
void VirtualPadDetach();   // safe when none is attached

}  // namespace plat
