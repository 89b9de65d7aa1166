// The pictures that whole screens are made of, painted for where the game draws them: the loading
// picture, the opening and the title (one framed plate in the same place, so that the crossfades
// between them only change its lines), the light ground under the title's menus, the side sign,
// and the character portraits, drawn as outlines and kept out of the menu windows that open over
// them. These ids are painted here rather than from their layout rows.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/make-data/make_data.h"

namespace {

constexpr uint32_t kRim = 0x141418;
constexpr uint32_t kNavy = 0x1C2C6C;

struct Pt {
  double x, y;
};

// A set of pixels of a w x h picture.
struct Plane {
  int w, h;
  std::vector<uint8_t> on;
  Plane(int width, int height) : w(width), h(height), on(size_t(width) * size_t(height)) {}
  bool At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && on[size_t(y) * size_t(w) + size_t(x)]; }
  void Set(int x, int y, bool v = true) {
    if (x >= 0 && y >= 0 && x < w && y < h) on[size_t(y) * size_t(w) + size_t(x)] = v;
  }
  void Ellipse(double cx, double cy, double rx, double ry, bool v = true) {
    for (int j = 0; j < h; j++)
      for (int i = 0; i < w; i++) {
        double dx = (i + 0.5 - cx) / rx, dy = (j + 0.5 - cy) / ry;
        if (dx * dx + dy * dy <= 1) Set(i, j, v);
      }
  }
  void Polygon(const std::vector<Pt>& p, bool v = true) {
    for (int j = 0; j < h; j++)
      for (int i = 0; i < w; i++) {
        double x = i + 0.5, y = j + 0.5;
        bool in = false;
        for (size_t a = 0, b = p.size() - 1; a < p.size(); b = a++)
          if ((p[a].y > y) != (p[b].y > y) && x < (p[b].x - p[a].x) * (y - p[a].y) / (p[b].y - p[a].y) + p[a].x) in = !in;
        if (in) Set(i, j, v);
      }
  }
  void Rect(int x, int y, int rw, int rh, bool v = true) {
    for (int j = y; j < y + rh; j++)
      for (int i = x; i < x + rw; i++) Set(i, j, v);
  }
  // A line of the given width between two points.
  void Line(Pt a, Pt b, double width) {
    double dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) return;
    double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    Polygon({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
  }
  void Add(const Plane& o) {
    for (size_t i = 0; i < on.size(); i++) on[i] |= o.on[i];
  }
};

// The band of a filled shape within `width` pixels of its outside; the picture's own border does
// not count as outside, so shapes cut off by it stay open there.
Plane Edge(const Plane& filled, int width) {
  Plane out(filled.w, filled.h);
  for (int j = 0; j < filled.h; j++)
    for (int i = 0; i < filled.w; i++) {
      if (!filled.At(i, j)) continue;
      bool edge = false;
      for (int dy = -width; dy <= width && !edge; dy++)
        for (int dx = -width; dx <= width && !edge; dx++) {
          int u = i + dx, v = j + dy;
          edge = u >= 0 && v >= 0 && u < filled.w && v < filled.h && !filled.At(u, v);
        }
      out.Set(i, j, edge);
    }
  return out;
}

// The plane's pixels in the colour, the pixels around them in the dark rim; the rest untouched.
void Ink(Canvas& c, int x, int y, const Plane& p, uint32_t colour) {
  for (int j = 0; j < p.h; j++)
    for (int i = 0; i < p.w; i++) {
      if (p.At(i, j)) {
        c.Put(x + i, y + j, AvoidKey(colour));
        continue;
      }
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; dy++)
        for (int dx = -1; dx <= 1 && !near; dx++) near = p.At(i + dx, j + dy);
      if (near) c.Put(x + i, y + j, kRim);
    }
}

// Text in the 5 x 7 font with a dark rim, `advance` pixels a character.
void RimmedText(Canvas& c, int x, int y, const std::string& text, uint32_t colour, int scale, int advance) {
  Plane p(int(text.size()) * advance + 2, 7 * scale + 2);
  for (size_t k = 0; k < text.size(); k++)
    for (int r = 0; r < 7; r++)
      for (int b = 0; b < 5; b++)
        if (LargeGlyphRow(text[k], r) & (1 << (4 - b))) p.Rect(1 + int(k) * advance + b * scale, 1 + r * scale, scale, scale);
  Ink(c, x - 1, y - 1, p, colour);
}

