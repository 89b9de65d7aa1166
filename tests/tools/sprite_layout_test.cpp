// The sprite layout that the game cuts and make-data paints: the shape of both tables, where the
// fixed rows lie, that rectangles stay on their sheets and apart, and that every sprite the game
// draws is cut.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "game/framework/sprite_layout.h"

namespace {

struct Rect {
  int sheet, x, y, w, h, id;
};

int Id(const SpriteCutRow& r) { return r.index & kSpriteCutIndexMask; }
bool Exact(const SpriteCutRow& r) { return (r.index & kSpriteCutExact) != 0; }

std::set<int> CutIds() {
  std::set<int> ids;
  for (int i = 0; i < kSpriteCutRows; i++) ids.insert(Id(SpriteCutTable[i]));
  return ids;
}

const SpriteCutRow* RowOf(int id) {
  for (int i = 0; i < kSpriteCutRows; i++)
    if (Id(SpriteCutTable[i]) == id) return &SpriteCutTable[i];
  return nullptr;
}

// The bands of the cut table and the sheets each may use.
struct Band {
  int first, last;
  std::set<int> sheets;
};
const std::vector<Band>& Bands() {
  static const std::vector<Band> bands = {
      {0, 2, {1}},          {128, 217, {0, 1, 2, 4, 5, 9}}, {576, 627, {1}},      {768, 811, {1}},
      {896, 911, {1}},      {1024, 1223, {1}},              {2048, 2374, {1, 2, 7}}, {3072, 3113, {3, 6, 8, 9}},
      {7936, 7941, {5, 8}},
  };
  return bands;
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.sheet == b.sheet && a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

}  // namespace

TEST(SpriteLayout, CutTableShapeCountsExactRowsAndBands) {
  EXPECT_EQ(SpriteCutTable[kSpriteCutRows].sheet, -1);
  std::map<int, int> perSheet;
  int exact = 0;
  std::set<int> seen;
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteCutRow& r = SpriteCutTable[i];
    ASSERT_GE(r.sheet, 0) << "row " << i;
    perSheet[r.sheet]++;
    exact += Exact(r);
    EXPECT_TRUE(seen.insert(Id(r)).second) << "index " << Id(r) << " twice";
    EXPECT_GE(r.x, 0) << Id(r);
    EXPECT_EQ(r.index & ~(kSpriteCutIndexMask | kSpriteCutExact), 0) << Id(r);
    bool inBand = false;
    for (const Band& b : Bands())
      if (Id(r) >= b.first && Id(r) <= b.last) {
        inBand = true;
        EXPECT_TRUE(b.sheets.count(r.sheet)) << "sprite " << Id(r) << " on sheet " << r.sheet;
      }
    EXPECT_TRUE(inBand) << "sprite " << Id(r) << " outside every band";
    // An inset row must keep something after the inset.
    if (!Exact(r)) {
      EXPECT_TRUE(r.width > 2 && r.height > 2) << Id(r);
    }
  }
  const int expected[kSpriteSheetCount] = {14, 338, 253, 30, 4, 6, 7, 26, 3, 9};
  for (int s = 0; s < kSpriteSheetCount; s++) EXPECT_EQ(perSheet[s], expected[s]) << "sheet " << s;
  EXPECT_EQ(exact, 75);
  // 641 lies outside every band: it keeps the default cell.
  EXPECT_EQ(CutIds().count(641), 0u);
}

TEST(SpriteLayout, FixedRowsLieWhereTheLoaderExpectsThem) {
  struct Want {
    int id, sheet, x, y, w, h;
    bool exact;
  };
  const Want wants[] = {
      {0, 1, 4, 932, 0, 0, true},         {1, 1, 184, 928, 24, 16, false},    {2, 1, 36, 932, 8, 8, true},
      {192, 0, 0, 0, 640, 480, true},     {161, 4, 0, 0, 512, 512, true},     {162, 4, 512, 0, 512, 512, true},
      {163, 4, 0, 512, 512, 512, true},   {164, 4, 512, 512, 512, 512, true},
  };
  for (const Want& w : wants) {
    const SpriteCutRow* r = RowOf(w.id);
    ASSERT_NE(r, nullptr) << w.id;
    EXPECT_EQ(r->sheet, w.sheet) << w.id;
    EXPECT_EQ(r->x, w.x) << w.id;
    EXPECT_EQ(r->y, w.y) << w.id;
    EXPECT_EQ(r->width, w.w) << w.id;
    EXPECT_EQ(r->height, w.h) << w.id;
    EXPECT_EQ(Exact(*r), w.exact) << w.id;
  }
  // The area pictures are 640 x 256.
  for (int id = 7936; id <= 7941; id++) {
    const SpriteCutRow* r = RowOf(id);
    ASSERT_NE(r, nullptr) << id;
    EXPECT_EQ(r->width, 640);
    EXPECT_EQ(r->height, 256);
  }
}

