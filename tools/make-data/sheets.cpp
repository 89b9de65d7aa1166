// The ten sprite sheets, painted from the sprite layout: every cut row gets its picture, the
// loader's own cells (default spark, glyphs, bullet grid) get theirs, and the rest stays pure
// green. Shapes have hard edges: no pixel is blended towards the transparent colour.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "game/framework/sprite_layout.h"
#include "tools/make-data/make_data.h"

namespace {

struct Pt {
  double x, y;
};

bool InsidePolygon(const std::vector<Pt>& p, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) in = !in;
  }
  return in;
}

// Fills the polygon (coordinates relative to the rectangle) within the rectangle.
void FillPolygon(Canvas& c, int x, int y, int w, int h, const std::vector<Pt>& p, uint32_t colour) {
  for (int j = 0; j < h; j++)
    for (int i = 0; i < w; i++)
      if (InsidePolygon(p, i + 0.5, j + 0.5)) c.Put(x + i, y + j, colour);
}

std::vector<Pt> Scaled(const std::vector<Pt>& unit, double cx, double cy, double rx, double ry, double turn = 0) {
  std::vector<Pt> out;
  double cs = std::cos(turn), sn = std::sin(turn);
  for (const Pt& p : unit) out.push_back({cx + (p.x * cs - p.y * sn) * rx, cy + (p.x * sn + p.y * cs) * ry});
  return out;
}

std::vector<Pt> RegularPolygon(int n, double start, double inner = 0) {
  std::vector<Pt> out;
  int k = inner > 0 ? 2 * n : n;
  for (int i = 0; i < k; i++) {
    double a = start + 2 * M_PI * i / k;
    double r = inner > 0 && (i & 1) ? inner : 1.0;
    out.push_back({std::cos(a) * r, std::sin(a) * r});
  }
  return out;
}

// A shape filling the rectangle (inset by m), in colour with a dark outline.
std::vector<Pt> ShapeOutline(int shape, double w, double h, double m) {
  double cx = w / 2, cy = h / 2, rx = w / 2 - m, ry = h / 2 - m;
  switch (shape) {
    case kShapeDiamond: return Scaled({{1, 0}, {0, 1}, {-1, 0}, {0, -1}}, cx, cy, rx, ry);
    case kShapeBox: return Scaled({{1, 1}, {-1, 1}, {-1, -1}, {1, -1}}, cx, cy, rx, ry);
    case kShapeTriangle: return Scaled({{1, 0}, {-1, 1}, {-0.6, 0}, {-1, -1}}, cx, cy, rx, ry);
    case kShapeStar: return Scaled(RegularPolygon(5, -M_PI / 2, 0.45), cx, cy, rx, ry);
    case kShapeCross:
      return Scaled({{0.3, 1}, {-0.3, 1}, {-0.3, 0.3}, {-1, 0.3}, {-1, -0.3}, {-0.3, -0.3}, {-0.3, -1}, {0.3, -1},
                     {0.3, -0.3}, {1, -0.3}, {1, 0.3}, {0.3, 0.3}},
                    cx, cy, rx, ry);
    case kShapeHexagon: return Scaled(RegularPolygon(6, 0), cx, cy, rx, ry);
    case kShapeGear: return Scaled(RegularPolygon(8, 0, 0.72), cx, cy, rx, ry);
    case kShapeShard: return Scaled({{1, -0.2}, {0.1, 1}, {-1, 0.4}, {-0.3, -1}}, cx, cy, rx, ry);
    default: return {};
  }
}

