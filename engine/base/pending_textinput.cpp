// Waits for text input and the IME as the window procedure and message processing reach them.
#include "engine/base/system_hooks.h"

int InitTextInputBuffers() { return 0; }
int ProcessKeyInput() { return 0; }
int KeyCharPush(uint8_t) { return 0; }
bool KeyRingHasRoom() { return true; }
void RequestImeResetIfOpen() {}
intptr_t HandleImeMessage(intptr_t, uint32_t, uintptr_t, plat::WindowId) { return 0; }
void DeleteAllKeyInputHandles() {}
void SetImeEnabled(int) {}
