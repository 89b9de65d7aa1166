// Glyphs from FreeType over one Japanese Gothic font that covers every CP932 character; every face
// name stands for it. Sizes follow the font system's rule for a positive height: ascent plus descent
// (from the font's Windows metrics) fill the height. Weight 600 and up emboldens, italics shear.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "platform/glyphs/glyphs_internal.h"
#include "platform/text.h"

namespace plat {
namespace {

constexpr const char* kFallbackPath = "/usr/share/fonts/truetype/umeplus/umeplus-gothic.ttf";
constexpr const char* kFamily = "UmePlus Gothic";
constexpr FT_Fixed kItalicShear = 0x366A;   // about 12 degrees

struct FtFont : GlyphFont {
  FT_Face face;
  GlyphTextMetrics tm;
  FT_Pos boldStrength;   // 26.6 pixels added to the width, 0 when not bold
  int32_t italic;
  int32_t lastCode;      // the glyph now in the face's slot, -1 when none
  int32_t lastFormat;
  int32_t lastBlank;     // the glyph has no outline (the mono renderer would give it a dot box)
};

FT_Library g_library = nullptr;
bool g_libraryTried = false;
std::string g_fontPath;

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The font file, found once: fontconfig's match for the family when it is that family, else the
// Debian package's place.
const std::string& FontPath() {
  if (!g_fontPath.empty()) return g_fontPath;
  if (FcInit()) {
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(kFamily));
    if (pat != nullptr) {
      FcConfigSubstitute(nullptr, pat, FcMatchPattern);
      FcDefaultSubstitute(pat);
      FcResult result;
      FcPattern* match = FcFontMatch(nullptr, pat, &result);
      if (match != nullptr) {
        FcChar8* file = nullptr;
        FcChar8* family = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
            std::strstr(reinterpret_cast<const char*>(family), "UmePlus") != nullptr &&
            FileExists(reinterpret_cast<const char*>(file))) {
          g_fontPath = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pat);
    }
    FcFini();   // needed once; keeps no configuration alive after the look-up
  }
  if (g_fontPath.empty()) g_fontPath = kFallbackPath;
  return g_fontPath;
}

int32_t RoundDiv(int64_t a, int64_t b) { return int32_t((a * 2 + b) / (b * 2)); }

GlyphFont* Create(const GlyphFontDesc& desc) {
  if (!g_libraryTried) {
    g_libraryTried = true;
    if (FT_Init_FreeType(&g_library) != 0) g_library = nullptr;
  }
  if (g_library == nullptr) return nullptr;
  FT_Face face;
  if (FT_New_Face(g_library, FontPath().c_str(), 0, &face) != 0) return nullptr;
  int64_t winAscent = face->ascender, winDescent = -face->descender;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
  }
  const int64_t units = winAscent + winDescent > 0 ? winAscent + winDescent : face->units_per_EM;
  const int64_t h = desc.height;
  // 26.6 em size at 72 dpi so that the Windows ascent and descent span the height.
  const FT_F26Dot6 em = FT_F26Dot6((h * 64 * face->units_per_EM + units / 2) / units);
  if (FT_Set_Char_Size(face, 0, em, 72, 72) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  FtFont* f = new (std::nothrow) FtFont;
  if (f == nullptr) {
    FT_Done_Face(face);
    return nullptr;
  }
  f->ops = &g_FreeTypeGlyphOps;
  f->face = face;
  f->italic = desc.italic != 0;
  f->boldStrength = desc.weight >= 800 ? 128 : desc.weight >= 600 ? 64 : 0;
  f->lastCode = -1;
  f->lastFormat = 0;
  f->lastBlank = 0;
  f->tm.height = int32_t(h);
  f->tm.ascent = RoundDiv(h * winAscent, units);
  f->tm.descent = int32_t(h) - f->tm.ascent;
  const int64_t emPixels64 = em;   // pixels x 64 per em
  const int32_t boldPx = int32_t(f->boldStrength / 64);
  const int32_t shearPx = f->italic ? int32_t((int64_t(f->tm.ascent) * kItalicShear + 0xFFFF) >> 16) : 0;
  f->tm.maxCharWidth =
      int32_t((int64_t(face->max_advance_width) * emPixels64 + int64_t(face->units_per_EM) * 64 - 1) /
              (int64_t(face->units_per_EM) * 64)) + boldPx + shearPx;
  const int64_t ave = os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : face->units_per_EM / 2;
  f->tm.aveCharWidth = RoundDiv(ave * emPixels64, int64_t(face->units_per_EM) * 64) + boldPx;
  return f;
}

void Release(GlyphFont* font) {
  FtFont* f = static_cast<FtFont*>(font);
  FT_Done_Face(f->face);
  delete f;
}

bool Metrics(const GlyphFont* font, GlyphTextMetrics* out) {
  *out = static_cast<const FtFont*>(font)->tm;
  return true;
}

// Loads and renders the code's glyph into the face's slot (kept for the size query that comes
// before each bitmap fetch).
bool Render(FtFont* f, uint32_t code, int format) {
  if (f->lastCode == int32_t(code) && f->lastFormat == format) return true;
  f->lastCode = -1;
  const uint32_t unicode = Cp932CharToUnicode(code);
  const FT_UInt index = FT_Get_Char_Index(f->face, unicode);
  const bool mono = format == GLYPH_FORMAT_MONO;
  if (FT_Load_Glyph(f->face, index, FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL)) != 0)
    return false;
  FT_GlyphSlot slot = f->face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  if (f->italic) {
    FT_Matrix shear = {0x10000, kItalicShear, 0, 0x10000};
    FT_Outline_Transform(&slot->outline, &shear);
  }
  if (f->boldStrength != 0) {
    FT_Outline_EmboldenXY(&slot->outline, f->boldStrength, 0);
    slot->advance.x += f->boldStrength;
  }
  f->lastBlank = slot->outline.n_points == 0;
  if (!f->lastBlank && FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
  f->lastCode = int32_t(code);
  f->lastFormat = format;
  return true;
}

int32_t Outline(GlyphFont* font, uint32_t code, int format, GlyphMetrics* m, uint32_t bufferSize,
                uint8_t* buffer) {
  FtFont* f = static_cast<FtFont*>(font);
  if (!Render(f, code, format)) return -1;
  const FT_GlyphSlot slot = f->face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  m->cellIncX = int32_t((slot->advance.x + 32) >> 6);
  m->cellIncY = 0;
  m->originX = slot->bitmap_left;
  m->originY = slot->bitmap_top;
  if (f->lastBlank || bm.width == 0 || bm.rows == 0) {
    m->originX = m->originY = 0;
    m->blackBoxX = m->blackBoxY = 1;
    return 0;
  }
  m->blackBoxX = bm.width;
  m->blackBoxY = bm.rows;
  const uint32_t pitch = GlyphRowPitch(format, bm.width);
  const uint32_t size = pitch * bm.rows;
  if (buffer == nullptr) return int32_t(size);
  if (bufferSize < size) return -1;
  std::memset(buffer, 0, size);
  for (uint32_t y = 0; y < bm.rows; y++) {
    const uint8_t* src = bm.buffer + int64_t(y) * bm.pitch;
    uint8_t* dst = buffer + y * pitch;
    if (format == GLYPH_FORMAT_MONO) {
      std::memcpy(dst, src, (bm.width + 7) / 8);
    } else {
      for (uint32_t x = 0; x < bm.width; x++) dst[x] = uint8_t((src[x] * 16u + 127u) / 255u);
    }
  }
  return int32_t(size);
}

}  // namespace

const GlyphSourceOps g_FreeTypeGlyphOps = {Create, Release, Metrics, Outline};

}  // namespace plat