bool InsideShape(int shape, const std::vector<Pt>& poly, double w, double h, double m, double x, double y) {
  double cx = w / 2, cy = h / 2, rx = w / 2 - m, ry = h / 2 - m;
  if (rx <= 0 || ry <= 0) return false;
  double dx = (x - cx) / rx, dy = (y - cy) / ry;
  switch (shape) {
    case kShapeCircle: return dx * dx + dy * dy <= 1.0;
    case kShapeRing: {
      double d = dx * dx + dy * dy;
      return d <= 1.0 && d >= 0.45;
    }
    case kShapeCapsule: {
      // A rounded bar: half circles of the bar's height at both ends.
      double r = ry, ax = std::max(0.0, rx - r);
      double px = std::max(0.0, std::fabs(x - cx) - ax), py = y - cy;
      return px * px + py * py <= r * r;
    }
    case kShapeHeart: {
      double u = dx * 1.2, v = -dy * 1.2 + 0.25;
      double a = u * u + v * v - 1;
      return a * a * a - u * u * v * v * v <= 0;
    }
    default: return InsidePolygon(poly, x, y);
  }
}

void PaintShape(Canvas& c, int x, int y, int w, int h, int shape, uint32_t colour, int frame, int frames) {
  std::vector<Pt> outer = ShapeOutline(shape, w, h, 0), inner = ShapeOutline(shape, w, h, 1.5);
  uint32_t edge = Shade(colour, 110), body = AvoidKey(colour), light = Tint(colour, 140);
  for (int j = 0; j < h; j++)
    for (int i = 0; i < w; i++) {
      double px = i + 0.5, py = j + 0.5;
      if (!InsideShape(shape, outer, w, h, 0, px, py)) continue;
      bool core = InsideShape(shape, inner, w, h, 1.5, px, py);
      bool shine = core && py < h * 0.42 && px < w * 0.55 && InsideShape(shape, inner, w, h, 3.5, px + 2, py + 2);
      c.Put(x + i, y + j, !core ? edge : shine ? light : body);
    }
  // Frames of a chain carry a marker that goes round, so that each step shows.
  if (frames > 1) {
    double a = 2 * M_PI * frame / frames - M_PI / 2;
    double r = std::min(w, h) * 0.28;
    int mx = int(w / 2.0 + std::cos(a) * r), my = int(h / 2.0 + std::sin(a) * r);
    int ms = std::max(2, std::min(w, h) / 6);
    c.FillRect(x + mx - ms / 2, y + my - ms / 2, ms, ms, frame % 2 ? 0xFFFFFF : 0x202020);
  }
}

// Glows are drawn additively: bright centres, dark rims, no transparent holes inside.
void PaintGlow(Canvas& c, int x, int y, int w, int h, int shape, uint32_t colour) {
  double cx = w / 2.0, cy = h / 2.0, rx = w / 2.0, ry = h / 2.0;
  for (int j = 0; j < h; j++)
    for (int i = 0; i < w; i++) {
      double dx = (i + 0.5 - cx) / rx, dy = (j + 0.5 - cy) / ry;
      double d = std::sqrt(dx * dx + dy * dy);
      double a = std::atan2(dy, dx);
      double v = -1;
      switch (shape) {
        case kShapeRing:
          if (d <= 1 && d >= 0.55) v = 1 - std::fabs(d - 0.8) * 4;
          if (d <= 1 && d >= 0.55 && std::fabs(a) < 0.25) v = 1.0;   // a notch shows the turning
          break;
        case kShapeHexagon: {
          double k = std::cos(M_PI / 6) / std::cos(std::fmod(std::fabs(a), M_PI / 3) - M_PI / 6);
          double e = d / k;
          if (e <= 1 && e >= 0.7) v = 1 - std::fabs(e - 0.85) * 5;
          break;
        }
        case kShapeStar: {
          double arm = std::min(std::fabs(dx), std::fabs(dy));
          if (d <= 1 && (arm < 0.12 * (1 - d) + 0.02 || d < 0.3)) v = 1 - d;
          break;
        }
        case kShapeGear: {
          bool ring = (d <= 1 && d >= 0.92) || (d <= 0.66 && d >= 0.6);
          bool spoke = d <= 0.92 && d >= 0.3 && std::fabs(std::fmod(a + 2 * M_PI, M_PI / 4) - M_PI / 8) < 0.05;
          if (ring || spoke) v = 0.9;
          break;
        }
        default:
          if (d <= 1) v = 1 - d;
      }
      if (v < 0) continue;
      int level = 64 + int(std::floor(std::max(0.0, std::min(1.0, v)) * 4)) * 48;   // four hard steps
      c.Put(x + i, y + j, Shade(colour, std::min(256, level)));
    }
}

