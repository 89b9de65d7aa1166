// Canvas, colours and the two bitmap fonts of the painted data.
#include <algorithm>

#include "tools/common/picture_writer.h"
#include "tools/make-data/make_data.h"

Canvas::Canvas(int w, int h, uint32_t fill) : width(w), height(h), rgb(size_t(w) * size_t(h) * 3) {
  FillRect(0, 0, w, h, fill);
}

void Canvas::Put(int x, int y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
  p[0] = uint8_t(colour >> 16);
  p[1] = uint8_t(colour >> 8);
  p[2] = uint8_t(colour);
}

uint32_t Canvas::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return kKey;
  const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void Canvas::FillRect(int x, int y, int w, int h, uint32_t colour) {
  for (int j = std::max(y, 0); j < std::min(y + h, height); j++)
    for (int i = std::max(x, 0); i < std::min(x + w, width); i++) Put(i, j, colour);
}

void Canvas::FrameRect(int x, int y, int w, int h, uint32_t colour) {
  if (w <= 0 || h <= 0) return;
  FillRect(x, y, w, 1, colour);
  FillRect(x, y + h - 1, w, 1, colour);
  FillRect(x, y, 1, h, colour);
  FillRect(x + w - 1, y, 1, h, colour);
}

uint32_t AvoidKey(uint32_t colour) { return colour == kKey ? 0x00FE00 : colour; }

uint32_t Shade(uint32_t colour, int num) {
  uint32_t out = 0;
  for (int s = 0; s < 24; s += 8) out |= uint32_t(std::min(255, int((colour >> s) & 0xFF) * num / 256)) << s;
  return AvoidKey(out);
}

uint32_t Tint(uint32_t colour, int towardsWhite) {
  uint32_t out = 0;
  for (int s = 0; s < 24; s += 8) {
    int v = int((colour >> s) & 0xFF);
    out |= uint32_t(v + (255 - v) * towardsWhite / 256) << s;
  }
  return AvoidKey(out);
}

namespace {

// 5 x 7 glyphs for the codes 32-95, one byte per row, bit 4 the leftmost pixel.
constexpr uint8_t kLarge[64][7] = {
    {0, 0, 0, 0, 0, 0, 0},                          // space
    {4, 4, 4, 4, 4, 0, 4},                          // !
    {10, 10, 0, 0, 0, 0, 0},                        // "
    {10, 10, 31, 10, 31, 10, 10},                   // #
    {4, 15, 20, 14, 5, 30, 4},                      // $
    {24, 25, 2, 4, 8, 19, 3},                       // %
    {12, 18, 20, 8, 21, 18, 13},                    // &
    {4, 4, 0, 0, 0, 0, 0},                          // '
    {2, 4, 8, 8, 8, 4, 2},                          // (
    {8, 4, 2, 2, 2, 4, 8},                          // )
    {0, 4, 21, 14, 21, 4, 0},                       // *
    {0, 4, 4, 31, 4, 4, 0},                         // +
    {0, 0, 0, 0, 12, 4, 8},                         // ,
    {0, 0, 0, 31, 0, 0, 0},                         // -
    {0, 0, 0, 0, 0, 12, 12},                        // .
    {0, 1, 2, 4, 8, 16, 0},                         // /
    {14, 17, 19, 21, 25, 17, 14},                   // 0
    {4, 12, 4, 4, 4, 4, 14},                        // 1
    {14, 17, 1, 2, 4, 8, 31},                       // 2
    {31, 2, 4, 2, 1, 17, 14},                       // 3
    {2, 6, 10, 18, 31, 2, 2},                       // 4
    {31, 16, 30, 1, 1, 17, 14},                     // 5
    {6, 8, 16, 30, 17, 17, 14},                     // 6
    {31, 1, 2, 4, 8, 8, 8},                         // 7
    {14, 17, 17, 14, 17, 17, 14},                   // 8
    {14, 17, 17, 15, 1, 2, 12},                     // 9
    {0, 12, 12, 0, 12, 12, 0},                      // :
    {0, 12, 12, 0, 12, 4, 8},                       // ;
    {2, 4, 8, 16, 8, 4, 2},                         // <
    {0, 0, 31, 0, 31, 0, 0},                        // =
    {8, 4, 2, 1, 2, 4, 8},                          // >
    {14, 17, 1, 2, 4, 0, 4},                        // ?
    {14, 17, 1, 13, 21, 21, 14},                    // @
    {14, 17, 17, 17, 31, 17, 17},                   // A
    {30, 17, 17, 30, 17, 17, 30},                   // B
    {14, 17, 16, 16, 16, 17, 14},                   // C
    {28, 18, 17, 17, 17, 18, 28},                   // D
    {31, 16, 16, 30, 16, 16, 31},                   // E
    {31, 16, 16, 30, 16, 16, 16},                   // F
    {14, 17, 16, 23, 17, 17, 15},                   // G
    {17, 17, 17, 31, 17, 17, 17},                   // H
    {14, 4, 4, 4, 4, 4, 14},                        // I
    {7, 2, 2, 2, 2, 18, 12},                        // J
    {17, 18, 20, 24, 20, 18, 17},                   // K
    {16, 16, 16, 16, 16, 16, 31},                   // L
    {17, 27, 21, 21, 17, 17, 17},                   // M
    {17, 17, 25, 21, 19, 17, 17},                   // N
    {14, 17, 17, 17, 17, 17, 14},                   // O
    {30, 17, 17, 30, 16, 16, 16},                   // P
    {14, 17, 17, 17, 21, 18, 13},                   // Q
    {30, 17, 17, 30, 20, 18, 17},                   // R
    {15, 16, 16, 14, 1, 1, 30},                     // S
    {31, 4, 4, 4, 4, 4, 4},                         // T
    {17, 17, 17, 17, 17, 17, 14},                   // U
    {17, 17, 17, 17, 17, 10, 4},                    // V
    {17, 17, 17, 21, 21, 21, 10},                   // W
    {17, 17, 10, 4, 10, 17, 17},                    // X
    {17, 17, 17, 10, 4, 4, 4},                      // Y
    {31, 1, 2, 4, 8, 16, 31},                       // Z
    {14, 8, 8, 8, 8, 8, 14},                        // [
    {0, 16, 8, 4, 2, 1, 0},                         // backslash
    {14, 2, 2, 2, 2, 2, 14},                        // ]
    {4, 10, 17, 0, 0, 0, 0},                        // ^
    {0, 0, 0, 0, 0, 0, 31},                         // _
};

// 3 x 5 glyphs for the same codes, bit 2 the leftmost pixel; codes without one draw blank.
constexpr uint8_t kSmall[64][5] = {
    {0, 0, 0, 0, 0}, {2, 2, 2, 0, 2}, {5, 5, 0, 0, 0}, {5, 7, 5, 7, 5}, {3, 6, 2, 3, 6},
    {5, 1, 2, 4, 5}, {2, 5, 2, 5, 3}, {2, 2, 0, 0, 0}, {1, 2, 2, 2, 1}, {4, 2, 2, 2, 4},
    {0, 5, 2, 5, 0}, {0, 2, 7, 2, 0}, {0, 0, 0, 2, 4}, {0, 0, 7, 0, 0}, {0, 0, 0, 0, 2},
    {1, 1, 2, 4, 4},
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
    {0, 2, 0, 2, 0}, {0, 2, 0, 2, 4}, {1, 2, 4, 2, 1}, {0, 7, 0, 7, 0}, {4, 2, 1, 2, 4},
    {7, 1, 3, 0, 2}, {7, 5, 7, 4, 7},
    {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6}, {3, 4, 4, 4, 3}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7},
    {7, 4, 6, 4, 4}, {3, 4, 5, 5, 3}, {5, 5, 7, 5, 5}, {7, 2, 2, 2, 7}, {1, 1, 1, 5, 2},
    {5, 5, 6, 5, 5}, {4, 4, 4, 4, 7}, {5, 7, 7, 5, 5}, {6, 5, 5, 5, 5}, {2, 5, 5, 5, 2},
    {6, 5, 6, 4, 4}, {2, 5, 5, 6, 3}, {6, 5, 6, 5, 5}, {3, 4, 2, 1, 6}, {7, 2, 2, 2, 2},
    {5, 5, 5, 5, 7}, {5, 5, 5, 5, 2}, {5, 5, 7, 7, 5}, {5, 5, 2, 5, 5}, {5, 5, 2, 2, 2},
    {7, 1, 2, 4, 7}, {3, 2, 2, 2, 3}, {4, 4, 2, 1, 1}, {6, 2, 2, 2, 6}, {2, 5, 0, 0, 0},
    {0, 0, 0, 0, 7},
};

