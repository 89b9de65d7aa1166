// Glyphs drawn per second from a warm memory cache (the software text path), against fetching
// each glyph's bitmap from the glyph source every time (what drawing without a cache would cost).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/graphics/font/font.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/graphics/screen/screen.h"
#include "platform/glyphs.h"

namespace {

// 16 characters, 14 of them double-byte: a typical line of the game's texts.
const char* const kLine = "蒼鎖楼 動作確認版 ABC";

struct SoftwareScreen {
  SoftwareScreen() {
    std::memset(&g_ScreenState, 0, sizeof(g_ScreenState));
    g_ScreenState.noDirectDraw = 1;
    g_ScreenState.softwareScreen = 1;
    g_ScreenState.actualBitDepth = g_ScreenState.requestedBitDepth = 32;
    g_ScreenState.width = 640;
    g_ScreenState.height = 480;
    g_DrawState.notAvailable = 0;
    ResetDrawState();
    SetupMemImg(&image, 640, 32, 640 * 4, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0);
  }
  ~SoftwareScreen() { ReleaseMemImg(&image); }
  MemImg image{};
};

int CountChars(const char* s) {
  int n = 0;
  for (; *s; ++n) s += IsDoubleByteLead(reinterpret_cast<const uint8_t*>(s), 1) && s[1] ? 2 : 1;
  return n;
}

void BM_WarmCacheDraw(benchmark::State& state) {
  SoftwareScreen screen;
  const int type = int(state.range(0));
  const int font = CreateFontToHandle("MS UI Gothic", 16, -1, type, -1, (type & 1) ? 1 : -1, 0, -1, -1);
  if (font == -1) {
    state.SkipWithError("no font");
    return;
  }
  const RectI clip = {0, 0, 640, 32};
  DrawTextCore(0, 0, 0, 0, 1.0, 1.0, kLine, 0, nullptr, nullptr, 0, font, 0, -1, 0, nullptr);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        DrawTextCore(1, 4, 4, 0, 1.0, 1.0, kLine, 0xFFFFFF, &screen.image, &clip, 1, font, 0x80, -1, 0, nullptr));
  }
  state.SetItemsProcessed(state.iterations() * CountChars(kLine));
  DeleteFontHandle(font);
}

// Baseline: the glyph source's bitmap of every character, fetched afresh each time.
void BM_GlyphSourceFetch(benchmark::State& state) {
  plat::GlyphFont* font = plat::GlyphFontCreate({16, 600, 0, 128, "MS UI Gothic"});
  if (font == nullptr) {
    state.SkipWithError("no font");
    return;
  }
  std::vector<uint32_t> codes;
  for (const char* s = kLine; *s;) {
    const uint8_t b = uint8_t(*s);
    if (IsDoubleByteLead(&b, 1) && s[1]) {
      codes.push_back(uint32_t(b) << 8 | uint8_t(s[1]));
      s += 2;
    } else {
      codes.push_back(b);
      s += 1;
    }
  }
  std::vector<uint8_t> buffer(4096);
  const int format = state.range(0) & 2 ? plat::GLYPH_FORMAT_GRAY17 : plat::GLYPH_FORMAT_MONO;
  for (auto _ : state) {
    for (uint32_t c : codes) {
      plat::GlyphMetrics m;
      // Alternate formats so that the source's one-glyph memo never answers.
      plat::GlyphGetOutline(font, c, format ^ 4, &m, uint32_t(buffer.size()), buffer.data());
      benchmark::DoNotOptimize(plat::GlyphGetOutline(font, c, format, &m, uint32_t(buffer.size()), buffer.data()));
    }
  }
  state.SetItemsProcessed(state.iterations() * 2 * int64_t(codes.size()));   // two fetches per code
  plat::GlyphFontRelease(font);
}

}  // namespace

BENCHMARK(BM_WarmCacheDraw)->Arg(0)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(BM_GlyphSourceFetch)->Arg(0)->Arg(2);
