// The sprite font: the 14 x 14 cells of the codes 48-95 that the game sets text and numbers with,
// 11 pixels apart. Each character is a light body inside a dark rim, so that it reads on the dark
// play field and on the light grounds under the menus alike: there the cursor row's yellow needs
// the rim, and the other rows' dark grey is darker still. Bodies keep to the middle of the cell
// (letters columns 2-9, digits 2-7) so that words and numbers stay apart where the screens set
// them 11 pixels or a field apart, and a decimal point finds room between two digits.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tools/make-data/make_data.h"

namespace {

// A touch below white: the menus' other rows, drawn at a quarter of it, then come out dark enough
// to read on the lightest ground the title's menus get even without their rim.
constexpr uint32_t kBody = 0xE6E6E6;
constexpr uint32_t kRim = 0x141418;
constexpr int kCell = 14;

// The seven rows of a 5 x 7 pattern are 2, 1, 2, 2, 2, 1 and 2 pixels high: rows 1-12 of the cell,
// leaving the top and bottom row for the rim.
constexpr int kRowTop[7] = {1, 3, 4, 6, 8, 10, 11};
constexpr int kRowHeight[7] = {2, 1, 2, 2, 2, 1, 2};

struct Mask {
  bool on[kCell][kCell] = {};
  void Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < kCell && y < kCell) on[y][x] = true;
  }
  void Fill(int x, int y, int w, int h) {
    for (int j = y; j < y + h; j++)
      for (int i = x; i < x + w; i++) Set(i, j);
  }
};

// Rows of 'c' and '.' over the seven pattern rows; column k of the text is pixel column x0 + k.
void Pattern(Mask& m, int x0, const std::vector<std::string>& rows) {
  for (size_t r = 0; r < rows.size() && r < 7; r++)
    for (size_t k = 0; k < rows[r].size(); k++)
      if (rows[r][k] == '#') m.Fill(x0 + int(k), kRowTop[r], 1, kRowHeight[r]);
}

// Letters and signs from the 5 x 7 font: columns 2, 1, 2, 1 and 2 pixels wide from column 2.
void Letter(Mask& m, char ch) {
  constexpr int kColLeft[5] = {2, 4, 5, 7, 8}, kColWidth[5] = {2, 1, 2, 1, 2};
  for (int r = 0; r < 7; r++) {
    int bits = LargeGlyphRow(ch, r);
    for (int k = 0; k < 5; k++)
      if (bits & (1 << (4 - k))) m.Fill(kColLeft[k], kRowTop[r], kColWidth[k], kRowHeight[r]);
  }
}

// Digits are narrower than letters (columns 2-7): with two-pixel strokes they stay wide enough
// to read, and the gap after one holds a point.
const std::vector<std::string> kDigits[10] = {
    {".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."},
    {"..##..", ".###..", "..##..", "..##..", "..##..", "..##..", ".####."},
    {".####.", "##..##", "....##", "...##.", "..##..", ".##...", "######"},
    {".####.", "##..##", "....##", "..###.", "....##", "##..##", ".####."},
    {"...##.", "..###.", ".#.##.", "#..##.", "######", "...##.", "...##."},
    {"######", "##....", "#####.", "....##", "....##", "##..##", ".####."},
    {"..###.", ".##...", "##....", "#####.", "##..##", "##..##", ".####."},
    {"######", "....##", "...##.", "..##..", "..##..", "..##..", "..##.."},
    {".####.", "##..##", "##..##", ".####.", "##..##", "##..##", ".####."},
    {".####.", "##..##", "##..##", ".#####", "....##", "...##.", ".###.."},
};

// Letters whose middle strokes the 5 x 7 pattern crowds at this width, drawn on the 8-pixel grid.
struct Wide {
  char ch;
  std::vector<std::string> rows;
};
const Wide kWide[] = {
    {'G', {".######.", "##......", "##......", "##..####", "##....##", "##....##", ".######."}},
    {'N', {"##....##", "###...##", "####..##", "##.##.##", "##..####", "##...###", "##....##"}},
};

// Letters drawn pixel by pixel (rows 1-12, columns 2-9). M's V (W's, upside down) keeps a pixel of
// ground beside its strokes down to the middle, where the 5 x 7 form's strokes run together at
// this size into H's bar. V narrows from the middle, not only at its foot, so that it is no U, and
// Q's tail stands out below the bowl instead of filling it.
const Wide kPixels[] = {
    {'M', {"##....##", "###..###", "###..###", "##.##.##", "##.##.##", "##.##.##", "##.##.##", "##....##",
           "##....##", "##....##", "##....##", "##....##"}},
    {'W', {"##....##", "##....##", "##....##", "##....##", "##....##", "##.##.##", "##.##.##", "##.##.##",
           "##.##.##", "###..###", "###..###", "##....##"}},
    {'V', {"##....##", "##....##", "##....##", "##....##", ".##..##.", ".##..##.", ".##..##.", "..####..",
           "..####..", "..####..", "...##...", "...##..."}},
    {'Q', {"..####..", "..####..", "##....##", "##....##", "##....##", "##....##", "##....##", "##....##",
           "..####..", "..####..", ".....##.", "......##"}},
};

