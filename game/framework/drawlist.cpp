// The display list: entries 0-64 are the sentinels of the sub-layers, all chained in one list, so
// that the flush walks sub-layer 0's entries, sentinel 1, sub-layer 1's entries, ... in one pass.
// Each sub-layer keeps its last entry, so adding is constant time.
#include "game/framework/drawlist.h"

#include "game/framework/engine_entries.h"
#include "game/framework/sprites.h"
#include "game/framework/text.h"

DrawEntry g_DrawEntries[kDrawEntryCount];

namespace {

constexpr int kLastDrawnSubLayer = 63;
constexpr int kClockLayer = 28;
constexpr int kGlyphZero = 512;
constexpr int kGlyphColon = 522;
constexpr int kNumberSpacing = 11;

struct DrawListState {
  int used;
  int last[kDrawSubLayerCount];
  int layer;
  uint32_t colour;
  int viewFlag;
};
DrawListState g_list;

struct ListStart {
  ListStart() { ResetDrawList(); }
} g_listStart;

void ClearDrawEntry(DrawEntry* e) {
  e->type = 0;
  e->sprite = 0;
  e->scale = 1000;
  e->angle = 0;
  e->colour = 0xFFFFFFFFu;
  e->x = e->y = e->x2 = e->y2 = 0;
  e->value = 0;
  e->viewFlag = 0;
  e->next = e->prev = 0;
}

int SubLayerOf(int layer, uint32_t sprite) {
  if (layer < 0) layer = 0;
  if (layer >= kDrawSubLayerCount / 2) return kDrawSubLayerCount - 1;
  return 2 * layer + ((sprite & kSpriteAdditive) ? 1 : 0);
}

// Takes the next free entry with its defaults and links it at the end of its sub-layer; -1 when
// the list is full.
int NewEntry(int layer, uint32_t sprite, int32_t type, int x, int y) {
  if (g_list.used >= kDrawEntryCount) return -1;
  const int e = g_list.used++;
  DrawEntry* d = &g_DrawEntries[e];
  ClearDrawEntry(d);
  d->type = type;
  d->sprite = sprite;
  d->x = x;
  d->y = y;
  const int s = SubLayerOf(layer, sprite);
  const int t = g_list.last[s];
  g_list.last[s] = e;
  const int n = g_DrawEntries[t].next;
  g_DrawEntries[t].next = e;
  d->next = n;
  d->prev = t;
  g_DrawEntries[n].prev = e;
  return e;
}

// Setters work on the entries handed out by adders; sentinels and indexes past the list are
// never touched, so a walk of the chain cannot be broken from outside.
DrawEntry* Settable(int entry) {
  if (entry < kDrawSubLayerCount || entry >= kDrawEntryCount) return nullptr;
  return &g_DrawEntries[entry];
}

int32_t SpriteType(uint32_t sprite, int32_t plain, int32_t mirrored) {
  return (sprite & kSpriteMirrored) ? mirrored : plain;
}

bool ValidTextId(int id) { return id >= 0 && id < kTextTableSize; }

// The absolute value as it is kept in a number entry: INT_MIN keeps its bits and reads back as
// 2147483648 through an unsigned view.
int32_t AbsoluteValue(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  return static_cast<int32_t>(v < 0 ? 0u - u : u);
}

void MakeNumber(DrawEntry* d, int value, int digits, int zeroPad) {
  d->type = kDrawNumber;
  d->sprite = 1;
  d->value = AbsoluteValue(value);
  d->x2 = digits;
  d->y2 = zeroPad;
  d->angle = kGlyphZero;
  d->scale = kNumberSpacing;
}

// One two-digit field of a clock: the number, the colon to its left and a "0" glyph in the tens
// place for values below 10 (numbers drop leading zeros).
void AddClockField(int x, int y, int colonX, int value) {
  AddDrawNumber(x, y, kClockLayer, value, 2, 0);
  AddDrawSprite(colonX, y, kClockLayer, kGlyphColon);
  if (value < 10) AddDrawSprite(x, y, kClockLayer, kGlyphZero);
}

}  // namespace

