// Temporary: what play needs of the input and replay parts of the framework until their headers
// are in place. Removed when they land.
#pragma once
#include <cstdint>

enum ButtonBits : uint32_t {
  kButtonDown = 0x1, kButtonLeft = 0x2, kButtonRight = 0x4, kButtonUp = 0x8,
  kButtonShot = 0x10, kButtonMAction = 0x20, kButtonBomber = 0x40, kButtonSlow = 0x80,
  kButtonRapid = 0x100, kButtonDShift = 0x200, kButtonSnap = 0x400, kButtonSpare = 0x800,
  kButtonMenu = 0x1000,
};

uint32_t GetFrameInput();
int SyncReplayArea(bool playback, int area);    // the area, or -1 when playback lost its place
void RecordAreaResult(bool playback, int area);
void BeginReplay(bool playback);
void EndReplay();
void AdvanceReplayPos();
int GetReplayPosition();
void SetReplayWord(int index, uint32_t word);
uint32_t GetReplayWord(int index);
