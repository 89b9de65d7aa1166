// The pad word of a joypad and the keyboard, and the joypads' vibration effects.
#include "engine/base/system_hooks.h"

#include <cstdint>

#include "engine/base/base_state.h"
#include "engine/base/startup_window.h"
#include "engine/input_sound/input.h"
#include "engine/input_sound/operations.h"
#include "platform/input.h"

namespace {

constexpr int kKeyboardDevice = 0x1000;

struct KeyBit { uint8_t key, alternative; int32_t bit; };
const KeyBit kKeyboardBits[] = {
    {0xD0, 0x50, 0x0001}, {0xCB, 0x4B, 0x0002}, {0xCD, 0x4D, 0x0004}, {0xC8, 0x48, 0x0008},
    {0x2C, 0, 0x0010}, {0x2D, 0, 0x0020}, {0x2E, 0, 0x0040}, {0x1E, 0, 0x0080},
    {0x1F, 0, 0x0100}, {0x20, 0, 0x0200}, {0x10, 0, 0x0400}, {0x11, 0, 0x0800},
    {0x01, 0, 0x1000}, {0x39, 0, 0x2000},
};

bool DeviceLayerInUse() { return g_input.object == INPUT_DEVICE_LAYER && !g_input.withoutDeviceLayer; }

int32_t PadBits(const JoypadRecord& p) {
  int32_t bits = 0;
  if (p.state.axes[plat::kAxisX] < 0) bits |= 2;
  if (p.state.axes[plat::kAxisX] > 0) bits |= 4;
  if (p.state.axes[plat::kAxisY] < 0) bits |= 8;
  if (p.state.axes[plat::kAxisY] > 0) bits |= 1;
  for (int i = 0; i < 24; ++i)
    if (p.state.buttons[i] & 0x80) bits |= 0x10 << i;
  return bits;
}

// Stops without the inactive-window wait: the vibration tick runs inside message processing, where
// waiting would re-enter message processing and tick again.
void StopVibration(int index) {
  if (index < 0 || index >= g_input.padCount) return;
  JoypadRecord& p = g_input.pads[index];
  if (!p.device || !p.constantEffect || p.vibrationState != 1) return;
  p.vibrationState = 0;
  p.power = 10000;
  SyncJoypadEffects();
}

void RunEffect(JoypadRecord& p, int effect, bool run) { plat::PadEffectRun(p.device - 1, effect, run); }

}  // namespace

int GetPadInputBits(int device) {
  WaitWhileInactive();
  if (StartInputIfNeeded()) return 0;
  if (g_input.object == INPUT_NOT_STARTED) return 0;
  const bool keyboard = (device & kKeyboardDevice) != 0;
  const int index = (device & ~kKeyboardDevice) - 1;
  const bool isPad = index >= 0 && index < g_input.padCount;
  if (g_input.padCount > 0 && !keyboard && !isPad) return 0;

  int32_t bits = 0;
  if (isPad) {
    PollJoypad(index);
    bits |= PadBits(g_input.pads[index]);
  }
  if (keyboard) {
    PollKeyboardState();
    for (const KeyBit& k : kKeyboardBits)
      if ((g_input.keyState[k.key] & 0x80) || (k.alternative && (g_input.keyState[k.alternative] & 0x80)))
        bits |= k.bit;
  }
  return bits;
}

int StopPadVibration(int pad) {
  WaitWhileInactive();
  if (StartInputIfNeeded()) return 0;
  StopVibration((pad & ~kKeyboardDevice) - 1);
  return 0;
}

int SyncJoypadEffects() {
  if (!DeviceLayerInUse()) return 0;
  const bool active = g_base.win.active != 0;
  for (int i = 0; i < g_input.padCount; ++i) {
    JoypadRecord& p = g_input.pads[i];
    if (!p.device) continue;
    if (!active) {
      if (p.constantRunning) RunEffect(p, plat::kEffectConstant, false);
      if (p.sineRunning) RunEffect(p, plat::kEffectSine, false);
      p.constantRunning = p.sineRunning = 0;
      continue;
    }
    const int32_t on = p.vibrationState == 1 ? 1 : 0;
    if (p.constantEffect && p.constantRunning != on) {
      RunEffect(p, plat::kEffectConstant, on);
      p.constantRunning = on;
    }
    const int32_t wanted = on && p.power > 5000 ? 1 : 0;
    if (p.sineEffect && p.sineRunning != wanted) {
      RunEffect(p, plat::kEffectSine, wanted);
      p.sineRunning = wanted;
    }
  }
  return 0;
}

void TickPadVibration() {
  if (!DeviceLayerInUse()) return;
  const uint32_t now = GetMillisecondCount();
  for (int i = 0; i < g_input.padCount; ++i) {
    JoypadRecord& p = g_input.pads[i];
    if (!p.device || p.vibrationState != 1 || p.timeLimit < 0) continue;
    if (now != p.lastTick) {
      if (now < p.lastTick) p.lastTick = now;
      int64_t elapsed = static_cast<int64_t>(p.elapsed) + (now - p.lastTick);
      p.elapsed = elapsed > INT32_MAX ? INT32_MAX : static_cast<int32_t>(elapsed);
      p.lastTick = now;
    }
    if (p.elapsed >= p.timeLimit) StopVibration(i);
  }
  SyncJoypadEffects();
}

void SyncPadEffects() { SyncJoypadEffects(); }
