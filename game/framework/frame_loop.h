// The frame loop: one scene at a fixed 60 steps a second. Each pass draws the previous pass's
// display list, reads the input (through the replay buffer in play), updates every actor and runs
// the commands, handles the pause and replay-exit keys, pumps messages, polls the scene's exit
// code, asks before quitting on Escape, and paces and presents the frame. Pacing keeps a 16/17 ms
// grid on the millisecond clock (or a vertical blank of its own for every step), by the mode the
// screen was set up with; it can skip every other draw, and measures the frame rate and the
// slowdown. The play-order notice is drawn from here.
#pragma once
#include <cstdint>

// Exit codes a scene task writes into its field 116.
enum SceneExitCode : int32_t {
  kExitCapturePlayMode = 48, kExitTitle = 80, kExitQuit = 256, kExitPlayStart = 512,
  kExitRestart = 1024, kExitEnd = 2048,
};
constexpr int kFieldSceneExit = 116;

int RunFrameLoop();                  // the next SceneStateWord, or -1 to end the program
void ResetFrameLoopState();
// The values a new process starts with, those no scene reset touches included (the timer's grid,
// the capture request). Boot calls it, so a second run in one process paces as the first.
void ResetFrameLoopForStart();
void ResetFramePacing();
int MeasureFrameRate();              // frames a second x 100
int GetSlowdownRate();               // 1/100 percent
bool IsDrawSkipFrame();
void WaitAndPresent(int milliseconds);
void EndFrame();
void RenderFrame();
void RequestScreenCapture();
void AwardPlayOrder(int n);
void DrawPlayOrderNotice();
int PlayOrderNoticeTimer();          // frames left of the notice

// A per-pass hook for tools that drive whole runs (null in the game): before runs at the start of
// every pass, before the input is read; after runs once the pass is presented and returns false
// to end the program as a closed window would.
struct FramePassHooks {
  void (*before)();
  bool (*after)();
};
void SetFramePassHooks(const FramePassHooks& hooks);
