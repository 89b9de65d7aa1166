// Input start-up and shut-down, keyboard, mouse and joypad polling.
#include "engine/input_sound/input.h"

#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/startup_window.h"
#include "engine/base/system_hooks.h"
#include "engine/input_sound/operations.h"
#include "platform/input.h"
#include "platform/sync.h"
#include "platform/window.h"

InputState g_input;

const VkToDik VkToDikTable[] = {
    {'A', 0x1E}, {'B', 0x30}, {'C', 0x2E}, {'D', 0x20}, {'E', 0x12}, {'F', 0x21}, {'G', 0x22},
    {'H', 0x23}, {'I', 0x17}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {'M', 0x32}, {'N', 0x31},
    {'O', 0x18}, {'P', 0x19}, {'Q', 0x10}, {'R', 0x13}, {'S', 0x1F}, {'T', 0x14}, {'U', 0x16},
    {'V', 0x2F}, {'W', 0x11}, {'X', 0x2D}, {'Y', 0x15}, {'Z', 0x2C},
    {'0', 0x0B}, {'1', 0x02}, {'2', 0x03}, {'3', 0x04}, {'4', 0x05}, {'5', 0x06}, {'6', 0x07},
    {'7', 0x08}, {'8', 0x09}, {'9', 0x0A},
    {0x25, 0xCB}, {0x26, 0xC8}, {0x27, 0xCD}, {0x28, 0xD0},
    {0xBB, 0x27}, {0xBA, 0x92}, {0xDB, 0x1A}, {0xDD, 0x1B}, {0xC0, 0x91}, {0xE2, 0x2B},
    {0xBC, 0x33}, {0xBD, 0x0C}, {0xDC, 0x7D}, {0xBE, 0x34}, {0xBF, 0x35},
    {0x2E, 0xD3}, {0x1B, 0x01}, {0x20, 0x39}, {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C},
    {0x60, 0x52}, {0x61, 0x4F}, {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C},
    {0x66, 0x4D}, {0x67, 0x47}, {0x68, 0x48}, {0x69, 0x49},
    {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A}, {0x6E, 0x53}, {0x6F, 0xB5},
    {VK_TO_DIK_MARKER, VK_TO_DIK_MARKER},
    {0x0D, 0x9C}, {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x9D}, {0x21, 0xC9},
    {0x22, 0xD1}, {0x23, 0xCF}, {0x24, 0xC7}, {0x2D, 0xD2}, {0xA4, 0x38}, {0xA5, 0xB8},
    {0x91, 0x46}, {0x14, 0x3A}, {0x13, 0xC5},
    {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40},
    {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
    {VK_TO_DIK_END, VK_TO_DIK_END},
};

namespace {

// A failed creation of the device layer has no code of its own; the generic failure stands in.
constexpr unsigned kDeviceLayerFailure = 0x80004005u;

bool OnMainThread() { return plat::CurrentThreadId() == g_base.win.mainThreadId; }

bool OpenDeviceLayer() {
  if (!plat::InputOpen()) return false;
  LogWrite("成功\n");
  LogWrite("引き続き初期化処理... ");
  LogWrite("初期化成功\n");
  return true;
}

void AddJoypad(int index) {
  LogWrite("入力装置を見つけました\n");
  plat::PadInfo info{};
  if (!plat::PadOpen(index, &info)) {
    LogWrite("入力装置の取得に失敗しました\n");
    return;
  }
  LogPrintf("デバイスの登録名:%s", info.instanceName);
  LogPrintf("デバイスの製品登録名:%s", info.productName);
  struct Check { int axis; bool range; const char* failure; };
  static const Check kChecks[] = {
      {plat::kAxisX, true, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n"},
      {plat::kAxisY, true, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n"},
      {plat::kAxisZ, true, nullptr},
      {plat::kAxisRz, true, nullptr},
      {plat::kAxisX, false, "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n"},
      {plat::kAxisY, false, "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n"},
      {plat::kAxisZ, false, nullptr},
      {plat::kAxisRz, false, nullptr},
  };
  for (const Check& c : kChecks) {
    bool ok = c.range ? plat::PadSetRange(index, c.axis, -1000, 1000)
                      : plat::PadSetDeadZone(index, c.axis, 2500);
    if (!ok && c.failure) {
      LogWrite(c.failure);
      plat::PadClose(index);
      return;
    }
  }
  JoypadRecord& p = g_input.pads[g_input.padCount];
  p = JoypadRecord{};
  p.constantEffect = p.sineEffect = plat::PadHasEffects(index) ? 1 : 0;
  if (!p.sineEffect) LogWrite("周期的エフェクトの作成に失敗しました。\n");
  p.vibrationState = 0;
  p.power = 10000;
  p.device = index + 1;
  p.event = plat::PadChangeCount(index);
  g_input.padCount += 1;
  LogWrite("ジョイパッドの追加は正常に終了しました\n");
}

int StartWithSystemCalls() {
  LogWrite("DirectInput を使用しません。\n");
  g_input.withoutDeviceLayer = 1;
  g_input.object = INPUT_SYSTEM_CALLS;
  int n = 0;
  for (; n < 8; ++n) {
    plat::JoystickCaps caps;
    if (!plat::JoystickGetCaps(n, &caps)) break;
    g_input.pads[n].hasZAndR = caps.hasZ && caps.hasR ? 1 : 0;
  }
  g_input.padCount = n;
  LogPrintf("パッドの数は %d 個です", n);
  LogWrite("入力関連の初期化をしました\n");
  return 0;
}

bool KeyDownInState(const uint8_t* state, uint16_t vk) { return vk < 256 && (state[vk] & 0x80) != 0; }

int PollJoypadSystem(JoypadRecord& p, int index) {
  uint32_t now = GetMillisecondCount();
  if (now == p.pollTime) return 0;
  p.pollTime = now;
  plat::JoystickRaw raw;
  if (!plat::JoystickGetPos(index, &raw)) {
    std::memset(&p.state, 0, sizeof p.state);
    return 0;
  }
  p.state.axes[plat::kAxisX] = MapJoystickPosition(raw.x);
  p.state.axes[plat::kAxisY] = MapJoystickPosition(raw.y);
  p.state.axes[plat::kAxisZ] = p.hasZAndR ? MapJoystickPosition(raw.z) : 0;
  p.state.axes[plat::kAxisRz] = p.hasZAndR ? MapJoystickPosition(raw.r) : 0;
  for (int i = 0; i < 24; ++i) p.state.buttons[i] = (raw.buttons >> i) & 1 ? 0x80 : 0;
  return 0;
}

int PollJoypadDevice(JoypadRecord& p) {
  int dev = p.device - 1;
  uint32_t now = GetMillisecondCount();
  uint32_t changes = plat::PadChangeCount(dev);
  bool signalled = changes != p.event;
  if (now == p.pollTime && !signalled) return 0;
  p.pollTime = now;
  plat::PadState s;
  bool ok = plat::PadRead(dev, &s);
  if (!ok) {
    if (ProcessMessage() != 0) return -1;
    if (ProcessMessage() != 0) return -1;
    ok = plat::PadRead(dev, &s);
  }
  // A pad that cannot be read (unplugged) reads as released rather than holding its last state.
  if (ok) p.state = s;
  else std::memset(&p.state, 0, sizeof p.state);
  if (signalled) p.event = changes;
  return 0;
}

}  // namespace

int32_t MapJoystickPosition(uint32_t position) {
  if (position == 0) return -1000;
  if (position >= 65535) return 1000;
  int32_t p = static_cast<int32_t>(position);
  if (p < 24576) return (p - 24576) * 1000 / 24576;
  if (p > 40960) return (p - 40960) * 1000 / 24576;
  return 0;
}

int InitializeInputSystem() {
  int32_t without = g_input.withoutDeviceLayer;
  g_input = InputState{};
  g_input.withoutDeviceLayer = without;
  LogWrite("DirectInput関係初期化処理\n");
  LogIndentIncrease();

  bool layer = false;
  if (!g_input.withoutDeviceLayer) {
    LogWrite("DirectInput7 の取得中... ");
    layer = OpenDeviceLayer();
    if (!layer) {
      LogWrite("取得に失敗。\n");
      LogPrintf("エラーコード 0x%x", kDeviceLayerFailure);
      LogWrite("DirectInput8 の取得を試みます...");
      layer = OpenDeviceLayer();
      if (layer) g_input.deviceLayer8 = 1;
      else LogWrite("取得に失敗。");
    }
  }
  if (!layer) {
    int r = StartWithSystemCalls();
    LogIndentDecrease();
    return r;
  }
  g_input.object = INPUT_DEVICE_LAYER;

  if (g_base.win.mainWindow) plat::WindowBringToFront(g_base.win.mainWindow, false);
  ProcessMessage();
  LogWrite("ジョイパッドの初期化... \n");
  int attached = plat::PadAttachedCount();
  for (int i = 0; i < attached && g_input.padCount < 8; ++i) AddJoypad(i);
  LogWrite("ジョイパッドの初期化は正常に終了しました\n");

  LogWrite("マウスデバイスの初期化... ");
  g_input.mouse = 1;
  LogWrite("キーボードデバイスの初期化... ");
  g_input.keyboard = 1;
  g_input.keyboardEvent = plat::KeyboardChangeCount();
  g_input.keyboardPollTime = GetMillisecondCount();
  LogWrite("DirectInput 関連の初期化は正常に終了しました\n");
  LogIndentDecrease();
  return 0;
}

int TerminateInputSystem() {
  if (g_input.object == INPUT_NOT_STARTED) return 0;
  if (g_input.object == INPUT_DEVICE_LAYER) {
    LogWrite("DirectInput 関連の終了処理... 完了\n");
    for (int i = 0; i < g_input.padCount; ++i) {
      JoypadRecord& p = g_input.pads[i];
      if (!p.device) continue;
      if (p.constantRunning) plat::PadEffectRun(p.device - 1, plat::kEffectConstant, false);
      if (p.sineRunning) plat::PadEffectRun(p.device - 1, plat::kEffectSine, false);
      plat::PadClose(p.device - 1);
      p.device = 0;
      p.constantRunning = p.sineRunning = 0;
    }
    g_input.keyboard = 0;
    g_input.mouse = 0;
  } else {
    LogWrite("入力関連の終了処理... 完了\n");
  }
  plat::InputClose();
  g_input.padCount = 0;
  g_input.object = INPUT_NOT_STARTED;
  return 0;
}

int StartInputIfNeeded() {
  if (g_input.object != INPUT_NOT_STARTED || g_base.win.closePosted) return 0;
  InitializeInputSystem();
  return 1;
}

int PollKeyboardState() {
  if (g_input.object == INPUT_NOT_STARTED) return 0;
  uint32_t now = GetMillisecondCount();
  if (g_input.object == INPUT_SYSTEM_CALLS) {
    if (now == g_input.keyboardPollTime) return 0;
    g_input.keyboardPollTime = now;
    if (ProcessMessage() != 0) return 0;
    uint8_t vk[256];
    plat::VirtualKeysRead(vk);
    std::memset(g_input.keyState, 0, sizeof g_input.keyState);
    for (const VkToDik* e = VkToDikTable; e->vk != VK_TO_DIK_END; ++e)
      if (e->vk != VK_TO_DIK_MARKER && KeyDownInState(vk, e->vk)) g_input.keyState[e->dik & 0xFF] = 0x80;
    return 1;
  }

  uint32_t changes = plat::KeyboardChangeCount();
  bool signalled = changes != g_input.keyboardEvent;
  if (now == g_input.keyboardPollTime && !signalled) return 0;
  if (ProcessMessage() != 0) return 0;
  uint8_t state[256];
  if (!plat::KeyboardRead(state) && !plat::KeyboardRead(state)) return 0;
  std::memcpy(g_input.keyState, state, sizeof state);
  g_input.keyboardPollTime = now;
  if (signalled) g_input.keyboardEvent = changes;
  // The system's own key state wins for the main keys: the device layer can miss a key that
  // went down while another program had the keyboard.
  if (OnMainThread()) {
    uint8_t vk[256];
    plat::VirtualKeysRead(vk);
    for (const VkToDik* e = VkToDikTable; e->vk != VK_TO_DIK_MARKER; ++e)
      g_input.keyState[e->dik & 0xFF] = KeyDownInState(vk, e->vk) ? 0x80 : 0;
  }
  return 1;
}

int PollJoypad(int index) {
  if (index < 0 || index > 7) return -1;
  if (g_input.object == INPUT_NOT_STARTED || index >= g_input.padCount) return 0;
  JoypadRecord& p = g_input.pads[index];
  if (g_input.object == INPUT_SYSTEM_CALLS) return PollJoypadSystem(p, index);
  if (!p.device) return 0;
  return PollJoypadDevice(p);
}

int ReacquireInputDevices() {
  // The platform's devices are never taken by another program, so there is nothing to take back.
  return 0;
}

int IsKeyDown(int keyCode) {
  WaitWhileInactive();
  if (StartInputIfNeeded()) return 0;
  if (keyCode < 0 || keyCode > 255 || g_input.object == INPUT_NOT_STARTED) return 0;
  PollKeyboardState();
  return (g_input.keyState[keyCode] & 0x80) ? 1 : 0;
}

int GetPadCount() {
  WaitWhileInactive();
  if (StartInputIfNeeded()) return 0;
  return g_input.padCount;
}

int GetMouseButtonBits() {
  if (g_input.object != INPUT_DEVICE_LAYER || !g_input.mouse) {
    uint8_t vk[256];
    plat::VirtualKeysRead(vk);
    return (vk[0x01] & 0x80 ? 1 : 0) | (vk[0x02] & 0x80 ? 2 : 0) | (vk[0x04] & 0x80 ? 4 : 0);
  }
  plat::MouseState m;
  if (!plat::MouseRead(&m) && !plat::MouseRead(&m)) return 0;
  int bits = 0;
  for (int i = 0; i < 8; ++i)
    if (m.buttons[i] & 0x80) bits |= 1 << i;
  return bits;
}

// Hooks of start-up, the window procedure and message processing.
void ReacquireInput() { ReacquireInputDevices(); }

void SetInputStateFlag(int which, int flag) {
  if (which == 0) g_input.withoutDeviceLayer = flag;
  else g_input.deviceLayer8 = flag;
}
