// The blit loops against the per-pixel reference over the whole option matrix.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "blit_test_util.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/blit_vector.h"
#include "engine/softrender/image_blit.h"

namespace {

const int kParams[] = {0, 1, 127, 128, 200, 254, 255};
const RectI kArea = {2, 3, 37, 27};
// Scalar loops, SSE2 kernels, AVX2 kernels (SSE2 again on a processor without AVX2).
const int kVectorModes[] = {0, 1, 2};

struct Matrix : ::testing::TestWithParam<std::tuple<int, int>> {
  void SetUp() override {
    BuildBlendLookupTables();
    for (int i = 0; i < 256; ++i) g_BlendWeightTable[i] = (uint8_t)(i * 7 + 3);
    g_BlendWeightTable[0] = 0;
    g_BlendWeightTable[1] = 255;
  }
  void TearDown() override {
    g_SoftBlitMmxFlag = 0;
    g_SoftBlitVectorMode = -1;
  }

  void MakeSource(TestImage& src, int w, int h, std::mt19937& rng) {
    const auto [format, kind] = GetParam();
    MakeImage(src, w, h, format, kind == 0, kind == 2);
    src.img.transparentColor = kind == 0 ? 7u : format == 0 ? 0xF81Fu : 0x00FF00FFu;
    FillRandom(src, rng);
  }

  // Runs every mode, parameter, blend image, tint, transparent flag and feature flag through
  // draw (engine or reference) and compares the whole destination buffer.
  template <class Engine, class Ref>
  void RunAll(const std::string& where, const TestImage& dst0, TestImage& src, const MemImg* blend,
              Engine engine, Ref ref) {
    for (int vector : kVectorModes) {
      g_SoftBlitVectorMode = vector;
      RunModes(where + " vector " + std::to_string(vector), dst0, src, blend, engine, ref);
      if (HasFatalFailure()) return;
    }
  }

  template <class Engine, class Ref>
  void RunModes(const std::string& where, const TestImage& dst0, TestImage& src, const MemImg* blend,
                Engine engine, Ref ref) {
    TestImage a, b;
    MakeImage(a, dst0.img.width, dst0.img.height, dst0.img.format, 0, 0);
    MakeImage(b, dst0.img.width, dst0.img.height, dst0.img.format, 0, 0);
    for (int mode = 0; mode <= 8; ++mode) {
      for (int p : kParams) {
        for (int useBlend = 0; useBlend < 2; ++useBlend) {
          for (int tint = 0; tint < 2; ++tint) {
            for (int transparent = 0; transparent < 3; ++transparent) {
              for (int mmx = 0; mmx < 2; ++mmx) {
                g_DrawState.blendMode = mode;
                g_DrawState.blendParam = p;
                g_DrawState.drawBright = tint ? 0x40A0E0u : 0xFFFFFFu;
                g_SoftBlitMmxFlag = mmx;
                CopyPixels(a, dst0);
                CopyPixels(b, dst0);
                src.img.skipDataValid = 1;
                engine(&a.img, &src.img, transparent, useBlend ? blend : nullptr);
                src.img.skipDataValid = 1;
                ref(&b.img, &src.img, transparent, useBlend ? blend : nullptr, mmx != 0);
                if (a.pixels != b.pixels) {
                  size_t i = 0;
                  while (a.pixels[i] == b.pixels[i]) ++i;
                  FAIL() << where << " mode " << mode << " p " << p << " blend " << useBlend << " tint "
                         << tint << " transparent " << transparent << " mmx " << mmx << ": byte " << i
                         << " (row " << i / a.img.pitch << ") got " << (int)a.pixels[i] << " want "
                         << (int)b.pixels[i];
                }
              }
            }
          }
        }
      }
    }
  }
};

TEST_P(Matrix, OneToOneEqualsReference) {
  const auto [format, kind] = GetParam();
  std::mt19937 rng(1234 + format * 10 + kind);
  TestImage src, dst, blend;
  MakeSource(src, 13, 7, rng);
  ASSERT_EQ(BuildMemImgSkipData(&src.img), 0);
  MakeImage(dst, 40, 30, format, 0, 0);
  FillRandom(dst, rng);
  MakeImage(blend, 15, 9, 2, 0, 0);
  FillRandom(blend, rng);
  g_DrawState.drawArea = kArea;
  struct Pos { const char* name; int x, y; };
  const Pos positions[] = {{"inside", 5, 6}, {"left", -4, 6}, {"right", 30, 6}, {"top", 5, -2},
                           {"bottom", 5, 24}, {"outside", 40, 6}, {"far", INT32_MAX - 3, INT32_MAX - 1}};
  for (const Pos& pos : positions) {
    RunAll(
        pos.name, dst, src, &blend.img,
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl) { DrawImageToMemImg(d, s, pos.x, pos.y, t, bl); },
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl, bool mmx) {
          RefDrawImage(d, s, pos.x, pos.y, t, bl, mmx);
        });
    if (HasFatalFailure()) return;
  }
}