int RimmedWidth(const std::string& text, int scale) { return TextWidth(text, Font::Large, scale); }

// The framed plate of the loading picture, the opening and the title: a pale panel, a navy frame,
// the name large and further lines below it.
struct PlateLine {
  std::string text;
  int scale, y;
  uint32_t colour;
};
// The lines are centred on column `centre`.
Canvas Plate(int w, int h, int centre, const std::vector<PlateLine>& lines) {
  Canvas p(w, h, 0xFFFFFF);
  for (int j = 0; j < h; j++) p.FillRect(0, j, w, 1, Tint(0xC8D8F4, 128 + j * 96 / h));
  for (int k = -h; k < w; k += 32)   // faint diagonal stripes
    for (int j = 0; j < h; j++) p.FillRect(k + j, j, 10, 1, Tint(p.Get(std::max(0, k + j), j), 100));
  p.FrameRect(0, 0, w, h, kNavy);
  p.FrameRect(1, 1, w - 2, h - 2, kNavy);
  p.FrameRect(2, 2, w - 4, h - 4, kNavy);
  p.FrameRect(6, 6, w - 12, h - 12, 0x8090C0);
  for (const PlateLine& l : lines) {
    int x = centre - RimmedWidth(l.text, l.scale) / 2;
    DrawText(p, x + std::max(1, l.scale / 2), l.y + std::max(1, l.scale / 2), l.text, 0xA0B0D0, Font::Large, l.scale,
             l.scale);   // a soft shadow
    DrawText(p, x, l.y, l.text, l.colour, Font::Large, l.scale, l.scale);
  }
  return p;
}

void Blit(Canvas& dst, int x, int y, const Canvas& src) {
  for (int j = 0; j < src.height; j++)
    for (int i = 0; i < src.width; i++) dst.Put(x + i, y + j, AvoidKey(src.Get(i, j)));
}

// The title sets its plate centred at (320, 240), the opening centred at (328, 240): the opening's
// is made 8 pixels narrower on the right, so that both frames end at x 576 and the names, centred
// on x 320, lie on each other while one crossfades into the other. The loading picture has the
// opening's plate in the same place.
constexpr int kPlateH = 256, kOpeningPlateW = 504;
const PlateLine kName{"VELMARONDIX", 6, 36, kNavy};

Canvas OpeningPlate(const std::vector<PlateLine>& lines) { return Plate(kOpeningPlateW, kPlateH, 248, lines); }

// The ground under the title's menus (drawn there darkened to at most 159, 191, 223), and the
// backdrop of the results (drawn nearly black): light all over, so that the menus' dim rows read
// on it, with a faint pattern and the name faint at the bottom.
void PaintMenuGround(Canvas& c, int x, int y, int w, int h) {
  c.FillRect(x, y, w, h, 0xFCFCFF);
  for (int k = -h; k < w; k += 48)
    for (int j = 0; j < h; j++) c.FillRect(x + std::max(0, k + j), y + j, std::max(0, std::min(16, k + j + 16)), 1, 0xF2F5FC);
  const std::string name = "VELMARONDIX";
  int s = 5, tw = TextWidth(name, Font::Large, s);
  DrawText(c, x + w - tw - 24, y + h - 7 * s - 24, name, 0xEAEEF8, Font::Large, s, s);
}

// The lattice drawn faintly over that ground: lines along two edges, so that the tiles make a grid.
void PaintLatticeTile(Canvas& c, int x, int y, int w, int h) {
  c.FillRect(x, y, w, h, kKey);
  c.FillRect(x, y, w, 1, 0xFFFFFF);
  c.FillRect(x, y, 1, h, 0xFFFFFF);
}

// The side sign of the title, which the attract demo shows over play and the area card low on
// its picture: the name in rimmed letters only, low in its cell, so that it hides little.
void PaintSideSign(Canvas& c, int x, int y, int w, int h) {
  c.FillRect(x, y, w, h, kKey);
  const std::string name = "VELMARONDIX";
  int tw = int(name.size()) * 11 - 1;
  RimmedText(c, x + (w - tw) / 2, y + h - 16, name, 0xD8DCFF, 2, 11);
}

