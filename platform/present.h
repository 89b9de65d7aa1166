// The display as the screen code sees it: which pixel layout a display depth runs in, a vertical
// blank and scan-line model, and the presenter that puts a finished picture into the window.
// Linux desktops keep their own mode: a full-screen mode is only recorded, and the presenter scales
// the picture to the window. Neither Xvfb nor most desktops report the vertical blank, so a 60 Hz
// model on the platform clock (virtual in tests) stands in for it.
// The presenter draws into an SDL2 window through a streaming texture; without a window (headless,
// or VLX_HEADLESS=1) it keeps a copy of the last frame for tests. Main thread only.
#pragma once
#include <cstdint>
#include "platform/surface.h"

namespace plat {

// Pixel layout of a display depth: 16 R5G6B5, 32 X8R8G8B8, 8 palette indices (others: bitCount 0).
PixelFormat DisplayFormatForDepth(int bits);
// Test hook: a display that runs this depth in another layout (say X1R5G5B5 at 16); count 0 resets.
void DisplaySetFormatForDepth(int bits, const PixelFormat* format);

// Vertical blank model: frames of 1000000/60 us on MicrosecondClock, each `visibleLines` scan lines
// (default 480) and then visibleLines * 45 / 480 blank lines.
void DisplaySetVisibleLines(int visibleLines);
int DisplayVisibleLines();
bool DisplayInVerticalBlank();
int DisplayScanLine();                       // 0 .. total lines - 1
uint64_t DisplayMicrosecondsToBlankBegin();  // 0 only at the very start of a blank
// Sleeps (the virtual clock jumps) until the next blank begins; returns at once on the blank's first
// scan line. The blank it ends in counts as passed for DisplayWaitForNextBlank.
void DisplayWaitForBlankBegin();
// The pacing wait: sleeps until the beginning of the next blank after the last one a wait passed,
// or returns at once inside a blank that none has passed yet (a late caller), so that two waits
// never share one blank. The blanks are the model's 60 a second whatever the monitor's refresh.
void DisplayWaitForNextBlank();
// Sleeps until MicrosecondClock() reaches the time given (the virtual clock moves there at once):
// the display's waits sleep to the microsecond rather than poll.
void DisplaySleepUntil(uint64_t microseconds);

enum class PresentBackend { Auto, Sdl, Headless };
void PresenterSelectBackend(PresentBackend b);   // Auto: SDL when a window is bound, else headless
bool PresenterIsHeadless();

// Binds the presenter to a window: an SDL_Window* (null unbinds). Releases the old renderer.
int PresenterSetWindow(void* nativeWindow);

struct PresentImage {
  const uint8_t* pixels;      // row 0
  int32_t pitch;
  int32_t width, height;
  PixelFormat format;         // 16 (R5G6B5 or X1R5G5B5) or 32 (X8R8G8B8) bits
};

// Shows the image stretched into {x, y, x + outWidth, y + outHeight} of the window's drawable area,
// the rest of the window black. 0, or -1 for an unsupported format or a failure of the back end.
int PresenterShow(const PresentImage& image, int32_t x, int32_t y, int32_t outWidth, int32_t outHeight);

// The last frame shown (headless keeps a copy; the SDL back end keeps only the counts): its pixels
// as given, and where it went. Frames shown since the start; false when none yet.
struct PresentedFrame {
  const uint8_t* pixels;
  int32_t pitch, width, height;
  PixelFormat format;
  int32_t x, y, outWidth, outHeight;
};
bool PresenterLastFrame(PresentedFrame* out);
uint64_t PresenterFrameCount();
void PresenterReset();                           // forgets the last frame and the count
// Keeps the pixels of every frame shown through the SDL back end too (tools that hash or save what
// a real window showed); off by default, and not changed by PresenterReset.
void PresenterKeepPixels(bool keep);

}  // namespace plat