int GlyphIndex(char ch) {
  int c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') c -= 32;
  return c >= 32 && c < 96 ? c - 32 : 0;
}

}  // namespace

int LargeGlyphRow(char ch, int row) { return row >= 0 && row < 7 ? kLarge[GlyphIndex(ch)][row] : 0; }

int TextWidth(const std::string& text, Font font, int scaleX) {
  if (text.empty()) return 0;
  int cell = font == Font::Large ? 6 : 4;
  return (int(text.size()) * cell - 1) * scaleX;
}

void DrawText(Canvas& c, int x, int y, const std::string& text, uint32_t colour, Font font, int scaleX, int scaleY) {
  int cols = font == Font::Large ? 5 : 3, rows = font == Font::Large ? 7 : 5;
  for (char ch : text) {
    int g = GlyphIndex(ch);
    for (int r = 0; r < rows; r++) {
      int bits = font == Font::Large ? kLarge[g][r] : kSmall[g][r];
      for (int k = 0; k < cols; k++)
        if (bits & (1 << (cols - 1 - k))) c.FillRect(x + k * scaleX, y + r * scaleY, scaleX, scaleY, colour);
    }
    x += (cols + 1) * scaleX;
  }
}

int FitScale(const std::string& text, Font font, int w, int h) {
  int rows = font == Font::Large ? 7 : 5;
  int s = 0;
  while (TextWidth(text, font, s + 1) <= w && rows * (s + 1) <= h) s++;
  return s;
}

void DrawTextCentred(Canvas& c, int x, int y, int w, int h, const std::string& text, uint32_t colour) {
  Font font = Font::Large;
  int s = FitScale(text, font, w, h);
  if (s < 1) {
    font = Font::Small;
    s = std::max(1, FitScale(text, font, w, h));
  }
  int rows = font == Font::Large ? 7 : 5;
  DrawText(c, x + (w - TextWidth(text, font, s)) / 2, y + (h - rows * s) / 2, text, colour, font, s, s);
}

void DrawId(Canvas& c, int x, int y, int w, int h, int id) {
  std::string t = std::to_string(id);
  int tw = TextWidth(t, Font::Small, 1);
  int bx = x + w - tw - 2, by = y + h - 7;
  c.FillRect(bx - 1, by - 1, tw + 2, 7, 0x000000);
  DrawText(c, bx, by, t, 0xFFFFFF, Font::Small, 1, 1);
}

Bytes EncodePng(const Canvas& c) {
  PngSpec spec{c.width, c.height, 8, 2, false, {}, {}, c.rgb};
  return WritePng(spec);
}
