// The character menu's portrait and live preview: the highlighted character fades in composed
// from its chosen rig, a preview player acts out its weapons, and a sample enemy flies in every
// 30 frames. The portrait is also drawn on the intro card and the result screen.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

constexpr int kFieldFade = 67;
constexpr int kFieldPick0 = 68;        // 68-70: shot, sub-weapon, bomb shown by the preview
constexpr int kPreviewPanelMark = 42;
constexpr int kPreviewPacked = 47;
constexpr int kPortraitLayer = 2;

void PortraitSprite(int x, int y, int32_t sprite, bool mirrored, uint32_t colour) {
  const uint32_t id = static_cast<uint32_t>(sprite) | (mirrored ? kSpriteMirrored : 0u);
  SetDrawColor(AddDrawSprite(x, y, kPortraitLayer, id), colour);
}

// Moves the preview player to the highlighted character and its picks, from the first frame.
void RebuildPreview(int task, int preview, int character) {
  SetActorField(kPreviewPanelMark, preview, 0);
  int shot = 0, sub = 0, bomb = 0;
  if (character == 1) {
    shot = GetActorField(kFieldPick0, task);
    sub = GetActorField(kFieldPick0 + 1, task);
    bomb = GetActorField(kFieldPick0 + 2, task);
    SetActorField(kPreviewPacked, preview, shot + sub * 4 + bomb * 16);
  }
  SetActorField(kPlayerShotType, preview, shot);
  SetActorField(kPlayerSubWeapon, preview, sub);
  SetActorField(kPlayerBombType, preview, bomb);
  SetActorField(kFieldKind, preview, kKindPlayerA + character);
  SetActorField(kFieldSprite, preview, 8 + character);
  SetActorField(kPlayerCharacter, preview, character);
  SetActorField(kFieldSpeed, preview, CalcLoadoutSpeed(shot, sub, bomb));
  SetActorField(kPlayerOverdrive, preview, 0);
  SetActorField(kFieldAge, preview, 0);
  LinkChildActor(preview, task, 0);
}

void SendSampleEnemy(int task) {
  const int enemy = SpawnEnemy(672, GetPlayerField(kFieldY), 8, 2);
  if (enemy < 1) return;
  SetActorField(kFieldVx, enemy, -2048);
  AddActorCommand(enemy, kCmdAddVelocity, 0, 32, 64, 0);
  AddActorCommand(enemy, kCmdAddVelocity, 120, 32, 64, 0);
  SetActorField(31, enemy, 16);
  LinkChildActor(enemy, task, 1);
}

}  // namespace

void UpdateCharacterPreview(int task) {
  const int character = std::clamp(GetActorField(kFieldCursor, task), 0, 1);
  int fade = character == GetActorField(kFieldPrevCursor, task) ? GetActorField(kFieldFade, task) + 1 : 0;
  if (character == 1) {
    const int rig = MenuSlotRig();
    for (int p = 0; p < 3; ++p) {
      const int32_t pick = MenuRigPick(rig, p);
      if (GetActorField(kFieldPick0 + p, task) != pick) {
        SetActorField(kFieldPick0 + p, task, pick);
        fade = 0;
      }
    }
  }
  DrawCharacterPortrait(character, fade, 0, GetActorField(kFieldX, task) > 320);
  const int preview = GetChildActor(task, 0);
  if (fade < 1 && preview > 0) RebuildPreview(task, preview, character);
  if (task == GetCurrentMenuTask() && GetActorField(kFieldAge, task) % 30 == 0 && fade < 900 &&
      GetChildActor(task, 1) == 0) {
    SendSampleEnemy(task);
  }
  SetActorField(kFieldFade, task, fade);
  UpdateSlowMotion();
}

void DrawCharacterPortrait(int character, int fade, int xOffset, bool mirrored) {
  const uint32_t a = static_cast<uint32_t>(std::clamp(16 * fade, 0, 255));
  const uint32_t colour = a << 24 | a << 16 | a << 8 | a;
  const int xo = xOffset;
  const int b = mirrored ? xo : xo + 256;
  if (character != 1) {
    PortraitSprite(b, 0, 200 + character, mirrored, colour);
    return;
  }
  const int rig = MenuSlotRig();
  const int32_t shot = MenuRigPick(rig, 0);
  const int32_t sub = MenuRigPick(rig, 1);
  if (shot == 1) PortraitSprite(b, 96, 212, mirrored, colour);
  else if (shot == 3) PortraitSprite(mirrored ? xo : xo + 480, 96, 210, mirrored, colour);
  else PortraitSprite(mirrored ? xo + 80 : xo + 304 + 80, 112, 209, mirrored, colour);
  PortraitSprite(mirrored ? xo + 48 : xo + 304 + 48, 160, 214 + sub, mirrored, colour);
  PortraitSprite(b, 304, 213, mirrored, colour);
  PortraitSprite(mirrored ? xo + 16 : xo + 288 + 16, 0, 208, mirrored, colour);
  if (shot == 2) PortraitSprite(mirrored ? xo + 160 : xo + 240 + 160, 112, 211, mirrored, colour);
}