TEST(SpriteLayout, RectanglesStayOnTheirSheetsApartFromEachOtherAndFromTheLoadersCells) {
  std::vector<Rect> rects;
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteCutRow& r = SpriteCutTable[i];
    EXPECT_LE(r.x + r.width, kSpriteSheetSize) << Id(r);
    EXPECT_LE(r.y + r.height, kSpriteSheetSize) << Id(r);
    rects.push_back({r.sheet, r.x, r.y, r.width, r.height, Id(r)});
  }
  // The loader's own cells on sheet 1: default, glyphs, bullet grid (id -1).
  std::vector<Rect> cells = {{1, kSpriteDefaultX, kSpriteDefaultY, 8, 8, -1}};
  for (int r = 0; r < kGlyphRows; r++)
    for (int c = 0; c < kGlyphColumns; c++) cells.push_back({1, GlyphCellX(c), GlyphCellY(r), 14, 14, -1});
  for (int r = 0; r < kBulletGridSize; r++)
    for (int c = 0; c < kBulletGridSize; c++) cells.push_back({1, BulletCellX(c), BulletCellY(r), 30, 30, -1});
  for (const Rect& c : cells) {
    EXPECT_LE(c.x + c.w, kSpriteSheetSize);
    EXPECT_LE(c.y + c.h, kSpriteSheetSize);
  }
  for (size_t i = 0; i < rects.size(); i++) {
    for (size_t j = i + 1; j < rects.size(); j++)
      EXPECT_FALSE(Overlap(rects[i], rects[j])) << rects[i].id << " and " << rects[j].id;
    for (const Rect& c : cells) EXPECT_FALSE(Overlap(rects[i], c)) << rects[i].id << " covers a loader cell";
  }
}

TEST(SpriteLayout, AnimationChainsAndTheirFrames) {
  EXPECT_LT(SpriteAnimTable[kSpriteAnimRows].index, 0);
  // The 18 chains: first frame, count, period, loops.
  struct Chain {
    int first, count, period;
    bool loops;
  };
  const Chain chains[18] = {
      {896, 8, 4, false}, {904, 8, 4, false}, {1152, 2, 4, true}, {768, 4, 4, false}, {772, 8, 2, false},
      {2074, 4, 4, true}, {2161, 4, 4, true}, {2229, 4, 8, true}, {780, 8, 4, false}, {788, 4, 4, false},
      {792, 4, 4, false}, {796, 8, 2, false}, {1192, 8, 2, true}, {1200, 8, 4, true}, {1208, 8, 2, true},
      {804, 4, 4, false}, {1161, 4, 2, true}, {808, 4, 4, false},
  };
  std::map<int, SpriteAnimRow> byIndex;
  for (int i = 0; i < kSpriteAnimRows; i++) {
    ASSERT_GE(SpriteAnimTable[i].index, 0) << "row " << i;
    EXPECT_TRUE(byIndex.emplace(SpriteAnimTable[i].index, SpriteAnimTable[i]).second) << SpriteAnimTable[i].index;
  }
  std::set<int> cut = CutIds();
  int rows = 0;
  for (const Chain& c : chains) {
    for (int k = 0; k < c.count; k++, rows++) {
      int id = c.first + k;
      ASSERT_TRUE(byIndex.count(id)) << id;
      EXPECT_TRUE(cut.count(id)) << "chain frame " << id << " is not cut";
      const SpriteAnimRow& r = byIndex[id];
      if (k + 1 < c.count) {
        EXPECT_EQ(r.next, id + 1) << id;
        EXPECT_EQ(r.period, c.period) << id;
      } else if (c.loops) {
        EXPECT_EQ(r.next, c.first) << id;
        EXPECT_EQ(r.period, c.period) << id;
      } else {
        EXPECT_EQ(r.next, 0) << id;
        EXPECT_EQ(r.period, 0x1FFFFFFF) << id;
      }
    }
  }
  EXPECT_EQ(rows, kSpriteAnimRows);
}

TEST(SpriteLayout, EverySpriteTheGameDrawsIsCut) {
  // The sprite ids that the status display, the draw routines, the effects and the screens of
  // the game name, as inclusive ranges.
  const std::pair<int, int> drawn[] = {
      {1, 2},       {128, 136},   {138, 142},   {145, 145},   {147, 164},   {166, 172},   {187, 187},
      {189, 194},   {200, 200},   {208, 217},   {576, 616},   {768, 811},   {896, 911},   {1024, 1037},
      {1044, 1045}, {1052, 1052}, {1056, 1067}, {1070, 1071}, {1075, 1090}, {1147, 1147}, {1152, 1174},
      {1184, 1223}, {2048, 2132}, {2137, 2146}, {2152, 2159}, {2161, 2167}, {2169, 2170}, {2199, 2200},
      {2202, 2202}, {2229, 2232}, {2250, 2250}, {3072, 3073}, {3076, 3076}, {3078, 3078}, {3095, 3095},
      {3108, 3109}, {7936, 7941},
  };
  std::set<int> cut = CutIds();
  for (const auto& [first, last] : drawn)
    for (int id = first; id <= last; id++) EXPECT_TRUE(cut.count(id)) << "sprite " << id << " is drawn but not cut";
}

TEST(SpriteLayout, PaintRowsFollowTheCutRowsAndAvoidTheTransparentColour) {
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteArtRow& a = SpriteArtTable[i];
    EXPECT_EQ(a.index, Id(SpriteCutTable[i])) << "row " << i;
    EXPECT_NE(a.colour, 0x00FF00u) << a.index;
    EXPECT_GE(a.frame, 0);
    EXPECT_LT(a.frame, a.frames);
    ASSERT_NE(a.text, nullptr);
  }
}
