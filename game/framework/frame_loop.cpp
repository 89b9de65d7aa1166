#include "game/framework/frame_loop.h"

#include <cfenv>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/game_hooks.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/scene_hooks.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/text.h"

namespace {

struct FramePacing {
  int drawSkip = 0;
  int frameCount = 0;                // frames since the last rate measurement, 0-59
  int boundaryTime = 0;
  int previousTime = 0;
  int rateTimes100 = 60;
  int64_t weightedFrames = 1;
  int64_t weightedSlow = 0;
  int lastTarget = 0;                // the timer's last grid point; kept across resets
  bool capture = false;              // kept across resets
  int noticeTimer = 0;
  int noticeIndex = 0;
};
FramePacing g_pace;
FramePassHooks g_hooks{nullptr, nullptr};

constexpr int kSettlePasses = 32;
// Further behind the timer's grid than this (a stall, a dragged window, a slow machine), the grid
// starts again from the present rather than running a burst of steps to catch up.
constexpr int kMaxLagMs = 50;
constexpr int kNoticeFrames = 180;
constexpr int kTextLineNotice = 30;

int Now() { return g_Engine.GetMillisecondCountLocked(); }

int32_t PlayMode() { return GetSettingsSlot(kSlotPlayMode); }

// The pacing the screen was set up with at start, not the live FRAME CONTROL slot: a change made
// in GAME CONFIG takes effect with the restart that leaving it performs.
bool PacedByTimer() { return g_Engine.GetFlipWaitsVBlankLocked() == 0; }

void HandlePlayKeys(int32_t m, uint32_t live) {
  if (m & (kPlayReplay | kPlayMission)) {
    if (IsButtonPressed(kButtonMenu)) SetMenuTaskField(kFieldSceneExit, kExitTitle);
    if ((m & kPlayReplay) && IsButtonPressed(kButtonShot)) SetMenuTaskField(kFieldSceneExit, kExitTitle);
  } else if (live & kButtonMenu) {
    OpenPauseMenu();
    SetActorsPaused(1);
    SetSettingsSlot(kSlotPlayMode, m - kPlayFrames);
  }
}

// The next state for a recognised exit code, or false for any other value.
bool NextStateForExit(int32_t code, int32_t* next, bool* capture) {
  switch (code) {
    case kExitCapturePlayMode:
    case kExitPlayStart:
      *next = PlayMode();
      *capture = true;
      return true;
    case kExitTitle: *next = 1; return true;
    case kExitQuit: *next = 14; return true;
    case kExitRestart: *next = 0x40D; return true;
    case kExitEnd: *next = 15; return true;
    default: return false;
  }
}

}  // namespace

void SetFramePassHooks(const FramePassHooks& hooks) { g_hooks = hooks; }

void ResetFramePacing() {
  const int now = Now();
  g_pace.drawSkip = 0;
  g_pace.frameCount = 0;
  g_pace.boundaryTime = now;
  g_pace.previousTime = now;
  g_pace.rateTimes100 = 60;
  g_pace.weightedFrames = 1;
  g_pace.weightedSlow = 0;
}

void ResetFrameLoopForStart() { g_pace = FramePacing{}; }

void ResetFrameLoopState() {
  g_pace.noticeTimer = 0;
  g_pace.noticeIndex = 0;
  ResetFramePacing();
}

int MeasureFrameRate() {
  // The file's word held to the four rates, so a damaged one cannot overflow.
  const int skipSetting = GetSettingsSlotClamped(kSlotFrameRate, 0, 3) + 1;
  const int threshold = skipSetting * 50 / 3;
  ++g_pace.frameCount;
  const int now = Now();
  if (g_pace.frameCount > 59) {
    const int elapsed = ElapsedMs(g_pace.boundaryTime, now);
    // Sixty frames in no time at all (a stopped clock) leave the last rate standing.
    if (elapsed > 0) g_pace.rateTimes100 = static_cast<int>(6000.0 / (static_cast<double>(elapsed) / 1000.0));
    g_pace.frameCount = 0;
    g_pace.boundaryTime = now;
    g_pace.weightedSlow += 6000 - g_pace.rateTimes100;
    g_pace.weightedFrames += 6000;
  }
  if (ElapsedMs(g_pace.previousTime, now) > threshold) ++g_pace.weightedSlow;
  ++g_pace.weightedFrames;
  g_pace.previousTime = now;
  return g_pace.rateTimes100;
}

int GetSlowdownRate() {
  if (g_pace.weightedFrames < 1) return 0;
  return static_cast<int>(g_pace.weightedSlow * 10000 / g_pace.weightedFrames);
}

bool IsDrawSkipFrame() { return GetSettingsSlot(kSlotFrameRate) >= 1 && g_pace.drawSkip == 1; }