// Where the menus beside the character menu lie on the screen (their boxes, a little larger), for
// the portrait of each character: the character menu, then for the first the difficulty menu and
// its KEY ASSIGN, for the second the rig menu, the difficulty menu beside any rig and its KEY
// ASSIGN. The portrait leaves these out.
struct Box {
  int x1, y1, x2, y2;
};
const std::vector<Box> kMenusOverFirst = {{148, 8, 284, 54}, {288, 8, 408, 102}, {412, 72, 540, 246}};
const std::vector<Box> kMenusOverSecond = {{148, 8, 284, 54}, {288, 24, 372, 118}, {376, 40, 496, 182},
                                           {500, 104, 628, 326}};

// Paints the portrait part and clears what would lie under those menus; (sx, sy) is where the
// character menu draws the part.
void KeepOffMenus(Canvas& c, int x, int y, int w, int h, int sx, int sy, const std::vector<Box>& menus) {
  for (const Box& b : menus)
    for (int j = b.y1 - 2; j < b.y2 + 2; j++)
      for (int i = b.x1 - 2; i < b.x2 + 2; i++) {
        int u = i - sx, v = j - sy;
        if (u >= 0 && v >= 0 && u < w && v < h) c.Put(x + u, y + v, kKey);
      }
}

// The first character: a round helmet with a fin and a visor over broad shoulders, in outline,
// low on the right where no menu opens.
void PaintFirstPortrait(Canvas& c, int x, int y, int w, int h, uint32_t colour) {
  c.FillRect(x, y, w, h, kKey);
  Plane body(w, h);
  body.Ellipse(214, 338, 50, 56);
  body.Polygon({{214, 252}, {199, 292}, {229, 292}});
  body.Rect(190, 380, 48, 30);
  body.Ellipse(214, 530, 170, 128);
  Plane ink = Edge(body, 2);
  ink.Rect(168, 326, 92, 16);                        // visor
  Plane chest(w, h);
  chest.Polygon({{214, 430}, {232, 448}, {214, 466}, {196, 448}});
  ink.Add(Edge(chest, 2));
  ink.Line({150, 414}, {196, 448}, 2);               // collar
  ink.Line({278, 414}, {232, 448}, 2);
  Ink(c, x, y, ink, colour);
  Plane visor(w, h);
  visor.Rect(172, 330, 84, 8);
  Ink(c, x, y, Edge(visor, 8), 0xA0E8FF);
}

// The second character, in parts that the game sets by the rig: the head and shoulders (213), a
// badge (208), the shot's gun (209 to 212) and the sub weapon's emblem (214 to 217). Six-sided
// helmet with two antennae; each part keeps to the corner of it that no menu covers.
void PaintSecondPart(Canvas& c, int x, int y, int w, int h, int id, uint32_t colour) {
  c.FillRect(x, y, w, h, kKey);
  Plane shape(w, h), ink(w, h);
  switch (id) {
    case 213: {
      std::vector<Pt> hex;
      for (int k = 0; k < 6; k++) hex.push_back({204 + 50 * std::cos(M_PI / 3 * k), 72 + 46 * std::sin(M_PI / 3 * k)});
      shape.Polygon(hex);
      shape.Rect(184, 110, 40, 30);
      shape.Ellipse(204, 232, 166, 100);
      ink = Edge(shape, 2);
      ink.Line({184, 34}, {168, 6}, 3);
      ink.Line({224, 34}, {240, 6}, 3);
      ink.Rect(180, 62, 16, 8);
      ink.Rect(212, 62, 16, 8);
      ink.Line({110, 176}, {150, 150}, 2);
      ink.Line({298, 176}, {258, 150}, 2);
      break;
    }
    case 208:   // a badge beside the difficulty menu
      shape.Polygon({{236, 40}, {252, 52}, {252, 72}, {236, 84}, {220, 72}, {220, 52}});
      ink = Edge(shape, 2);
      ink.Rect(234, 56, 4, 12);
      break;
    case 209:   // a wide gun: five barrels fanning out
      shape.Rect(10, 100, 70, 18);
      ink = Edge(shape, 2);
      for (int k = -2; k <= 2; k++) ink.Line({80, 109}, {106, 109 + 7.0 * k}, 2);
      break;
    case 210:   // a torpedo, upright at the screen's edge
      shape.Ellipse(154, 70, 5, 44);
      ink = Edge(shape, 2);
      break;
    case 211:   // a lens
      shape.Ellipse(40, 84, 10, 10);
      ink = Edge(shape, 2);
      break;
    case 212:   // twin drills
      shape.Polygon({{44, 104}, {58, 196}, {30, 196}});
      shape.Polygon({{86, 104}, {100, 196}, {72, 196}});
      ink = Edge(shape, 2);
      ink.Line({34, 170}, {54, 160}, 2);
      ink.Line({76, 170}, {96, 160}, 2);
      break;
    default: {   // 214-217: the sub weapon's emblem: star, gear, sword, spike
      const int u = id - 214;
      if (u == 0) {
        std::vector<Pt> star;
        for (int k = 0; k < 10; k++) {
          double a = -M_PI / 2 + M_PI / 5 * k, r = k % 2 ? 14 : 32;
          star.push_back({48 + r * std::cos(a), 60 + r * std::sin(a)});
        }
        shape.Polygon(star);
      } else if (u == 1) {
        shape.Ellipse(48, 60, 30, 30);
        shape.Ellipse(48, 60, 12, 12, false);
        for (int k = 0; k < 8; k++) {
          double a = M_PI / 4 * k;
          shape.Ellipse(48 + 30 * std::cos(a), 60 + 30 * std::sin(a), 6, 6);
        }
      } else if (u == 2) {
        shape.Polygon({{48, 28}, {56, 40}, {56, 80}, {40, 80}, {40, 40}});
        shape.Rect(30, 80, 36, 6);
        shape.Rect(44, 86, 8, 8);
      } else {
        shape.Polygon({{48, 28}, {74, 92}, {48, 80}, {22, 92}});
      }
      ink = Edge(shape, 2);
    }
  }
  Ink(c, x, y, ink, colour);
}

}  // namespace

