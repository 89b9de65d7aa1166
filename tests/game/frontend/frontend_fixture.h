// The front end on a recorded engine: the frame-loop fixture's clock, pad and recorders, the sound
// effects loaded (effect n is handle 500 + n), a fresh menu stack, and helpers that step frames
// with a pad word, press keys, and read back sound effects and display-list entries.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/boot.h"
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
#include "game/temp_dir.h"

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

using recorder::Effects;

// A replay image of the given header values: the two magic words, version 90, one area block
// tag and the end tag after the header; `areas` is header word 29 as it stands.
inline std::vector<unsigned char> ReplayFile(uint32_t difficulty, uint32_t character, uint32_t loadout,
                                             uint32_t areas, uint32_t score0 = 1230) {
  std::vector<uint32_t> w(40, 0);
  w[kRepMagic0] = kReplayMagic0;
  w[kRepMagic1] = kReplayMagic1;
  w[kRepVersion] = kReplayVersion;
  w[kRepDate] = 260709;
  w[kRepSeed] = 12345;
  w[kRepDifficulty] = difficulty;
  w[kRepCharacter] = character;
  w[kRepLoadout] = loadout;
  w[kRepAreaScore0] = score0;
  w[kRepEndVar50] = 17;
  w[kRepAreas] = areas;
  w[kRepFileSize] = 40 * 4;
  w[32] = kReplayAreaTag;
  w[39] = kReplayEndTag;
  std::vector<unsigned char> bytes(w.size() * 4);
  for (size_t i = 0; i < w.size(); ++i)
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<unsigned char>(w[i] >> (8 * b));
  return bytes;
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

// Scene runs through the frame loop: the pad word held during each pass of the scene (counted
// from 0 in every scene), and a check after each pass, which still sees that pass's display list.
inline std::map<int, int> g_keys;
inline std::function<void(int)> g_check;
inline int g_scenePass = 0;

inline int KeysAt(int pass) {
  auto it = g_keys.find(pass);
  return it == g_keys.end() ? 0 : it->second;
}

// Presses one key on the given pass (held for that pass only).
inline void PressAt(int pass, int pad) { g_keys[pass] = pad; }
// Presses a run of keys from a pass on, one every other pass; the pass after the last.
inline int PressFrom(int pass, std::initializer_list<int> pads) {
  for (int p : pads) {
    g_keys[pass] = p;
    pass += 2;
  }
  return pass;
}

class FrontEnd : public frames::FrameLoop {
protected:
  void SetUp() override {
    dir.Enter();
    frames::FrameLoop::SetUp();
    LoadSounds();
    ResetMenuStack();
    ClearSavedMenuPath();
    ClearPlayStartRecord();
    ClearReplayListCache();
    SetSessionActor(0);
    SetPlayerActor(0);
    ResetDrawList();
    ClearTextLines();
    recorder::Take();
  }
  void TearDown() override {
    g_keys.clear();
    g_check = nullptr;
    SetSessionActor(0);
    SetPlayerActor(0);
    frames::FrameLoop::TearDown();
    dir.Leave();
  }

  // One scene as the scene loop runs it: the pool reset, the set-up of the state's scene, the
  // frame loop. The next state, -1 when the set-up failed or the pass limit ended the loop.
  static int RunScene(int state) {
    PrepareStateRound();
    int (*const setups[3])() = {RunOpeningState, RunTitleState, RunGameState};
    if ((state & 15) > 2) return -1;
    if (setups[state & 15]() < 0) return -1;
    g_scenePass = 0;
    frames::g_pad = KeysAt(0);
    frames::g_eachPass = [](int) {
      const int pass = g_scenePass++;
      if (g_check) g_check(pass);
      frames::g_pad = KeysAt(pass + 1);
    };
    return RunFrameLoop();
  }

  TempDir dir;

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
