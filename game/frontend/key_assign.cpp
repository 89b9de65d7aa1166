// KEY ASSIGN: the game's buttons bound to raw pad bits. Holding one button on a row binds it, and
// the row that held it takes the old binding (SHOT and SLOW may share one and then move together);
// RIGHT unbinds, DEFAULT puts the defaults back; LEFT leaves with saving, cancel on EXIT without.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_math.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/frontend/frontend.h"

namespace {

constexpr int kKeyAssignMenuRow = 10;
constexpr int kBindingRows = 8;          // rows 1-8: slots 5-12
constexpr int kSearchedRows = 7;         // slots 5-11: SNAP is never searched for a swap
constexpr int kRowShot = 0;              // binding indexes k = row - 1
constexpr int kRowSlow = 3;
constexpr int32_t kUnassigned = 0x40000000;
constexpr int32_t kDefaultShot = 0x10;
constexpr int kLayer = 28;

int32_t Binding(int k) { return GetSettingsSlot(kSlotKeyShot + k); }
void SetBinding(int k, int32_t raw) { SetSettingsSlot(kSlotKeyShot + k, raw); }

// A binding some pad or key bit can press.
bool CanPress(int32_t binding) { return (static_cast<uint32_t>(binding) & 0x0FFFFFF0u) != 0; }

void Bind(int k, uint32_t held) {
  int32_t raw = static_cast<int32_t>(held);
  if (held & kButtonRight) raw = kUnassigned;
  if (static_cast<uint32_t>(raw) <= 15u || raw == Binding(k)) return;
  const bool pair = Binding(kRowShot) == Binding(kRowSlow);
  if (raw == kUnassigned) {
    SetBinding(k, kUnassigned);
    PlaySe(21);
    return;
  }
  const int bit = BitIndexOfPowerOfTwo(static_cast<uint32_t>(raw));
  if (bit < 4 || bit > 15) return;   // two or more buttons held
  const int32_t old = Binding(k);
  bool found = false;
  for (int j = 0; j < kSearchedRows; ++j) {
    if (j == k || Binding(j) != raw) continue;
    found = true;
    const bool shotAndSlow = (k == kRowShot && j == kRowSlow) || (k == kRowSlow && j == kRowShot);
    if (!shotAndSlow) SetBinding(j, old);
  }
  if (pair && found) {
    if (k == kRowShot) SetBinding(kRowSlow, raw);
    if (k == kRowSlow) SetBinding(kRowShot, raw);
  }
  SetBinding(k, raw);
  PlaySe(1);
}

// SHOT never ends without a button: the pause menu confirms with SHOT alone and could then be left
// only through the quit question. It takes its default back, and a row other than SLOW that held
// that button is left unassigned, as a swap would.
void KeepShotAssigned() {
  if (CanPress(Binding(kRowShot))) return;
  for (int j = 1; j < kSearchedRows; ++j) {
    if (j != kRowSlow && Binding(j) == kDefaultShot) SetBinding(j, kUnassigned);
  }
  SetBinding(kRowShot, kDefaultShot);
}

void DrawBindings(int x, int y) {
  for (int i = 0; i < kBindingRows; ++i) {
    const int32_t b = Binding(i);
    const int ry = y + 16 + 16 * i;
    if (b == kUnassigned) {
      SetDrawColor(AddDrawTextGlyph(x + 82, ry, kLayer, 31), 0x7F7F7FFFu);
      continue;
    }
    const int bit = BitIndexOfPowerOfTwo(static_cast<uint32_t>(b));
    if (bit >= 3) SetDrawColor(AddDrawNumber(x + 88, ry, kLayer, bit - 3, 2, 1), 0x7FFF7FFFu);
  }
}

}  // namespace

void KeyAssignTask(int task) {
  const int c = std::clamp(GetActorField(kFieldCursor, task), 0, kBindingRows + 1);
  if (task == GetCurrentMenuTask()) {
    // Cancel on EXIT closes without saving; a leave key pressed in the same frame still saves.
    if (c == 0 && IsCancelPressed()) {
      KeepShotAssigned();
      OrActorField(kFieldFlags, task, kFlagDead);
      KillChildActors(task);
    }
    if (c >= 1 && c <= kBindingRows) Bind(c - 1, ReadRawInput());
    if (c == kBindingRows + 1 && IsButtonPressed(kButtonShot)) {
      PlaySe(1);
      ResetKeyAssign();
    }
    const uint32_t leaveKeys = c == 0 ? kButtonShot | kButtonLeft : kButtonLeft;
    if (IsButtonPressed(leaveKeys)) {
      KeepShotAssigned();
      OrActorField(kFieldFlags, task, kFlagDead);
      SaveSettingsFile();
      PlaySe(1);
    }
    DrawMenuDescription(kKeyAssignMenuRow, c);
  }
  DrawBindings(GetActorField(kFieldX, task), GetActorField(kFieldY, task));
}
