// What start-up, shut-down, the window procedure and message processing call in input and sound,
// text input and the network; what they call in graphics is in engine/graphics/base_hooks.h.
#pragma once
#include <cstdint>
#include "platform/window.h"

// Input and sound.
int InitializeInputSystem();
int TerminateInputSystem();
int InitializeDirectSound();
int TerminateDirectSound();
int ProcessStreamSounds();                  // 0; -1 while the sound system is not started
void TickPadVibration();
void SyncPadEffects();
void ReacquireInput();
void SetInputStateFlag(int which, int flag);   // messages 0x46F (0) and 0x470 (1)

// Text input.
int InitTextInputBuffers();
int ProcessKeyInput();
int KeyCharPush(uint8_t byte);
bool KeyRingHasRoom();
void RequestImeResetIfOpen();
intptr_t HandleImeMessage(intptr_t lParam, uint32_t message, uintptr_t wParam, plat::WindowId w);
void DeleteAllKeyInputHandles();
void SetImeEnabled(int flag);

// Network.
void NetWorkPumpWindow();
void HttpProcessAllTransfers();              // HttpTransferProcess for every slot in use
void HttpClearTransferTable();
void HttpDeleteAllTransfers();
void NetWorkTerminate();
intptr_t NetWorkSocketEvent(uintptr_t wParam, intptr_t lParam);