void PaintBeam(Canvas& c, int x, int y, int w, int h, uint32_t colour) {
  for (int j = 0; j < h; j++) {
    double d = std::fabs((j + 0.5) - h / 2.0) / (h / 2.0);
    uint32_t v = d < 0.34 ? Tint(colour, 200) : d < 0.67 ? AvoidKey(colour) : Shade(colour, 120);
    c.FillRect(x, y + j, w, 1, v);
  }
}

std::string Item(const char* text, int frame) {
  std::string all = text ? text : "";
  size_t start = 0;
  for (int k = 0; k < frame; k++) {
    size_t bar = all.find('|', start);
    if (bar == std::string::npos) return all.find('|') == std::string::npos ? all : "";
    start = bar + 1;
  }
  size_t end = all.find('|', start);
  return all.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void PaintCaption(Canvas& c, int x, int y, int w, int h, const std::string& text, uint32_t colour) {
  c.FillRect(x, y, w, h, Shade(colour, 48));
  c.FrameRect(x, y, w, h, Shade(colour, 160));
  if (!text.empty()) DrawTextCentred(c, x + 1, y + 1, w - 2, h - 2, text, AvoidKey(colour));
}

// Large characters without a plate, each with a dark rim so that they read over anything.
void PaintFigure(Canvas& c, int x, int y, int w, int h, const std::string& text, uint32_t colour) {
  int sx = 1, sy = 1;
  while (TextWidth(text, Font::Large, sx + 1) <= w - 2) sx++;
  while (7 * (sy + 1) <= h - 2) sy++;
  if (TextWidth(text, Font::Large, 1) > w - 2) {
    DrawTextCentred(c, x, y, w, h, text, colour);
    return;
  }
  int tx = x + (w - TextWidth(text, Font::Large, sx)) / 2, ty = y + (h - 7 * sy) / 2;
  for (int dy = -1; dy <= 1; dy++)
    for (int dx = -1; dx <= 1; dx++)
      if (dx || dy) DrawText(c, tx + dx, ty + dy, text, 0x101010, Font::Large, sx, sy);
  DrawText(c, tx, ty, text, AvoidKey(colour), Font::Large, sx, sy);
}

void PaintArrow(Canvas& c, int x, int y, int w, int h, double degrees, uint32_t colour) {
  std::vector<Pt> unit = {{1, 0}, {0.1, 0.75}, {0.1, 0.3}, {-0.9, 0.3}, {-0.9, -0.3}, {0.1, -0.3}, {0.1, -0.75}};
  double a = degrees * M_PI / 180;
  FillPolygon(c, x, y, w, h, Scaled(unit, w / 2.0, h / 2.0, w / 2.0 - 1, h / 2.0 - 1, a), Shade(colour, 110));
  FillPolygon(c, x, y, w, h, Scaled(unit, w / 2.0, h / 2.0, w / 2.0 - 4, h / 2.0 - 4, a), AvoidKey(colour));
}

// A screen picture drawn upright into a canvas of its own.
// The text lines fill the picture's width, or only the left textWidth pixels of it.
Canvas PictureImage(int w, int h, uint32_t colour, const std::string& text, int textWidth = 0) {
  const int tw0 = textWidth > 0 && textWidth < w ? textWidth : w;
  Canvas p(w, h, 0);
  for (int j = 0; j < h; j++) p.FillRect(0, j, w, 1, Shade(colour, 60 + (j * 8 / h) * 24));
  for (int k = -h; k < w; k += 24)   // diagonal stripes
    for (int j = 0; j < h; j++) p.FillRect(k + j, j, 6, 1, Shade(colour, 60 + ((j * 8 / h) * 24) + 30));
  p.FrameRect(0, 0, w, h, Tint(colour, 160));
  p.FrameRect(3, 3, w - 6, h - 6, Tint(colour, 100));
  std::vector<std::string> lines;
  size_t s = 0;
  while (s <= text.size()) {
    size_t e = text.find('\n', s);
    lines.push_back(text.substr(s, e == std::string::npos ? std::string::npos : e - s));
    if (e == std::string::npos) break;
    s = e + 1;
  }
  if (text.empty()) lines.clear();
  int n = int(lines.size());
  int y0 = 10;
  for (int i = 0; i < n; i++) {
    int bandH = i == 0 ? (h - 20) * 3 / 5 : (h - 20) * 2 / 5 / std::max(1, n - 1);
    if (n == 1) bandH = h - 20;
    std::string& t = lines[size_t(i)];
    int sc = std::max(1, FitScale(t, Font::Large, tw0 - 24, bandH));
    int tw = TextWidth(t, Font::Large, sc);
    uint32_t col = i == 0 ? 0xFFF0C0 : 0xC0E0FF;
    int tx = (tw0 - tw) / 2, ty = y0 + (bandH - 7 * sc) / 2;
    DrawText(p, tx + sc / 2 + 1, ty + sc / 2 + 1, t, 0x101010, Font::Large, sc, sc);
    DrawText(p, tx, ty, t, col, Font::Large, sc, sc);
    y0 += bandH;
  }
  return p;
}

void Blit(Canvas& dst, int x, int y, const Canvas& src) {
  for (int j = 0; j < src.height; j++)
    for (int i = 0; i < src.width; i++) dst.Put(x + i, y + j, AvoidKey(src.Get(i, j)));
}

// Background pieces; tiles repeat seamlessly in the direction they are laid.
void PaintScenery(Canvas& c, int x, int y, int w, int h, int kind, uint32_t colour) {
  uint32_t dark = Shade(colour, 150), light = Tint(colour, 60);
  switch (kind) {
    case kSceneryHills:
    case kSceneryRidge: {
      double period = w, amp = kind == kSceneryHills ? h * 0.25 : h * 0.3;
      for (int i = 0; i < w; i++) {
        double t = 2 * M_PI * i / period;
        int top = int(h * 0.45 + amp * (kind == kSceneryHills ? std::sin(t) * 0.7 + std::sin(3 * t) * 0.3
                                                               : std::fabs(std::sin(t * 1.0)) - 0.5));
        for (int j = std::max(0, top); j < h; j++) c.Put(x + i, y + j, ((j - top) / 6) % 2 ? colour : dark);
        if (top >= 0 && top < h) c.Put(x + i, y + top, light);
      }
      break;
    }
    case kSceneryTower: {
      c.FillRect(x + w / 4, y, w / 2, h, dark);
      c.FillRect(x + w / 8, y + h / 3, w * 3 / 4, h / 4, colour);
      c.FillRect(x, y + h * 5 / 12, w, h / 12, light);
      for (int j = 16; j < h - 16; j += 24)
        for (int i = w / 4 + 12; i < w * 3 / 4 - 12; i += 20) c.FillRect(x + i, y + j, 8, 8, 0xFFE080);
      break;
    }
    case kSceneryPlanet:   // deep in tone, without a shine: the phase tally's yellow figures pass over it
      for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
          double dx = (i + 0.5 - w / 2.0) / (w / 2.0), dy = (j + 0.5 - h / 2.0) / (h / 2.0), d = dx * dx + dy * dy;
          if (d <= 1) c.Put(x + i, y + j, Shade(colour, d > 0.94 ? 70 : 120));
        }
      for (int j = h / 5; j < h * 4 / 5; j += h / 8)
        for (int i = 0; i < w; i++)
          if (c.Get(x + i, y + j) != kKey) c.FillRect(x + i, y + j, 1, h / 20, Shade(colour, 80));
      break;
    case kSceneryColumns:
      c.FillRect(x, y, w, h, Shade(colour, 70));
      c.FillRect(x + w / 4, y, w / 2, h, colour);
      c.FillRect(x + w / 4, y, 4, h, light);
      for (int j = 0; j < h; j += 32) c.FillRect(x, y + j, w, 4, dark);
      break;
    default:   // panel
      c.FillRect(x, y, w, h, colour);
      c.FrameRect(x + 4, y + 4, w - 8, h - 8, light);
      c.FrameRect(x + 12, y + 12, w - 24, h - 24, dark);
      break;
  }
}

