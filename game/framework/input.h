// The input of one frame as a 13-bit ButtonWord: four directions copied from the raw pad bits and
// nine game buttons, each pressed by any raw bit of its key mask (settings slots 5-13). Menus and
// the frame loop read the live word; play reads its word through the replay buffer.
#pragma once
#include <cstdint>

enum ButtonBits : uint32_t {
  kButtonDown = 0x1, kButtonLeft = 0x2, kButtonRight = 0x4, kButtonUp = 0x8,
  kButtonShot = 0x10, kButtonMAction = 0x20, kButtonBomber = 0x40, kButtonSlow = 0x80,
  kButtonRapid = 0x100, kButtonDShift = 0x200, kButtonSnap = 0x400, kButtonSpare = 0x800,
  kButtonMenu = 0x1000,
};

uint32_t ReadRawInput();                  // pad 1 with the keyboard, then pads 2-4, ORed
uint32_t MapInputToButtons(uint32_t raw);
uint32_t ReadButtons();                   // the live word, read anew from the devices
uint32_t UpdateButtons();                 // once per frame: previous := current := live word
uint32_t GetCurrentButtons();
bool IsButtonPressed(uint32_t mask);      // none of mask before, some of it now
bool IsButtonHeld(uint32_t mask);
void ResetButtons();                      // both words 0
void UnpackMouseWord(uint32_t w, int* x, int* y, int* buttons);