TEST_P(Matrix, ScaledEqualsReference) {
  const auto [format, kind] = GetParam();
  std::mt19937 rng(99 + format * 10 + kind);
  TestImage dst, blend;
  MakeImage(dst, 40, 30, format, 0, 0);
  FillRandom(dst, rng);
  MakeImage(blend, 15, 9, 2, 0, 0);
  FillRandom(blend, rng);
  g_DrawState.drawArea = kArea;
  struct Case { const char* name; int sw, sh; int32_t r[4]; };
  const Case cases[] = {
      {"up", 13, 7, {4, 4, 33, 20}},         {"down", 13, 7, {5, 5, 11, 8}},
      {"uneven", 13, 7, {3, 6, 23, 11}},     {"mirror x", 13, 7, {33, 4, 4, 20}},
      {"mirror y", 13, 7, {4, 20, 33, 4}},   {"mirror xy", 13, 7, {33, 20, 4, 4}},
      {"clip left", 13, 7, {-10, 5, 20, 25}}, {"clip right", 13, 7, {20, 5, 50, 25}},
      {"clip top", 13, 7, {5, -8, 30, 12}},  {"clip bottom", 13, 7, {5, 15, 30, 40}},
      {"mirror clip left", 13, 7, {20, 5, -10, 25}}, {"outside", 13, 7, {50, 5, 70, 20}},
      {"same size", 13, 7, {6, 6, 19, 13}},  {"same size mirrored", 13, 7, {19, 6, 6, 13}},
      {"halve", 8, 6, {4, 4, 8, 7}},         {"eight to six", 8, 6, {4, 4, 10, 10}},
      {"double", 8, 6, {4, 4, 20, 16}},
  };
  for (const Case& c : cases) {
    TestImage src;
    MakeSource(src, c.sw, c.sh, rng);
    ASSERT_EQ(BuildMemImgSkipData(&src.img), 0);
    RunAll(
        c.name, dst, src, &blend.img,
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl) { DrawScaledToMemImg(d, s, c.r, t, bl); },
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl, bool mmx) { RefDrawScaled(d, s, c.r, t, bl, mmx); });
    if (HasFatalFailure()) return;
  }
}

// Widths around the vector sizes (4 and 8 pixels with SSE2, 8 and 16 with AVX2) and odd pitches,
// so that every kernel's row tail and unaligned rows are drawn.
TEST_P(Matrix, VectorTailsEqualReference) {
  const auto [format, kind] = GetParam();
  std::mt19937 rng(555 + format * 10 + kind);
  TestImage dst, blend;
  MakeImage(dst, 40, 30, format, 0, 0, 3);
  FillRandom(dst, rng);
  MakeImage(blend, 20, 5, 2, 0, 0, 1);
  FillRandom(blend, rng);
  g_DrawState.drawArea = kArea;
  for (int w : {1, 3, 4, 5, 7, 8, 9, 15, 16, 17}) {
    TestImage src;
    const auto [f, k] = GetParam();
    MakeImage(src, w, 3, f, k == 0, k == 2, 1 + w % 4);
    src.img.transparentColor = k == 0 ? 7u : f == 0 ? 0xF81Fu : 0x00FF00FFu;
    FillRandom(src, rng);
    ASSERT_EQ(BuildMemImgSkipData(&src.img), 0);
    RunAll(
        "width " + std::to_string(w), dst, src, &blend.img,
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl) { DrawImageToMemImg(d, s, 3, 5, t, bl); },
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl, bool mmx) { RefDrawImage(d, s, 3, 5, t, bl, mmx); });
    if (HasFatalFailure()) return;
    const int32_t r[4] = {4, 4, 4 + 2 * w + 1, 11};
    RunAll(
        "scaled width " + std::to_string(w), dst, src, &blend.img,
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl) { DrawScaledToMemImg(d, s, r, t, bl); },
        [&](MemImg* d, const MemImg* s, int t, const MemImg* bl, bool mmx) { RefDrawScaled(d, s, r, t, bl, mmx); });
    if (HasFatalFailure()) return;
  }
}

std::string MatrixName(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
  static const char* kinds[] = {"Paletted", "Direct", "DirectAlpha"};
  return std::string(std::get<0>(info.param) ? "Bits32" : "Bits16") + kinds[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(AllSources, Matrix,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(0, 1, 2)), MatrixName);

}  // namespace