// Fills a polygon given in cell pixels, by pixel centres.
void Polygon(Mask& m, const std::vector<std::pair<double, double>>& p) {
  for (int j = 0; j < kCell; j++)
    for (int i = 0; i < kCell; i++) {
      double x = i + 0.5, y = j + 0.5;
      bool in = false;
      for (size_t a = 0, b = p.size() - 1; a < p.size(); b = a++)
        if ((p[a].second > y) != (p[b].second > y) &&
            x < (p[b].first - p[a].first) * (y - p[a].second) / (p[b].second - p[a].second) + p[a].first)
          in = !in;
      if (in) m.Set(i, j);
    }
}

// The body and, beside, above and below it, the rim, except in gaps of up to four pixels between
// parts of the body (a letter's inside between two stems): those keep the ground, so that where
// the whole glyph is drawn dark its inside still shows (the V of an M, the holes of a B or a 0)
// instead of closing into a block. Pixels touching the body only at a corner keep the ground too:
// a rim there would fill each step of a diagonal stroke.
void Stamp(Canvas& c, int x, int y, const Mask& m) {
  constexpr int kOpenGap = 4;
  auto on = [&m](int i, int j) { return i >= 0 && j >= 0 && i < kCell && j < kCell && m.on[j][i]; };
  auto bodyWithin = [&on](int i, int j, int dx, int dy) {
    for (int d = 1; d <= kOpenGap; d++)
      if (on(i + d * dx, j + d * dy)) return true;
    return false;
  };
  for (int j = 0; j < kCell; j++)
    for (int i = 0; i < kCell; i++) {
      if (on(i, j)) {
        c.Put(x + i, y + j, kBody);
        continue;
      }
      const bool near = on(i - 1, j) || on(i + 1, j) || on(i, j - 1) || on(i, j + 1);
      const bool inside = (bodyWithin(i, j, -1, 0) && bodyWithin(i, j, 1, 0)) ||
                          (bodyWithin(i, j, 0, -1) && bodyWithin(i, j, 0, 1));
      if (near && !inside) c.Put(x + i, y + j, kRim);
    }
}

}  // namespace

void PaintGlyphCell(Canvas& c, int code, int x, int y) {
  Mask m;
  switch (code) {
    case '>':   // the percent sign after the slowdown figures
      Letter(m, '%');
      break;
    case ':':   // the clocks' colon, centred between the digits on either side
      m.Fill(2, 3, 2, 2);
      m.Fill(2, 9, 2, 2);
      break;
    case '^':   // left arrow
      Polygon(m, {{1, 6.5}, {6, 1.5}, {6, 4.5}, {9.5, 4.5}, {9.5, 8.5}, {6, 8.5}, {6, 11.5}});
      break;
    case '_':   // right arrow
      Polygon(m, {{9.5, 6.5}, {4.5, 1.5}, {4.5, 4.5}, {1, 4.5}, {1, 8.5}, {4.5, 8.5}, {4.5, 11.5}});
      break;
    case 'I':   // a five-pixel advance: a bar in columns 1-2
      m.Fill(1, 1, 2, 12);
      break;
    default:
      if (code >= '0' && code <= '9') {
        Pattern(m, 2, kDigits[code - '0']);
        break;
      }
      auto drawn = [code](const Wide& w) { return w.ch == code; };
      if (const Wide* w = std::find_if(std::begin(kWide), std::end(kWide), drawn); w != std::end(kWide)) {
        Pattern(m, 2, w->rows);
      } else if (w = std::find_if(std::begin(kPixels), std::end(kPixels), drawn); w != std::end(kPixels)) {
        for (int r = 0; r < 12; r++)
          for (int k = 0; k < 8; k++)
            if (w->rows[size_t(r)][size_t(k)] == '#') m.Set(2 + k, 1 + r);
      } else {
        Letter(m, char(code));
      }
  }
  Stamp(c, x, y, m);
}

// The point between a figure's whole and hundredths (an 8 x 16 cut: 6 x 14 drawn). The lists set
// it 9 pixels after the digit before it, 2 before the next (REPLAY MODE, SCORE BOARD); the results
// centre it on the first hundredths digit's left edge, which puts its left edge 11 pixels after
// the last whole digit. A dot in columns 1-2 clears both digits' bodies in either, and rows 11-12
// put it on the digits' baseline.
void PaintDecimalPoint(Canvas& c, int x, int y) {
  c.FillRect(x, y + 10, 4, 4, kRim);
  c.FillRect(x + 1, y + 11, 2, 2, kBody);
}