int DrawEntriesUsed() { return g_list.used; }

void ResetDrawList() {
  for (DrawEntry& e : g_DrawEntries) ClearDrawEntry(&e);
  for (int i = 0; i < kDrawSubLayerCount; ++i) {
    g_list.last[i] = i;
    g_DrawEntries[i].type = kDrawSentinel;
    g_DrawEntries[i].next = i < kDrawSubLayerCount - 1 ? i + 1 : i;
    g_DrawEntries[i].prev = i > 0 ? i - 1 : 0;
  }
  g_list.used = kDrawSubLayerCount;
  g_list.layer = 28;
  g_list.colour = 0xFFFFFFFFu;
  g_list.viewFlag = 1;
}

int AddDrawSprite(int x, int y, int layer, uint32_t sprite) {
  return NewEntry(layer, sprite, SpriteType(sprite, kDrawSprite, kDrawSpriteMirrored), x, y);
}

int AddDrawSpriteRot(int x, int y, int layer, uint32_t sprite, int scale, int angle) {
  const int e = NewEntry(layer, sprite, SpriteType(sprite, kDrawRot, kDrawRotMirrored), x, y);
  if (e >= 0) {
    g_DrawEntries[e].scale = scale;
    g_DrawEntries[e].angle = angle;
  }
  return e;
}

int AddDrawSpriteRotCopy(int x, int y, int layer, uint32_t sprite, int scale, int angle) {
  return AddDrawSpriteRot(x, y, layer, sprite, scale, angle);
}

int AddDrawSpriteRotPlain(int x, int y, int layer, uint32_t sprite) {
  return AddDrawSpriteRot(x, y, layer, sprite, 1000, 0);
}

void SetDrawListDefaults(int layer, uint32_t colour, int viewFlag) {
  g_list.layer = layer;
  g_list.colour = colour;
  g_list.viewFlag = viewFlag;
}

int AddDrawSpriteDefault(int x, int y, uint32_t sprite) {
  const int e = AddDrawSprite(x, y, g_list.layer, sprite);
  if (e >= 0) {
    g_DrawEntries[e].colour = g_list.colour;
    g_DrawEntries[e].viewFlag = g_list.viewFlag > 0 ? 1 : 0;
  }
  return e;
}

int AddDrawSpriteRotDefault(int x, int y, uint32_t sprite, int scale, int angle) {
  const int e = AddDrawSpriteRot(x, y, g_list.layer, sprite, scale, angle);
  if (e >= 0) {
    g_DrawEntries[e].colour = g_list.colour;
    g_DrawEntries[e].viewFlag = g_list.viewFlag > 0 ? 1 : 0;
  }
  return e;
}

int AddDrawRect(int x, int y, int x2, int y2, int layer, int filled) {
  const int e = filled ? NewEntry(layer, 2, kDrawStretched, x, y)
                       : NewEntry(layer, 1, kDrawBoxOutline, x, y);
  if (e >= 0) {
    g_DrawEntries[e].x2 = x2;
    g_DrawEntries[e].y2 = y2;
  }
  return e;
}

int AddDrawTextGlyph(int x, int y, int layer, int textId) {
  if (!ValidTextId(textId)) return -1;
  const int e = NewEntry(layer, static_cast<uint32_t>(textId + 1), kDrawText, x, y);
  if (e >= 0) g_DrawEntries[e].angle = 0;
  return e;
}

int AddDrawTextString(int x, int y, int layer, int textId) {
  if (!ValidTextId(textId)) return -1;
  const int e = NewEntry(layer, static_cast<uint32_t>(textId + 1), kDrawText, x, y);
  if (e >= 0) g_DrawEntries[e].angle = 1;
  return e;
}

int AddDrawTextLine(int x, int y, int layer, int line) {
  if (line < 0 || line >= kTextLineCount) return -1;
  const int e = NewEntry(layer, static_cast<uint32_t>(line + 1), kDrawText, x, y);
  if (e >= 0) g_DrawEntries[e].angle = 2;
  return e;
}

