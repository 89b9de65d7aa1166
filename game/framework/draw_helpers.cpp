// Draw state (the blend cache and brightness presets) and the immediate draws: sprites, glyph and
// table text, numbers, the frame rate, overlays and the screen capture into sprite 8191.
#include <cstdio>

#include "engine/engine.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"
#include "game/framework/text.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr uint32_t kGlyphZero = 512;
constexpr uint32_t kGlyphMinus = 527;
constexpr uint32_t kGlyphPoint = 100;
constexpr int kGlyphSpacing = 11;
constexpr int kMaxDigits = 10;   // every 32-bit magnitude fits

struct BlendCache {
  int mode = 0;
  int param = 255;
} g_blend;

int SpriteIndex(uint32_t sprite) { return static_cast<int>(sprite & 0xFFFFFFu); }

// Coordinates of long digit rows are worked out in 64 bits and wrap into the int range.
int Wrap(int64_t v) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

uint64_t Magnitude(int value) {
  return value < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(value))
                   : static_cast<uint64_t>(value);
}

void DrawOverlay(int n, uint32_t colour, int height) {
  const int64_t a = n < 0 ? -static_cast<int64_t>(n) : n;
  if (a < 1) return;
  SetBlendModeCached(1, a > 255 ? 255 : static_cast<int>(a));
  g_Engine.DrawBoxShapeLocked(0, 0, kScreenWidth, height, colour, 1);
}

}  // namespace

void GetGameScreenSize(int* width, int* height) {
  if (width) *width = kScreenWidth;
  if (height) *height = kScreenHeight;
}

void SetBlendModeCached(int mode, int param) {
  if (param < 0) param = 0;
  if (param > 255) param = 255;
  if (mode == g_blend.mode && param == g_blend.param) return;
  g_Engine.SetBlendModeStateLocked(mode, param);
  g_blend.mode = mode;
  g_blend.param = param;
}

void ResetGameDrawState() {
  g_Engine.SetBlendModeStateLocked(0, 255);
  g_Engine.SetDrawBrightRgbLocked(255, 255, 255);
  g_blend.mode = 0;
  g_blend.param = 255;
}

void SetBrightWhite() { g_Engine.SetDrawBrightRgbLocked(255, 255, 255); }
void SetBrightRed() { g_Engine.SetDrawBrightRgbLocked(255, 63, 63); }
void SetBrightYellow() { g_Engine.SetDrawBrightRgbLocked(255, 255, 127); }
void SetBrightBlue() { g_Engine.SetDrawBrightRgbLocked(63, 63, 255); }

uint32_t AddColorClamped(uint32_t colour, int dRed, int dGreen, int dBlue) {
  const int red = ClampByte(static_cast<int64_t>(colour >> 24) + dRed);
  const int green = ClampByte(static_cast<int64_t>((colour >> 16) & 0xFFu) + dGreen);
  const int blue = ClampByte(static_cast<int64_t>((colour >> 8) & 0xFFu) + dBlue);
  return (static_cast<uint32_t>(red) << 24) | (static_cast<uint32_t>(green) << 16) |
         (static_cast<uint32_t>(blue) << 8) | (colour & 0xFFu);
}

void DrawSprite(int x, int y, uint32_t sprite) {
  const int i = SpriteIndex(sprite);
  if (i >= kSpriteCount) return;
  const int graphic = GetSpriteGraph(i);
  if (sprite & kSpriteMirrored) g_Engine.DrawGraphMirroredLocked(x, y, graphic, 1);
  else g_Engine.DrawGraphAtPointLocked(x, y, graphic, 1);
}

void DrawGlyphText(int x, int y, const char* text) {
  if (!text) return;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == ' ') {
      x += 6;
      continue;
    }
    DrawSprite(x, y, 464u + *p);
    x += *p == 'I' ? 5 : 11;
  }
}

void DrawTableGlyphText(int x, int y, int textId) { DrawGlyphText(x, y, GetTableText(textId)); }

void DrawTableString(int x, int y, int textId) {
  g_Engine.DrawTextDefaultFontLocked(x, y, GetTableText(textId), ScreenWhite(), ScreenBlack());
}

void DrawNumberMagnitude(int x, int y, uint64_t m, bool negative, int digits, uint32_t glyphZero,
                         int spacing, bool zeroPad) {
  if (digits < 0) return;
  int64_t p = static_cast<int64_t>(x) + (static_cast<int64_t>(digits) - 1) * spacing;
  const int shown = digits < kMaxDigits ? digits : kMaxDigits;
  for (int k = 0; k < shown; ++k) {
    if (zeroPad || k < 1 || m >= 1) {
      DrawSprite(Wrap(p), y, glyphZero + static_cast<uint32_t>(m % 10));
      p -= spacing;
    }
    m /= 10;
  }
  if (negative) DrawSprite(Wrap(p), y, kGlyphMinus);
}

