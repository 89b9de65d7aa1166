// The front end on a recorded engine: the frame-loop fixture's clock, pad and recorders, the sound
// effects loaded (effect n is handle 500 + n), a fresh menu stack, and helpers that step frames
// with a pad word, press keys, and read back sound effects and display-list entries.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/frame_fixture.h"
#include "game/framework/frame_loop.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/text.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace fe {

// Pad bits with the default key masks.
constexpr int kDown = 0x1, kLeft = 0x2, kRight = 0x4, kUp = 0x8, kShot = 0x10, kCancel = 0x20,
              kMenu = 0x1000;

struct Entry {
  int index;
  DrawEntry e;
};

// Entries added since the last reset of the display list, in index order.
inline std::vector<Entry> Entries() {
  std::vector<Entry> out;
  for (int i = kDrawSubLayerCount; i < DrawEntriesUsed(); ++i) out.push_back({i, g_DrawEntries[i]});
  return out;
}

inline int Layer(int index) {
  // Walk back to the sub-layer sentinel the entry hangs under.
  int i = index;
  while (g_DrawEntries[i].type != kDrawSentinel) i = g_DrawEntries[i].prev;
  return i / 2;
}

// Text entries (any style) of one text id.
inline std::vector<Entry> Texts(int id) {
  std::vector<Entry> out;
  for (const Entry& e : Entries())
    if (e.e.type == kDrawText && e.e.angle < 2 && int(e.e.sprite) == id + 1) out.push_back(e);
  return out;
}

inline std::vector<Entry> Sprites(int sprite) {
  std::vector<Entry> out;
  for (const Entry& e : Entries())
    if ((e.e.type >= kDrawSprite && e.e.type <= kDrawRotMirrored) && int(e.e.sprite & 0xFFFFFF) == sprite)
      out.push_back(e);
  return out;
}

inline std::vector<Entry> Rects(bool filled) {
  std::vector<Entry> out;
  for (const Entry& e : Entries())
    if (e.e.type == (filled ? kDrawStretched : kDrawBoxOutline) && e.e.sprite == (filled ? 2u : 1u))
      out.push_back(e);
  return out;
}

inline bool HasRect(int x, int y, int x2, int y2, bool filled, uint32_t colour) {
  for (const Entry& e : Rects(filled))
    if (e.e.x == x && e.e.y == y && e.e.x2 == x2 && e.e.y2 == y2 && e.e.colour == colour) return true;
  return false;
}

// Sound effects played since the last call, in order.
inline std::vector<int> Effects() {
  std::vector<int> out;
  for (const std::string& c : recorder::Take()) {
    int h = 0;
    if (std::sscanf(c.c_str(), "Play %d type1", &h) == 1 && h >= 500 && h < 550) out.push_back(h - 500);
  }
  return out;
}

inline int CountKind(int32_t kind) { return CountActorsOfKind(kind); }

// The newest live actor of a kind, or 0.
inline int Find(int32_t kind) {
  int found = 0;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a)
    if (GetActorField(kFieldKind, a) == kind && !(GetActorField(kFieldFlags, a) & kFlagDead)) {
      if (found == 0 || GetActorField(kFieldSerial, a) > GetActorField(kFieldSerial, found)) found = a;
    }
  return found;
}

inline int X(int a) { return GetActorField(kFieldX, a); }
inline int Y(int a) { return GetActorField(kFieldY, a); }
inline int Cursor(int a) { return GetActorField(kFieldCursor, a); }

class FrontEnd : public frames::FrameLoop {
protected:
  void SetUp() override {
    frames::FrameLoop::SetUp();
    LoadSounds();
    ResetMenuStack();
    ClearSavedMenuPath();
    SetSessionActor(0);
    SetPlayerActor(0);
    ResetDrawList();
    ClearTextLines();
    recorder::Take();
  }
  void TearDown() override {
    SetSessionActor(0);
    SetPlayerActor(0);
    frames::FrameLoop::TearDown();
  }

  // One frame as the frame loop runs it for the menus, with the pad word held during it.
  static void Step(int pad = 0) {
    frames::g_pad = pad;
    UpdateButtons();
    ResetDrawList();
    UpdateAllActors();
    UpdateActorCommands();
    UpdateSound();
  }
  static void Steps(int n, int pad = 0) {
    for (int i = 0; i < n; ++i) Step(pad);
  }
  // A key pressed for one frame, then released for one.
  static void Press(int pad) {
    Step(pad);
    Step(0);
  }

  // A bare scene root and the title menu over it, as the title scene has them after a confirm.
  static int OpenRootAndTitleMenu() {
    const int root = CreateMenuWindow(0, 0, 0, 0, 0, kMenuTitleScreen);
    CreateGameSession();
    return CreateMenuWindow(16, 16, 0, 0, root, kMenuTitle);
  }
};

}  // namespace fe