void PaintSpare(Canvas& c, int x, int y, int w, int h, int id) {
  c.FillRect(x, y, w, h, 0x505050);
  c.FrameRect(x, y, w, h, 0x909090);
  if (w >= 24 && h >= 24) {
    std::string t = std::to_string(id);
    int s = std::max(1, FitScale(t, Font::Small, w - 6, h / 2));
    DrawText(c, x + (w - TextWidth(t, Font::Small, s)) / 2, y + (h - 5 * s) / 2, t, 0xB0B0B0, Font::Small, s, s);
  }
}

void PaintRow(Canvas& c, const SpriteCutRow& cut, const SpriteArtRow& art) {
  bool exact = cut.index & kSpriteCutExact;
  int x = cut.x, y = cut.y, w = cut.width, h = cut.height;
  if (!exact) {
    c.FrameRect(x, y, w, h, kLoud);   // shows when a sprite is cut without its inset
    x++, y++, w -= 2, h -= 2;
  }
  if (w <= 0 || h <= 0) return;
  const int id = art.index;
  switch (art.art) {
    case SpriteArt::Empty: return;
    case SpriteArt::Caption: PaintCaption(c, x, y, w, h, Item(art.text, art.frame), art.colour); return;
    case SpriteArt::Solid: c.FillRect(x, y, w, h, AvoidKey(art.colour)); return;
    case SpriteArt::Shape: PaintShape(c, x, y, w, h, art.param, art.colour, art.frame, art.frames); break;
    case SpriteArt::Arrow: PaintArrow(c, x, y, w, h, 15.0 * (art.frame + 1), art.colour); break;
    case SpriteArt::Figure: PaintFigure(c, x, y, w, h, Item(art.text, art.frame), art.colour); return;
    case SpriteArt::Glow: PaintGlow(c, x, y, w, h, art.param, art.colour); break;
    case SpriteArt::Beam: PaintBeam(c, x, y, w, h, art.colour); return;
    case SpriteArt::Picture:
      Blit(c, x, y, PictureImage(w, h, art.colour, art.text, art.param == kPictureTextLeft ? w / 2 : 0));
      return;
    case SpriteArt::Screen: PaintScreenArt(c, id, x, y, w, h); return;
    case SpriteArt::Scenery: PaintScenery(c, x, y, w, h, art.param, art.colour); return;
    case SpriteArt::Spare: PaintSpare(c, x, y, w, h, id); return;
    case SpriteArt::Point: PaintDecimalPoint(c, x, y); return;
  }
  if (w >= 24 && h >= 24) DrawId(c, x, y, w, h, id);
}