void DrawNumber(int x, int y, int value, int digits, uint32_t glyphZero, int spacing, int zeroPad) {
  DrawNumberMagnitude(x, y, Magnitude(value), value < 0, digits, glyphZero, spacing, zeroPad != 0);
}

void DrawNumberWithPoint(int x, int y, int value, int digits, int zeroPad) {
  if (digits < 0) return;
  uint64_t m = Magnitude(value);
  int64_t p = static_cast<int64_t>(x) + static_cast<int64_t>(kGlyphSpacing) * digits + 4;
  const int shown = digits < kMaxDigits ? digits : kMaxDigits;
  for (int k = 0; k < shown; ++k) {
    if (zeroPad || k < 3 || m >= 1) {
      DrawSprite(Wrap(p), y, kGlyphZero + static_cast<uint32_t>(m % 10));
      p -= kGlyphSpacing;
    }
    m /= 10;
    // The point sits in a 4-pixel cell right of the third digit from the right.
    if (k == 1) {
      DrawSprite(Wrap(p + kGlyphSpacing - 4), y, kGlyphPoint);
      p -= 4;
    }
  }
  if (value < 0) DrawSprite(Wrap(p), y, kGlyphMinus);
}

void DrawFrameRate(int rateTimes100) {
  const int target = 60 / (GetSettingsSlotClamped(kSlotFrameRate, 0, 3) + 1);
  ResetGameDrawState();
  int v = rateTimes100 / 100;
  if (v <= target) {
    SetBrightYellow();
    if (v > 0) ++v;
  } else {
    SetBrightRed();
  }
  DrawNumber(kScreenWidth - 55, kScreenHeight - 14, v, 3, kGlyphZero, kGlyphSpacing, 0);
  DrawSprite(kScreenWidth - 24, kScreenHeight - 15, 1);
  SetBrightWhite();
}

void DrawBlackOverlay(int n) { DrawOverlay(n, ScreenBlack(), kScreenHeight); }
void DrawWhiteOverlay(int n) { DrawOverlay(n, ScreenWhite(), kScreenHeight - 32); }

void DrawSpriteRotScaled(int x, int y, int scale, int angle, uint32_t sprite) {
  const int i = SpriteIndex(sprite);
  if (i >= kSpriteCount) return;
  const float s = static_cast<float>(scale) * 0.01f;
  const float a = static_cast<float>(angle) * 3.1415927f / 10800.0f;
  g_Engine.DrawGraphRotatedCallLocked(x, y, s, a, GetSpriteGraph(i), 1, 0);
}

void DrawSpriteStretched(int x1, int y1, int x2, int y2, uint32_t sprite) {
  const int i = SpriteIndex(sprite);
  if (i >= kSpriteCount) return;
  g_Engine.DrawGraphStretchedLocked(x1, y1, x2, y2, GetSpriteGraph(i), 1);
}

void DrawSpriteAboutPoint(int x, int y, uint32_t sprite) {
  const int i = SpriteIndex(sprite);
  if (i >= kSpriteCount) return;
  int w = 0, h = 0;
  GetSpriteSize(static_cast<int32_t>(sprite), &w, &h);
  // The sprite's own rectangle, its picture anchored at the corner: drawn once, as it stands.
  g_Engine.DrawGraphRotatedAboutCenterLocked(x, y, x + w, y + h, 0, 0, 1.0, 0.0,
                                             GetSpriteGraph(i), 1);
}

// Copies are taken as whole screens: in a window the front screen is then read where the window
// shows it, not from the desktop's corner.
void CaptureScreenToBuffer() {
  g_Engine.SetDrawTargetLocked(-4);
  g_Engine.GetDrawScreenGraphLocked(0, 0, kScreenWidth, kScreenHeight,
                                    GetSpriteGraph(kSpriteCapture), 1);
  g_Engine.SetDrawTargetLocked(-2);
}

void CopyScreenToBuffer() {
  g_Engine.GetDrawScreenGraphLocked(0, 0, kScreenWidth, kScreenHeight,
                                    GetSpriteGraph(kSpriteCapture), 1);
}

bool SaveScreenshot() {
  LocalDateTime now{};
  g_Engine.GetLocalDateTimeLocked(&now);
  const int64_t base = static_cast<int64_t>(now.month) * 100000 + static_cast<int64_t>(now.day) * 1000;
  for (int k = 0; k < 1000; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "replay\\vlrss%07lld.bmp", static_cast<long long>(base + k));
    if (GetFileSizeByName(name) >= 0) continue;
    return g_Engine.SaveDrawScreenToBmpLocked(0, 0, kScreenWidth, kScreenHeight, name) == 0;
  }
  return false;
}