int AddDrawNumber(int x, int y, int layer, int value, int digits, int zeroPad) {
  const int e = NewEntry(layer, 1, kDrawNumber, x, y);
  if (e >= 0) MakeNumber(&g_DrawEntries[e], value, digits, zeroPad);
  return e;
}

void AddDrawClock(int x, int y, int seconds) {
  if (seconds < 0) return;
  if (seconds >= 36000000) seconds = 9999 * 3600 + 59 * 60 + 59;
  AddClockField(x + 77, y, x + 71, seconds % 60);
  AddClockField(x + 49, y, x + 43, seconds / 60 % 60);
  AddDrawNumber(x - 1, y, kClockLayer, seconds / 3600 % 10000, 4, 0);
}

// The same face as the clock, with minutes in the hours' place and hundredths in the seconds'.
void AddDrawClockHundredths(int x, int y, int hundredths) {
  if (hundredths < 0) return;
  if (hundredths >= 60000000) hundredths = 59999999;
  AddClockField(x + 77, y, x + 71, hundredths % 100);
  AddClockField(x + 49, y, x + 43, hundredths / 100 % 60);
  AddDrawNumber(x - 1, y, kClockLayer, hundredths / 6000 % 10000, 4, 0);
}

int AddDrawType5(int x, int y, int layer, uint32_t sprite, int a, int b, int angle) {
  const int e = NewEntry(layer, sprite, kDrawType5, x, y);
  if (e >= 0) {
    DrawEntry* d = &g_DrawEntries[e];
    d->x2 = (sprite & kSpriteMirrored) ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : a;
    d->y2 = b;
    d->angle = angle;
  }
  return e;
}

int AddDrawSquareAt(int x, int y, int x2, int y2, int layer) {
  const int e = NewEntry(layer, 2, kDrawSprite, x, y);
  if (e >= 0) {
    g_DrawEntries[e].x2 = x2;
    g_DrawEntries[e].y2 = y2;
  }
  return e;
}

int AddDrawScreenTint(int layer, uint32_t colour) {
  int w, h;
  GetGameScreenSize(&w, &h);
  const int e = NewEntry(layer, 2, kDrawStretched, 0, 0);
  if (e >= 0) {
    g_DrawEntries[e].x2 = w;
    g_DrawEntries[e].y2 = h;
    g_DrawEntries[e].colour = colour;
  }
  return e;
}

int AddDrawOval(int x, int y, int x2, int y2, int layer, int filled) {
  const int e = NewEntry(layer, 1, filled ? kDrawOvalFilled : kDrawOvalOutline, x, y);
  if (e >= 0) {
    g_DrawEntries[e].x2 = x2;
    g_DrawEntries[e].y2 = y2;
  }
  return e;
}

int AddDrawSpriteQuarterTurn(int x, int y, int layer, uint32_t sprite) {
  int w = 0, h = 0;
  GetSpriteSize(static_cast<int32_t>(sprite), &w, &h);
  return AddDrawSpriteRot(x + h / 2, y + w / 2, layer, sprite, 100, 5400);
}

void SetDrawTextGlyph(int entry, int textId) {
  DrawEntry* d = Settable(entry);
  if (!d || !ValidTextId(textId)) return;
  d->type = kDrawText;
  d->sprite = static_cast<uint32_t>(textId + 1);
  d->angle = 0;
}

void SetDrawTextString(int entry) {
  DrawEntry* d = Settable(entry);
  if (!d) return;
  d->type = kDrawText;
  d->sprite += 1;
  d->angle = 1;
}

void SetDrawNumber(int entry, int value, int digits, int zeroPad) {
  if (DrawEntry* d = Settable(entry)) MakeNumber(d, value, digits, zeroPad);
}

void SetDrawScaleAngle(int entry, int angle, int scale) {
  if (DrawEntry* d = Settable(entry)) {
    d->angle = angle;
    d->scale = scale;
  }
}

