// The display list: 4000 DrawEntry records in 65 sub-layers (two per layer: plain, then additive;
// layers 0-31 drawn, 32 and up kept but not drawn), filled while actors update and drawn at the
// start of the next frame. Beside it: the blend cache, brightness presets and the immediate draws
// (sprites, glyph text, table text, numbers, the frame rate, the screen capture).
#pragma once
#include <cstdint>

constexpr int kDrawEntryCount = 4000;
constexpr int kDrawSubLayerCount = 65;

enum DrawEntryType : int32_t {
  kDrawSprite = 1, kDrawSpriteMirrored = 2, kDrawRot = 3, kDrawRotMirrored = 4, kDrawType5 = 5,
  kDrawStretched = 6, kDrawBoxOutline = 7, kDrawOvalOutline = 9, kDrawOvalFilled = 16,
  kDrawText = 33, kDrawNumber = 34, kDrawSentinel = 0x8000,
};

struct DrawEntry {
  int32_t type;
  uint32_t sprite;
  int32_t scale;
  int32_t angle;
  uint32_t colour;
  int32_t x, y, x2, y2;
  int32_t value;
  uint8_t viewFlag;
  int32_t next, prev;
};

extern DrawEntry g_DrawEntries[kDrawEntryCount];
int DrawEntriesUsed();

// The list. Adders return the entry index, or -1 when the list is full (text adders also for a
// bad id); setters ignore a negative entry.
void ResetDrawList();
int AddDrawSprite(int x, int y, int layer, uint32_t sprite);
int AddDrawSpriteRot(int x, int y, int layer, uint32_t sprite, int scale, int angle);
int AddDrawSpriteRotCopy(int x, int y, int layer, uint32_t sprite, int scale, int angle);
int AddDrawSpriteRotPlain(int x, int y, int layer, uint32_t sprite);
void SetDrawListDefaults(int layer, uint32_t colour, int viewFlag);
int AddDrawSpriteDefault(int x, int y, uint32_t sprite);
int AddDrawSpriteRotDefault(int x, int y, uint32_t sprite, int scale, int angle);
int AddDrawRect(int x, int y, int x2, int y2, int layer, int filled);
int AddDrawTextGlyph(int x, int y, int layer, int textId);
int AddDrawTextString(int x, int y, int layer, int textId);
int AddDrawTextLine(int x, int y, int layer, int line);
int AddDrawNumber(int x, int y, int layer, int value, int digits, int zeroPad);
void AddDrawClock(int x, int y, int seconds);
void AddDrawClockHundredths(int x, int y, int hundredths);
int AddDrawType5(int x, int y, int layer, uint32_t sprite, int a, int b, int angle);
int AddDrawSquareAt(int x, int y, int x2, int y2, int layer);
int AddDrawScreenTint(int layer, uint32_t colour);
int AddDrawOval(int x, int y, int x2, int y2, int layer, int filled);
int AddDrawSpriteQuarterTurn(int x, int y, int layer, uint32_t sprite);
void SetDrawTextGlyph(int entry, int textId);
void SetDrawTextString(int entry);
void SetDrawNumber(int entry, int value, int digits, int zeroPad);
void SetDrawScaleAngle(int entry, int angle, int scale);
void SetDrawRotSettings(int entry, int scale, int angle);
void SetDrawRectEnd(int entry, int x2, int y2);
void SetDrawSpriteId(int entry, uint32_t sprite);
void SetDrawColor(int entry, uint32_t colour);
void SetDrawViewFlag(int entry);
void FlushDrawList();

// Draw state.
void SetBlendModeCached(int mode, int param);
// The engine has a ResetDrawState of its own inside; this one also resets the blend cache.
void ResetGameDrawState();
void SetBrightWhite();
void SetBrightRed();
void SetBrightYellow();
void SetBrightBlue();
uint32_t AddColorClamped(uint32_t colour, int dRed, int dGreen, int dBlue);

// Immediate draws.
void DrawSprite(int x, int y, uint32_t sprite);
void DrawGlyphText(int x, int y, const char* text);
void DrawTableGlyphText(int x, int y, int textId);
void DrawTableString(int x, int y, int textId);
void DrawNumber(int x, int y, int value, int digits, uint32_t glyphZero, int spacing, int zeroPad);
// DrawNumber on a magnitude and a sign, as a number entry keeps its value (at most 10 digits are
// drawn; a negative digit count draws nothing).
void DrawNumberMagnitude(int x, int y, uint64_t magnitude, bool negative, int digits,
                         uint32_t glyphZero, int spacing, bool zeroPad);
void DrawNumberWithPoint(int x, int y, int value, int digits, int zeroPad);
void DrawFrameRate(int rateTimes100);
void DrawBlackOverlay(int n);
void DrawWhiteOverlay(int n);
void DrawSpriteRotScaled(int x, int y, int scale, int angle, uint32_t sprite);
void DrawSpriteStretched(int x1, int y1, int x2, int y2, uint32_t sprite);
void DrawSpriteAboutPoint(int x, int y, uint32_t sprite);
void CaptureScreenToBuffer();
void CopyScreenToBuffer();
bool SaveScreenshot();

// Screen colours of black and white, taken from the engine at start-up.
void SetScreenColours(uint32_t black, uint32_t white);
uint32_t ScreenBlack();
uint32_t ScreenWhite();
void GetGameScreenSize(int* width, int* height);   // 640 x 480
