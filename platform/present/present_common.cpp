// Display layouts, the vertical blank model and the choice of presenter back end.
#include <time.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/present.h"
#include "platform/present/present_backend.h"
#include "platform/sync.h"

namespace plat {
namespace {

constexpr uint64_t kFrameScale = 1000000;   // frame phase in millionths of a frame
PixelFormat g_overrideFormat[33];
bool g_hasOverride[33];
int g_visibleLines = 480;
PresentBackend g_chosen = PresentBackend::Auto;
void* g_window = nullptr;
int64_t g_lastBlank = INT64_MIN;   // index of the last blank a wait passed

int TotalLines() { return g_visibleLines + g_visibleLines * 45 / 480; }

// Position inside the current frame, 0 .. kFrameScale - 1; 60 frames per second exactly.
uint64_t FramePhase() { return (MicrosecondClock() * 60u) % kFrameScale; }

uint64_t BlankBeginPhase() {
  return (static_cast<uint64_t>(g_visibleLines) * kFrameScale + TotalLines() - 1) / TotalLines();
}

// Blank k spans frame phases k * kFrameScale + BlankBeginPhase() up to the end of frame k: the
// index of the latest blank begun at the given time, and whether the time is inside it.
int64_t LatestBlank(uint64_t microseconds, bool* inside) {
  const int64_t fromFirst = static_cast<int64_t>(microseconds * 60u) - static_cast<int64_t>(BlankBeginPhase());
  const int64_t scale = static_cast<int64_t>(kFrameScale);
  int64_t k = fromFirst / scale;
  if (fromFirst < k * scale) --k;
  if (inside) *inside = fromFirst - k * scale < scale - static_cast<int64_t>(BlankBeginPhase());
  return k;
}

uint64_t BlankBeginTime(int64_t k) {
  const int64_t phase = k * static_cast<int64_t>(kFrameScale) + static_cast<int64_t>(BlankBeginPhase());
  return phase <= 0 ? 0 : (static_cast<uint64_t>(phase) + 59) / 60;
}

const PresenterOps& Ops() {
  bool headless = g_chosen == PresentBackend::Headless || g_window == nullptr;
  if (g_chosen == PresentBackend::Auto) {
    const char* env = std::getenv("VLX_HEADLESS");
    if (env && std::strcmp(env, "1") == 0) headless = true;
  }
  return headless ? kHeadlessPresenterOps : kSdlPresenterOps;
}

}  // namespace

PixelFormat DisplayFormatForDepth(int bits) {
  if (bits > 0 && bits <= 32 && g_hasOverride[bits]) return g_overrideFormat[bits];
  PixelFormat f{};
  f.size = 32;
  f.bitCount = static_cast<uint32_t>(bits);
  switch (bits) {
    case 8: f.flags = PIXFMT_RGB | PIXFMT_PALETTEINDEXED8; break;
    case 16: f.flags = PIXFMT_RGB; f.redMask = 0xF800; f.greenMask = 0x07E0; f.blueMask = 0x001F; break;
    case 32: f.flags = PIXFMT_RGB; f.redMask = 0xFF0000; f.greenMask = 0x00FF00; f.blueMask = 0x0000FF; break;
    default: f.bitCount = 0; break;
  }
  return f;
}

void DisplaySetFormatForDepth(int bits, const PixelFormat* format) {
  if (bits <= 0 || bits > 32) return;
  g_hasOverride[bits] = format != nullptr;
  if (format) g_overrideFormat[bits] = *format;
}

void DisplaySetVisibleLines(int visibleLines) { g_visibleLines = visibleLines > 0 ? visibleLines : 480; }
int DisplayVisibleLines() { return g_visibleLines; }

int DisplayScanLine() { return static_cast<int>(FramePhase() * TotalLines() / kFrameScale); }

bool DisplayInVerticalBlank() { return DisplayScanLine() >= g_visibleLines; }

uint64_t DisplayMicrosecondsToBlankBegin() {
  uint64_t phase = FramePhase();
  uint64_t begin = BlankBeginPhase();
  uint64_t left = phase <= begin ? begin - phase : kFrameScale - phase + begin;
  return (left + 59) / 60;
}

void DisplaySleepUntil(uint64_t microseconds) {
  for (;;) {
    const uint64_t now = MicrosecondClock();
    if (now >= microseconds) return;
    if (VirtualClockActive()) {
      // Virtual time moves to the moment exactly, as a display's own wait would end.
      VirtualClockAdvance(microseconds - now);
      return;
    }
    const uint64_t left = microseconds - now;
    timespec ts{static_cast<time_t>(left / 1000000u), static_cast<long>(left % 1000000u) * 1000};
    nanosleep(&ts, nullptr);
  }
}

void DisplayWaitForBlankBegin() {
  if (DisplayScanLine() != g_visibleLines) {
    const uint64_t left = DisplayMicrosecondsToBlankBegin();
    if (left != 0) DisplaySleepUntil(MicrosecondClock() + left);
  }
  g_lastBlank = LatestBlank(MicrosecondClock(), nullptr);
}

void DisplayWaitForNextBlank() {
  bool inside = false;
  const int64_t k = LatestBlank(MicrosecondClock(), &inside);
  // A clock that went back (a new virtual clock) leaves nothing passed.
  if (g_lastBlank > k) g_lastBlank = INT64_MIN;
  if (inside && k > g_lastBlank) {
    g_lastBlank = k;
    return;
  }
  DisplaySleepUntil(BlankBeginTime(k + 1));
  g_lastBlank = k + 1;
}

void PresenterSelectBackend(PresentBackend b) { g_chosen = b; }
bool PresenterIsHeadless() { return &Ops() == &kHeadlessPresenterOps; }

int PresenterSetWindow(void* nativeWindow) {
  if (g_window == nativeWindow) return 0;
  kSdlPresenterOps.release();
  g_window = nativeWindow;
  return 0;
}

void* PresenterWindow() { return g_window; }

int PresenterShow(const PresentImage& image, int32_t x, int32_t y, int32_t outWidth, int32_t outHeight) {
  if (!image.pixels || image.width <= 0 || image.height <= 0 || outWidth <= 0 || outHeight <= 0) return -1;
  if (image.format.bitCount != 16 && image.format.bitCount != 32) return -1;
  if (Ops().show(image, x, y, outWidth, outHeight) != 0) return -1;
  PresenterCountFrame(image, x, y, outWidth, outHeight);
  return 0;
}

}  // namespace plat