void SetDrawRotSettings(int entry, int scale, int angle) {
  if (DrawEntry* d = Settable(entry)) {
    d->type = SpriteType(d->sprite, kDrawRot, kDrawRotMirrored);
    d->scale = scale;
    d->angle = angle;
  }
}

void SetDrawRectEnd(int entry, int x2, int y2) {
  if (DrawEntry* d = Settable(entry)) {
    d->type = kDrawStretched;
    d->x2 = x2;
    d->y2 = y2;
  }
}

void SetDrawSpriteId(int entry, uint32_t sprite) {
  if (DrawEntry* d = Settable(entry)) d->sprite = sprite;
}

void SetDrawColor(int entry, uint32_t colour) {
  if (DrawEntry* d = Settable(entry)) d->colour = colour;
}

void SetDrawViewFlag(int entry) {
  if (DrawEntry* d = Settable(entry)) d->viewFlag = 1;
}

void FlushDrawList() {
  ResetGameDrawState();
  bool blendSet = false;
  bool tintSet = false;
  for (int s = 0; s <= kLastDrawnSubLayer; ++s) {
    const bool odd = (s & 1) != 0;
    for (int e = g_DrawEntries[s].next; g_DrawEntries[e].type != kDrawSentinel;
         e = g_DrawEntries[e].next) {
      const DrawEntry& d = g_DrawEntries[e];
      const int i = static_cast<int>(d.sprite & 0xFFFFFFu);
      // Index 0 is the empty sprite; an index past the table has no graphic to draw.
      if (i == 0 || i >= kSpriteCount) continue;

      const int alpha = static_cast<int>(d.colour & 0xFFu);
      if (alpha < 255) {
        SetBlendModeCached(odd ? 2 : 1, alpha);
        blendSet = true;
      } else if (odd) {
        SetBlendModeCached(2, 255);
        blendSet = true;
      } else if (blendSet) {
        ResetGameDrawState();
        blendSet = false;
      }

      const int red = static_cast<int>(d.colour >> 24);
      const int green = static_cast<int>((d.colour >> 16) & 0xFFu);
      const int blue = static_cast<int>((d.colour >> 8) & 0xFFu);
      if (red != 255 || green != 255 || blue != 255) {
        tintSet = true;
        g_Engine.SetDrawBrightRgbLocked(red, green, blue);
      } else if (tintSet) {
        g_Engine.SetDrawBrightRgbLocked(255, 255, 255);
        tintSet = false;
      }

      const int graphic = GetSpriteGraph(i);
      switch (d.type) {
        case kDrawSprite:
          g_Engine.DrawGraphAtPointLocked(d.x, d.y, graphic, 1);
          break;
        case kDrawSpriteMirrored:
          g_Engine.DrawGraphMirroredLocked(d.x, d.y, graphic, 1);
          break;
        case kDrawRot:
        case kDrawRotMirrored: {
          // Single-precision factors, as the rotation was always computed.
          const float scale = static_cast<float>(d.scale) * 0.001f;
          const float angle = static_cast<float>(d.angle) * 3.1415927f / 10800.0f;
          g_Engine.DrawGraphRotatedCallLocked(d.x, d.y, scale, angle, graphic, 1,
                                              d.type == kDrawRotMirrored ? 1 : 0);
          break;
        }
        case kDrawStretched:
          g_Engine.DrawGraphStretchedLocked(d.x, d.y, d.x2, d.y2, graphic, 1);
          break;
        case kDrawBoxOutline:
          g_Engine.DrawBoxShapeLocked(d.x, d.y, d.x2, d.y2, ScreenWhite(), 0);
          break;
        case kDrawText:
          if (d.angle <= 0) DrawTableGlyphText(d.x, d.y, i - 1);
          else if (d.angle == 1) DrawTableString(d.x, d.y, i - 1);
          else DrawTextLine(d.x, d.y, i - 1);
          break;
        case kDrawNumber:
          DrawNumberMagnitude(d.x, d.y, static_cast<uint32_t>(d.value), false, d.x2,
                              static_cast<uint32_t>(d.angle), d.scale, d.y2 > 0);
          break;
        default:
          break;
      }
    }
  }
}