// Two glyph cells are icons; the others are the sprite font's characters.
void PaintGlyph(Canvas& c, int code, int x, int y) {
  if (code == '<') {   // a life: a small ship (GAME CONFIG sets one per life, 12 pixels apart)
    PaintShape(c, x + 1, y + 1, 10, 12, kShapeTriangle, 0xFF90C0, 0, 1);
  } else if (code == '=') {   // a marker on the preview panel
    PaintShape(c, x + 1, y + 2, 9, 10, kShapeDiamond, 0xFFE060, 0, 1);
  } else {
    PaintGlyphCell(c, code, x, y);
  }
}

// Enemy bullets: type t of the normal set (rows 0-7) or the alternate set (rows 8-15), four
// frames that pulse. Types 16 and up are drawn turned to their heading, so they are long.
void PaintBullet(Canvas& c, int x, int y, int type, bool alternate, int frame) {
  static const uint32_t kHues[8] = {0xFF4040, 0xFF9030, 0xFFE040, 0x90FF40, 0x40E0FF, 0x4070FF, 0xB060FF, 0xFF60C0};
  uint32_t hue = kHues[type % 8];
  uint32_t rim = alternate ? hue : Shade(hue, 130);
  uint32_t fill = alternate ? 0xF8F8F8 : hue;
  int family = type / 8;
  int pulse = frame == 1 || frame == 3 ? 1 : frame == 2 ? 2 : 0;
  int s = 30;
  if (family == 0 || family == 1) {
    int d = (family == 0 ? 16 : 24) + 2 * pulse;
    int o = (s - d) / 2;
    PaintShape(c, x + o, y + o, d, d, kShapeCircle, rim, 0, 1);
    int k = d / 2;
    PaintShape(c, x + o + (d - k) / 2, y + o + (d - k) / 2, k, k, kShapeCircle, alternate ? hue : Tint(fill, 150), 0, 1);
  } else {
    int len = (family == 2 ? 24 : 28) + pulse, thick = (family == 2 ? 10 : 8) + pulse;
    PaintShape(c, x + (s - len) / 2, y + (s - thick) / 2, len, thick, family == 2 ? kShapeCapsule : kShapeTriangle,
               rim, 0, 1);
    c.FillRect(x + s / 2 - 2, y + s / 2 - 1, 6, 2, fill);
  }
}

}  // namespace