namespace {

// The scaled blit's index plans over many ratios, mirrorings and clips: the plain copy (which
// keeps an exactly reached pixel and copies repeated rows) and the alpha rule (which advances past
// it and runs the kernels on gathered rows), against the reference walk.
TEST(ScaledPlans, ManyRatiosMirrorsAndClipsEqualReference) {
  BuildBlendLookupTables();
  std::mt19937 rng(2024);
  TestImage dst0, a, b;
  MakeImage(dst0, 48, 40, 1, 0, 0, 3);
  FillRandom(dst0, rng);
  MakeImage(a, 48, 40, 1, 0, 0, 3);
  MakeImage(b, 48, 40, 1, 0, 0, 3);
  g_DrawState.drawArea = {3, 2, 44, 37};
  g_DrawState.drawBright = 0xFFFFFF;
  for (int sw : {1, 2, 3, 5, 8, 9}) {
    TestImage src;
    MakeImage(src, sw, 1 + sw % 4, 1, 0, 0, 1);
    src.img.transparentColor = 0x00FF00FF;
    FillRandom(src, rng);
    for (int trial = 0; trial < 24; ++trial) {
      int32_t r[4] = {(int32_t)(rng() % 56) - 8, (int32_t)(rng() % 50) - 8, (int32_t)(rng() % 56) - 8,
                      (int32_t)(rng() % 50) - 8};
      for (int mode : {BLEND_NONE, BLEND_ALPHA}) {
        for (int vector : {0, 2}) {
          g_SoftBlitVectorMode = vector;
          g_DrawState.blendMode = mode;
          g_DrawState.blendParam = 100;
          CopyPixels(a, dst0);
          CopyPixels(b, dst0);
          DrawScaledToMemImg(&a.img, &src.img, r, trial & 1, nullptr);
          RefDrawScaled(&b.img, &src.img, r, trial & 1, nullptr, false);
          ASSERT_EQ(a.pixels, b.pixels) << "source " << sw << " rect " << r[0] << "," << r[1] << "," << r[2] << ","
                                        << r[3] << " mode " << mode << " vector " << vector;
        }
      }
    }
  }
  g_SoftBlitVectorMode = -1;
}

// The switch: 0 turns every kernel off, 1 keeps to SSE2, anything else takes the widest the
// processor offers.
TEST(VectorSwitch, LevelFollowsTheModeAndTheProcessor) {
  const bool avx2 = __builtin_cpu_supports("avx2");
  g_SoftBlitVectorMode = 0;
  EXPECT_EQ(softblit::ActiveVectorLevel(), 0);
  EXPECT_EQ(softblit::ActiveKernel(softblit::KernelId(softblit::kKAlpha32, false, false)), nullptr);
  g_SoftBlitVectorMode = 1;
  EXPECT_EQ(softblit::ActiveVectorLevel(), 1);
  EXPECT_EQ(softblit::ActiveKernel(softblit::KernelId(softblit::kKAlpha32, false, false)),
            softblit::Sse2Kernels()[softblit::KernelId(softblit::kKAlpha32, false, false)]);
  g_SoftBlitVectorMode = 2;
  EXPECT_EQ(softblit::ActiveVectorLevel(), avx2 ? 2 : 1);
  g_SoftBlitVectorMode = -1;
  EXPECT_EQ(softblit::ActiveVectorLevel(), avx2 ? 2 : 1);
  // Kinds without a variant have no kernel: the unkeyed copy is a row copy.
  EXPECT_EQ(softblit::ActiveKernel(softblit::KernelId(softblit::kKCopy32, false, false)), nullptr);
}

}  // namespace

namespace {

// Every blend parameter through the kernels of the parameterised rules (alpha, add, subtract;
// tinted and not; 16- and 32-bit; the fast path's forms too), against the scalar loops.
TEST(VectorKernels, EveryParameterGivesTheScalarBytes) {
  BuildBlendLookupTables();
  std::mt19937 rng(8);
  for (int format : {0, 1}) {
    TestImage src, dst0, a;
    MakeImage(src, 19, 3, format, 0, 0, 1);
    src.img.transparentColor = format == 0 ? 0xF81Fu : 0x00FF00FFu;
    FillRandom(src, rng);
    ASSERT_EQ(BuildMemImgSkipData(&src.img), 0);
    MakeImage(dst0, 23, 6, format, 0, 0, 5);
    FillRandom(dst0, rng);
    MakeImage(a, 23, 6, format, 0, 0, 5);
    g_DrawState.drawArea = {0, 0, 23, 6};
    for (int mode : {BLEND_ALPHA, BLEND_ADD, BLEND_SUB}) {
      for (int p = 1; p < 255; ++p) {
        for (uint32_t bright : {0xFFFFFFu, 0x7FC0FFu}) {
          for (int transparent : {0, 1}) {
            g_DrawState.blendMode = mode;
            g_DrawState.blendParam = p;
            g_DrawState.drawBright = bright;
            std::vector<uint8_t> want;
            for (int vector : {0, 1, 2}) {
              g_SoftBlitVectorMode = vector;
              CopyPixels(a, dst0);
              src.img.skipDataValid = 1;
              DrawImageToMemImg(&a.img, &src.img, 2, 1, transparent, nullptr);
              if (vector == 0) want = a.pixels;
              else ASSERT_EQ(a.pixels, want) << "format " << format << " mode " << mode << " p " << p << " bright "
                                             << bright << " transparent " << transparent << " vector " << vector;
            }
          }
        }
      }
    }
  }
  g_SoftBlitVectorMode = -1;
}

}  // namespace
