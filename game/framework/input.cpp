#include "game/framework/input.h"

#include "game/framework/engine_entries.h"
#include "game/framework/settings.h"

namespace {

uint32_t g_current = 0;
uint32_t g_previous = 0;

// Key-mask slots and their buttons, in the order the masks are read.
struct KeyMap {
  int slot;
  uint32_t button;
};
constexpr KeyMap kKeyMaps[9] = {
    {5, kButtonShot},   {6, kButtonMAction}, {7, kButtonBomber}, {8, kButtonSlow},
    {9, kButtonRapid},  {10, kButtonDShift}, {13, kButtonSpare}, {12, kButtonSnap},
    {11, kButtonMenu},
};

}  // namespace

uint32_t ReadRawInput() {
  uint32_t raw = static_cast<uint32_t>(g_Engine.GetPadInputBitsLocked(0x1001));
  raw |= static_cast<uint32_t>(g_Engine.GetPadInputBitsLocked(2));
  raw |= static_cast<uint32_t>(g_Engine.GetPadInputBitsLocked(3));
  raw |= static_cast<uint32_t>(g_Engine.GetPadInputBitsLocked(4));
  return raw;
}

uint32_t MapInputToButtons(uint32_t raw) {
  uint32_t word = raw & (kButtonDown | kButtonLeft | kButtonRight | kButtonUp);
  for (const KeyMap& k : kKeyMaps)
    if (static_cast<uint32_t>(GetSettingsSlot(k.slot)) & raw) word |= k.button;
  return word;
}

uint32_t ReadButtons() { return MapInputToButtons(ReadRawInput()); }

uint32_t UpdateButtons() {
  g_previous = g_current;
  g_current = ReadButtons();
  return g_current;
}

uint32_t GetCurrentButtons() { return g_current; }

bool IsButtonPressed(uint32_t mask) { return (g_previous & mask) == 0 && (g_current & mask) != 0; }

bool IsButtonHeld(uint32_t mask) { return (g_current & mask) != 0; }

void ResetButtons() {
  g_current = 0;
  g_previous = 0;
}

void UnpackMouseWord(uint32_t w, int* x, int* y, int* buttons) {
  *x = static_cast<int>(w & 0x3FFu);
  *y = static_cast<int>((w & 0xFFC00u) >> 10);
  *buttons = static_cast<int>((w & 0xF00000u) >> 20);
}