std::vector<Canvas> PaintSheets() {
  std::vector<Canvas> sheets;
  for (int s = 0; s < kSpriteSheetCount; s++) sheets.emplace_back(kSpriteSheetSize, kSpriteSheetSize, kKey);
  Canvas& one = sheets[1];
  // The default of every uncut id: a small plain spark.
  FillPolygon(one, kSpriteDefaultX, kSpriteDefaultY, 8, 8, {{4, 0}, {5, 3}, {8, 4}, {5, 5}, {4, 8}, {3, 5}, {0, 4}, {3, 3}},
              0xFFF0A0);
  for (int r = 0; r < kGlyphRows; r++)
    for (int col = 0; col < kGlyphColumns; col++)
      PaintGlyph(one, kGlyphFirstCode + 16 * r + col, GlyphCellX(col), GlyphCellY(r));
  for (int r = 0; r < kBulletGridSize; r++)
    for (int col = 0; col < kBulletGridSize; col++)
      PaintBullet(one, BulletCellX(col), BulletCellY(r), (4 * r + col / 4) % 32, r >= 8, col % 4);
  for (int i = 0; i < kSpriteCutRows; i++) PaintRow(sheets[size_t(SpriteCutTable[i].sheet)], SpriteCutTable[i], SpriteArtTable[i]);
  return sheets;
}

Canvas PaintPreview(const Canvas& sheet, int sheetNumber) {
  Canvas p = sheet;
  auto label = [&](int x, int y, int id) {
    std::string t = std::to_string(id);
    p.FillRect(x, y, TextWidth(t, Font::Small, 1) + 2, 7, 0x000000);
    DrawText(p, x + 1, y + 1, t, 0xFFFFFF, Font::Small, 1, 1);
  };
  if (sheetNumber == 1) {
    for (int r = 0; r < kGlyphRows; r++)
      for (int col = 0; col < kGlyphColumns; col++)
        p.FrameRect(GlyphCellX(col) - 1, GlyphCellY(r) - 1, kGlyphSize + 2, kGlyphSize + 2, 0x00FFFF);
    for (int r = 0; r < kBulletGridSize; r++)
      for (int col = 0; col < kBulletGridSize; col++) {
        p.FrameRect(BulletCellX(col) - 1, BulletCellY(r) - 1, 32, 32, 0x00FFFF);
        if (col % 4 == 0) label(BulletCellX(col), BulletCellY(r), kBulletGridFirstSprite + 16 * r + col);
      }
  }
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteCutRow& r = SpriteCutTable[i];
    if (r.sheet != sheetNumber) continue;
    p.FrameRect(r.x, r.y, r.width, r.height, r.index & kSpriteCutExact ? 0xFFFF00 : 0xFF0000);
    label(r.x, r.y, r.index & kSpriteCutIndexMask);
  }
  return p;
}
