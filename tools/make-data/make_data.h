// make-data: writes the stand-in data set of the game (sprite sheets, sound effects, music, the
// loading picture, the text file, the settings file, the folder archive and the attract demo) from
// nothing but this program and the game, the same bytes on every run.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/framework/sprite_layout.h"

using Bytes = std::vector<uint8_t>;

// An 8-bit RGB picture; (0, 255, 0) is the transparent colour of the sheets.
struct Canvas {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  Canvas() = default;
  Canvas(int w, int h, uint32_t fill);
  void Put(int x, int y, uint32_t colour);            // 0xRRGGBB, clipped
  uint32_t Get(int x, int y) const;
  void FillRect(int x, int y, int w, int h, uint32_t colour);
  void FrameRect(int x, int y, int w, int h, uint32_t colour);
};

constexpr uint32_t kKey = 0x00FF00;        // the transparent colour
constexpr uint32_t kLoud = 0xFF00FF;       // the frame around inset cuts

// Colour helpers: scale each channel by num / 256, or mix towards white.
uint32_t Shade(uint32_t colour, int num);
uint32_t Tint(uint32_t colour, int towardsWhite);   // 0..256
// Never the transparent colour: pure green is nudged off the key.
uint32_t AvoidKey(uint32_t colour);

// Bitmap fonts: 5 x 7 (large, scalable) and 3 x 5 (small). Lower case draws as upper case.
enum class Font { Large, Small };
int LargeGlyphRow(char ch, int row);                 // row 0-6 of the 5 x 7 glyph, bit 4 leftmost
int TextWidth(const std::string& text, Font font, int scaleX);
void DrawText(Canvas& c, int x, int y, const std::string& text, uint32_t colour, Font font, int scaleX, int scaleY);
// The largest whole scale at which the text fits w x h; 0 when it does not fit at scale 1.
int FitScale(const std::string& text, Font font, int w, int h);
// Draws text centred in the rectangle with the large font when it fits, else the small one.
void DrawTextCentred(Canvas& c, int x, int y, int w, int h, const std::string& text, uint32_t colour);
void DrawId(Canvas& c, int x, int y, int w, int h, int id);   // the id in the bottom right corner

Bytes EncodePng(const Canvas& c);

// The sprite font's cells (codes 48-95) and the decimal point that goes between its digits.
void PaintGlyphCell(Canvas& c, int code, int x, int y);
void PaintDecimalPoint(Canvas& c, int x, int y);

// The ten sheets, painted from the sprite layout; the preview outlines every cut with its id.
std::vector<Canvas> PaintSheets();
Canvas PaintPreview(const Canvas& sheet, int sheetNumber);
Canvas PaintLoadingPicture();
// The screens' own pictures (title, opening, menu ground, side sign, portraits), painted by
// their sprite id into the rectangle.
void PaintScreenArt(Canvas& c, int id, int x, int y, int w, int h);

Bytes MakeEffectWav(int n);                       // vlxdat\se%02d.wav
bool MakeMusicOgg(int track, Bytes* out, std::string* error);   // dat\vlxbgm%02d.ogg
bool MakeTextFile(Bytes* out, std::string* error);      // dat\vlx1.dat, scrambled
Bytes MakeSettingsFile();                         // velmarondix.sav
// dat\vlxdemo0.rpy: a minute of play recorded by the game in a scratch copy of the data set
// (paths relative to the game's folder, "/" between folders).
bool RecordDemo(const std::vector<std::pair<std::string, const Bytes*>>& dataSet, Bytes* out, std::string* error);
std::string ArchiveKey();                         // the key of vlxdat.dat
