// The harness's screen tour on the data set make-data writes, headless on both drawing paths: it
// reaches every screen, keeps their pictures in the build folder (screens/soft, screens/full), and
// every row of the title menu, GAME CONFIG and the difficulty menu beside each character's
// portrait stands out from its ground by at least 3:1. A row's contrast is WCAG's, of relative
// luminances, taken between the darkest or the brightest tenth of the row's glyph pixels (their
// dark rim or their body) and the median of the box's pixels around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "game/framework/sprite_layout.h"
#include "game/framework/text.h"
#include "game/harness/harness.h"
#include "game/temp_dir.h"
#include "png_picture.h"
#include "tools/common/file_bytes.h"

namespace {

RgbPicture ReadPng(const std::string& path) { return DecodePngPicture(ReadFileBytes(path)); }

double Luminance(uint32_t rgb) {
  auto linear = [](uint32_t c) {
    const double v = double(c & 0xFF) / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(rgb >> 16) + 0.7152 * linear(rgb >> 8) + 0.0722 * linear(rgb);
}

double Contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// A menu window as the game places it: its first row, width and first label.
struct Menu {
  const char* picture;
  int x, y, width, firstLabel, rows;
};

// The sprite font's glyph pixels (codes 48-95, not the transparent green) from the sheet.
using Glyphs = std::map<int, std::vector<std::pair<int, int>>>;

Glyphs ReadGlyphs(const RgbPicture& sheet) {
  Glyphs g;
  for (int code = kGlyphFirstCode; code < kGlyphFirstCode + kGlyphRows * kGlyphColumns; ++code) {
    const int n = code - kGlyphFirstCode;
    for (int y = 0; y < kGlyphSize; ++y)
      for (int x = 0; x < kGlyphSize; ++x)
        if (sheet.At(GlyphCellX(n % kGlyphColumns) + x, GlyphCellY(n / kGlyphColumns) + y) != 0x00FF00u)
          g[code].push_back({x, y});
  }
  return g;
}

// Each row's contrast, set as the game sets sprite-font text (11 pixels a character, a space 6,
// "I" 5) inside the window's box.
std::vector<double> RowContrasts(const RgbPicture& shot, const Glyphs& glyphs, const Menu& m) {
  std::vector<double> out;
  for (int row = 0; row < m.rows; ++row) {
    const int y = m.y + 16 * row;
    std::vector<bool> glyph(size_t(shot.width) * size_t(shot.height));
    std::vector<double> ink, ground;
    int x = m.x;
    for (const char* c = GetTableText(m.firstLabel + row); *c; ++c) {
      for (const auto& [gx, gy] : glyphs.count(*c) ? glyphs.at(*c) : std::vector<std::pair<int, int>>{}) {
        glyph[size_t(y + gy) * size_t(shot.width) + size_t(x + gx)] = true;
        ink.push_back(Luminance(shot.At(x + gx, y + gy)));
      }
      x += *c == ' ' ? 6 : *c == 'I' ? 5 : 11;
    }
    for (int gy = y; gy < y + kGlyphSize; ++gy)
      for (int gx = m.x - 7; gx < m.x + m.width + 7; ++gx)
        if (!glyph[size_t(gy) * size_t(shot.width) + size_t(gx)]) ground.push_back(Luminance(shot.At(gx, gy)));
    std::sort(ink.begin(), ink.end());
    std::nth_element(ground.begin(), ground.begin() + long(ground.size() / 2), ground.end());
    const double g = ground[ground.size() / 2];
    out.push_back(ink.empty() ? 0 : std::max(Contrast(ink[ink.size() / 10], g), Contrast(ink[ink.size() * 9 / 10], g)));
  }
  return out;
}

class ScreenTour : public ::testing::TestWithParam<const char*> {};

TEST_P(ScreenTour, ReachesEveryScreenAndEveryMenuRowReadsAtThreeToOne) {
  const std::string renderer = GetParam();
  const std::string root = NewTempFolder("/tmp/vlx_screens_XXXXXX"), folder = root + "/game";
  ASSERT_TRUE(MakeDataSet(folder, "--plain --no-demo"));
  HarnessOptions o;
  o.folder = folder;
  o.frames = 4000;
  o.renderer = renderer;
  o.screensDir = std::string(VLX_SCREENS_DIR) + "/" + renderer;
  HarnessResult r;
  EXPECT_EQ(RunHarness(o, &r), 0);
  EXPECT_TRUE(r.tourDone) << "stopped at frame " << r.frames;
  EXPECT_LT(r.frames, 4000);   // QUIT GAME ended the program
  EXPECT_EQ(r.screenshots.size(), 21u);   // every stop with a picture, and the loading picture

  const Glyphs glyphs = ReadGlyphs(ReadPng(folder + "/vlxdat/pic01.png"));
  ASSERT_EQ(glyphs.size(), 48u);
  // The title menu at (16, 16); GAME CONFIG beside its sixth row; the first character's
  // difficulty menu beside the character menu; the second's beside its rig menu, RIG 1 chosen.
  // The pause menu over play is measured too, for the record only: its ground is the play field.
  const Menu menus[] = {{"title_menu", 16, 16, 120, 8, 7},        {"game_config", 156, 96, 288, 16, 10},
                        {"difficulty_first", 296, 16, 104, 60, 5}, {"difficulty_second", 384, 48, 104, 60, 5},
                        {"pause", 32, 96, 160, 424, 4}};
  for (const Menu& m : menus) {
    const RgbPicture shot = ReadPng(o.screensDir + "/" + m.picture + ".png");
    ASSERT_EQ(shot.width, 640) << m.picture;
    const std::vector<double> c = RowContrasts(shot, glyphs, m);
    std::string line;
    for (double v : c) line += " " + std::to_string(v).substr(0, 4);
    std::printf("%s %s:%s\n", renderer.c_str(), m.picture, line.c_str());
    if (std::strcmp(m.picture, "pause") == 0) continue;
    for (int row = 0; row < m.rows; ++row) EXPECT_GE(c[size_t(row)], 3.0) << m.picture << " row " << row;
  }
  RemoveFolder(root);
}

INSTANTIATE_TEST_SUITE_P(DrawPaths, ScreenTour, ::testing::Values("soft", "full"));

}  // namespace