void PaintScreenArt(Canvas& c, int id, int x, int y, int w, int h) {
  switch (id) {
    case 191:   // the opening, drawn centred at (328, 240) on white
      c.FillRect(x, y, w, h, kKey);
      Blit(c, x, y, OpeningPlate({kName, {"STAND-IN DATA SET", 3, 150, 0x3050A0}}));
      return;
    case 192:
      PaintMenuGround(c, x, y, w, h);
      return;
    case 193:
      PaintSideSign(c, x, y, w, h);
      return;
    case 194: {   // the title, drawn turned a quarter clockwise: stored turned the other way
      // The default keys; the band from y 112 to 165 is left to the side sign, which the title
      // draws at (8, 232) over the plate's left end.
      Canvas up = Plate(h, w, h / 2, {kName,
                                      {"PRESS Z (SHOT) TO START", 3, 90, 0xB02040},
                                      {"ARROWS MOVE   Z SHOT   X M ACTION", 2, 166, 0x304070},
                                      {"C BOMBER   A SLOW   ESC QUIT/PAUSE", 2, 190, 0x304070},
                                      {"MENUS: Z CONFIRM   X BACK", 2, 222, 0x304070}});
      for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) c.Put(x + i, y + j, AvoidKey(up.Get(h - 1 - j, i)));
      return;
    }
    case 3095:
      PaintLatticeTile(c, x, y, w, h);
      return;
    case 200:
    case 201:
      PaintFirstPortrait(c, x, y, w, h, id == 200 ? 0x50A8FF : 0xB080FF);
      KeepOffMenus(c, x, y, w, h, 256, 0, kMenusOverFirst);
      return;
    default:
      break;
  }
  // The second character's parts, and where the character menu sets each.
  struct Part {
    int id, sx, sy;
  };
  static const Part kParts[] = {{208, 304, 0},   {209, 384, 112}, {210, 480, 96},  {211, 400, 112}, {212, 256, 96},
                                {213, 256, 304}, {214, 352, 160}, {215, 352, 160}, {216, 352, 160}, {217, 352, 160}};
  for (const Part& p : kParts) {
    if (p.id != id) continue;
    PaintSecondPart(c, x, y, w, h, p.id, 0xB080FF);
    KeepOffMenus(c, x, y, w, h, p.sx, p.sy, kMenusOverSecond);
    return;
  }
}

// The loading picture: the opening's plate in the opening's place on white, its own line below
// the plate, so that the crossfade from one to the other fades that line out and the opening's
// line in, and nothing else moves.
Canvas PaintLoadingPicture() {
  Canvas c(640, 480, 0xFFFFFF);
  Blit(c, 72, 112, OpeningPlate({kName}));
  const std::string line = "NOW LOADING";
  DrawText(c, 320 - TextWidth(line, Font::Large, 3) / 2, 400, line, 0x3050A0, Font::Large, 3, 3);
  return c;
}