void WaitAndPresent(int milliseconds) {
  if (PacedByTimer()) {
    // The target follows the grid from the previous target, so what a present costs does not
    // lengthen the step.
    const int target = static_cast<int>(static_cast<uint32_t>(g_pace.lastTarget) + static_cast<uint32_t>(milliseconds));
    const int lag = ElapsedMs(target, Now());
    const bool restart = lag > kMaxLagMs || lag < -milliseconds;
    if (!restart) {
      for (int i = 0; i < milliseconds && ElapsedMs(target, Now()) < 0; ++i) g_Engine.WaitMillisecondsPumping(1);
    }
    if (!IsDrawSkipFrame()) g_Engine.PresentScreenLocked();
    g_pace.lastTarget = restart ? Now() : target;
  } else if (IsDrawSkipFrame()) {
    g_Engine.WaitVerticalBlankLocked(1);
  } else {
    g_Engine.PresentScreenLocked();
  }
}

void EndFrame() {
  const int rate = MeasureFrameRate();
  if (!IsDrawSkipFrame()) DrawFrameRate(rate);
  WaitAndPresent((g_pace.frameCount % 60) % 3 == 0 ? 16 : 17);
  g_pace.drawSkip = 1 - g_pace.drawSkip;
  UpdateSound();
  // The floating-point state is put back every frame: play's arithmetic assumes round-to-nearest.
  std::fesetround(FE_TONEAREST);
}

void RenderFrame() {
  if (IsDrawSkipFrame()) return;
  DrawPlayOrderNotice();
  FlushDrawList();
}

void RequestScreenCapture() { g_pace.capture = true; }

void AwardPlayOrder(int n) {
  if (n < 0 || n >= 32) return;
  const uint32_t bits = static_cast<uint32_t>(GetSettingsSlot(kSlotPlayOrders));
  if (bits & (1u << n)) return;
  SetSettingsSlot(kSlotPlayOrders, static_cast<int32_t>(bits | (1u << n)));
  SetTextLine(kTextLineNotice, n);
  g_pace.noticeTimer = kNoticeFrames;
  g_pace.noticeIndex = n;
  PlaySeAt(0, 0, 4);
}

void DrawPlayOrderNotice() {
  if (g_pace.noticeTimer <= 0) return;
  const int timer = g_pace.noticeTimer;
  int a = timer >= 165 ? kNoticeFrames - timer : (timer < 16 ? timer : 16);
  uint32_t alpha = static_cast<uint32_t>(a) * 16u;
  if (alpha > 255) alpha = 255;
  if (timer % 8 >= 4) {
    SetDrawColor(AddDrawTextGlyph(160, 464, 31, 256 + g_pace.noticeIndex), 0xFFFF7F00u | alpha);
    SetDrawColor(AddDrawTextLine(272, 465, 31, kTextLineNotice), 0xFFFFFF00u | alpha);
  }
  if (--g_pace.noticeTimer < 1) g_pace.noticeIndex = 0;
}

int PlayOrderNoticeTimer() { return g_pace.noticeTimer; }

int RunFrameLoop() {
  int32_t next = PlayMode();
  int settle = -kSettlePasses;
  int passes = 0;
  ResetDrawList();
  for (;;) {
    if (settle >= 1) return next;
    if (g_hooks.before) g_hooks.before();
    if (settle > -kSettlePasses) RenderFrame();
    g_pace.capture = false;
    ResetDrawList();
    const int32_t m = PlayMode();
    next = m;
    UpdateButtons();
    if (m & kPlayFrames) RecordFrameInput((m & kPlayReplay) != 0);
    UpdateAllActors();
    UpdateActorCommands();
    const uint32_t live = ReadButtons();
    if (passes > 30 && (m & kPlayFrames)) HandlePlayKeys(m, live);
    if (m & kPlayResume) {
      // A game over's freeze outlasts the pause menu: a playback never pauses, so lifting it here
      // would part the recording from its playback.
      SetActorsPaused(IsGameOverFreezeHeld() ? 1 : 0);
      SetSettingsSlot(kSlotPlayMode, (m - kPlayResume) | kPlayFrames);
    }
    if (g_Engine.ProcessMessageLocked() == -1) return -1;
    if (settle == 0) {
      next = PlayMode();
      bool capture = false;
      if (NextStateForExit(GetMenuTaskField(kFieldSceneExit), &next, &capture)) {
        settle = 1;
        if (capture) g_pace.capture = true;
      }
    }
    if (g_Engine.ProcessMessageLocked() == -1) return -1;
    if (g_Engine.IsKeyDownLocked(kKeyEscape) == 1 && ConfirmQuitBox()) return -1;
    if (settle != 0) ++settle;
    if (passes == kSettlePasses) ResetFramePacing();
    EndFrame();
    if (g_pace.capture) CaptureScreenToBuffer();
    ++passes;
    if (g_hooks.after && !g_hooks.after()) return -1;
  }
}
