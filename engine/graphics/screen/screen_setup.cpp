// Screen set-up and teardown: the display object, the screen surfaces or the software screen's
// images, the screen's colour description and the blend look-up tables.
#include "engine/graphics/screen/screen.h"

#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/softrender/image_blit.h"
#include "platform/present.h"
#include "platform/renderer.h"

ScreenState g_ScreenState;

namespace {

struct OverlayFormatRow {
  plat::PixelFormat format;
  const char* name;
};

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) | (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

constexpr uint32_t PIXFMT_FOURCC = 0x4;

const OverlayFormatRow OverlayFormatTable[5] = {
    {{32, PIXFMT_FOURCC, FourCC('U', 'Y', 'V', 'Y'), 0, 0, 0, 0, 0}, " UYVY"},
    {{32, PIXFMT_FOURCC, FourCC('Y', 'U', 'Y', '2'), 0, 0, 0, 0, 0}, " YUY2"},
    {{32, plat::PIXFMT_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0}, " 16-bit RGB 5:5:5 "},
    {{32, plat::PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0}, " 16-bit RGB 5:6:5 "},
    {{0, 0, 0, 0, 0, 0, 0, 0}, ""},
};

// The fixed 256-colour palette of an 8-bit screen: a 6 x 7 x 6 colour cube, then a grey ramp.
struct PaletteSource {
  uint8_t rgb[768];
  PaletteSource() {
    int i = 0;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b, ++i) {
          rgb[i * 3] = static_cast<uint8_t>(r * 51);
          rgb[i * 3 + 1] = static_cast<uint8_t>(g * 255 / 6);
          rgb[i * 3 + 2] = static_cast<uint8_t>(b * 51);
        }
    for (int k = 0; i < 256; ++i, ++k) {
      uint8_t v = static_cast<uint8_t>(k * 255 / 3);
      rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = v;
    }
  }
};
const PaletteSource g_PaletteSource;

int StopProgram(const char* message) {
  GraphicsFatalStop(message);
  return -1;
}

plat::SurfaceDesc Desc(uint32_t caps, int width, int height) {
  plat::SurfaceDesc d{};
  d.caps = caps;
  d.width = width;
  d.height = height;
  return d;
}

// In window mode the primary stands for the whole desktop, so that the front screen can be read
// back in desktop coordinates.
void PrimarySize(int* width, int* height) {
  if (GetWindowModeFlag()) {
    int bits;
    GetDesktopMetrics(width, height, &bits);
    if (*width <= 0 || *height <= 0) GetScreenSize(width, height);
  } else {
    GetScreenSize(width, height);
  }
}

}  // namespace

const uint8_t* GetScreenPaletteSource() { return g_PaletteSource.rgb; }

// Set-up.

int AcquireDirectDrawObject(plat::SurfaceDevice** out) {
  LogWrite("DirectDraw オブジェクトの取得を行います....  ");
  if (!plat::RendererOffersDisplay()) {
    LogWrite("オブジェクトの取得に失敗しました\n");
    return -1;
  }
  int bits = g_ScreenState.displayBits ? g_ScreenState.displayBits : 32;
  plat::SurfaceDevice* dev = plat::SurfaceDeviceCreate(plat::DisplayFormatForDepth(bits));
  if (!dev) {
    LogWrite("オブジェクトの取得に失敗しました\n");
    return -1;
  }
  LogWrite("成功\n");
  LogWrite("引き続き初期化処理... ");
  LogWrite("初期化に成功しました\n");
  LogWrite("ビデオカードの情報\n");
  LogIndentIncrease();
  // The card report is taken only while Shift is held; this layer has no card to report.
  LogIndentDecrease();
  *out = dev;
  return 0;
}

void AttachScreenClipper() {
  if (!g_ScreenState.device) return;
  g_ScreenState.clipperMade = 1;
}

void ReleaseScreenClipper() {
  g_ScreenState.clipperMade = 0;
  g_ScreenState.clipperOnPrimary = 0;
}

static void SetPaletteOnScreenSurfaces() {
  if (g_ScreenState.primary) plat::SurfaceSetPalette(g_ScreenState.primary, g_ScreenState.paletteEntries);
  if (g_ScreenState.back) plat::SurfaceSetPalette(g_ScreenState.back, g_ScreenState.paletteEntries);
}

void CreateScreenPalette() {
  if (!g_ScreenState.device || g_ScreenState.paletteMade || g_ScreenState.requestedBitDepth != 8) return;
  const uint8_t* src = g_PaletteSource.rgb;
  for (int i = 0; i < 256; ++i) {
    g_ScreenState.paletteEntries[i] = (static_cast<uint32_t>(src[i * 3]) << 16) |
                                      (static_cast<uint32_t>(src[i * 3 + 1]) << 8) | src[i * 3 + 2];
  }
  g_ScreenState.paletteMade = 1;
  SetPaletteOnScreenSurfaces();
}

void RecreateScreenPalette() {
  if (g_ScreenState.actualBitDepth != 8) return;
  uint32_t saved[256];
  std::memcpy(saved, g_ScreenState.paletteEntries, sizeof(saved));
  g_ScreenState.paletteMade = 0;
  CreateScreenPalette();
  std::memcpy(g_ScreenState.paletteEntries, saved, sizeof(saved));
  if (g_ScreenState.paletteMade) SetPaletteOnScreenSurfaces();
}

void SetupScreenColorInfo() {
  ScreenState& s = g_ScreenState;
  if (s.noDirectDraw) {
    if (s.requestedBitDepth != 16 && s.requestedBitDepth != 32) s.requestedBitDepth = 16;
    const ColorData* cd = GetStandardColorData(s.requestedBitDepth == 32 ? 1 : 0, 0, 0);
    s.colorData = *cd;
    const PixelFormatRecord* pf = GetStandardPixelFormat(s.requestedBitDepth == 32 ? 1 : 0, 0, 0);
    s.pixelFormat = ToSurfacePixelFormat(pf);
    s.actualBitDepth = s.requestedBitDepth;
    return;
  }
  s.pixelFormat = plat::DisplayFormatForDepth(s.displayBits);
  PixelFormatRecord pf;
  std::memcpy(&pf, &s.pixelFormat, sizeof(pf));
  ColorDataFromPixelFormat(&pf, &s.colorData);
  LogWrite("カラー情報\n");
  LogIndentIncrease();
  LogPrintf("A:%08x  B:%08x  G:%08x  B:%08x", s.pixelFormat.alphaMask, s.pixelFormat.redMask,
            s.pixelFormat.greenMask, s.pixelFormat.blueMask);
  LogIndentDecrease();
  s.actualBitDepth = static_cast<int32_t>(s.pixelFormat.bitCount);
  const plat::PixelFormat& f = s.pixelFormat;
  if (f.redMask == 0xF800 && f.greenMask == 0x07E0 && f.blueMask == 0x001F) s.formatKind = 0;
  else if (f.redMask == 0x7C00 && f.greenMask == 0x03E0 && f.blueMask == 0x001F) s.formatKind = 1;
  else if (f.redMask == 0xFF0000 && f.greenMask == 0x00FF00 && f.blueMask == 0x0000FF) s.formatKind = 2;
  else s.formatKind = 3;
}

int CreateScreenMemImg(MemImg* img, int width, int height, int format) {
  std::memset(img, 0, sizeof(*img));
  if (format == -1) format = g_ScreenState.actualBitDepth == 16 ? 0 : 1;
  const int r = SetupMemImg(img, width, height, -1, 0, format, 0, 0, 0);
  // A screen starts black: nothing may read pixels that were never drawn.
  if (r == 0) std::memset(img->pixels, 0, static_cast<size_t>(img->pitch) * static_cast<size_t>(height));
  return r;
}

int CreateZBufferMemImg(MemImg* img, int width, int height) {
  std::memset(img, 0, sizeof(*img));
  return SetupMemImg(img, width, height, (2 * width + 15) & ~15, 0, MEMIMG_FORMAT_GRAY16, 0, 0, 0);
}

int BindBackImageToSurface() {
  ScreenState& s = g_ScreenState;
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  if (plat::SurfaceLock(s.back, nullptr, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) {
    return StopProgram("バックサーフェスのロックに失敗しました");
  }
  std::memset(&s.backImage, 0, sizeof(s.backImage));
  s.backImage.pixels = pixels;
  return SetupMemImg(&s.backImage, s.width, s.height, pitch, 0, s.actualBitDepth == 16 ? 0 : 1, 0, 0, 0);
}

static const char* MemoryKind(plat::Surface* surface) {
  return surface && (plat::SurfaceCaps(surface) & plat::SURFCAPS_VIDEOMEMORY) ? "VIDEOMEMORY" : "SYSTEMMEMORY";
}

int CreateOutputSurfaces() {
  ScreenState& s = g_ScreenState;
  const bool useDD = !s.noDirectDraw;
  if ((useDD && !s.device) || s.primary) return -1;
  LogWrite("出力画面用の DirectDrawSurface を作成します\n");
  LogIndentIncrease();
  int width, height;
  GetScreenSize(&width, &height);
  if (s.softwareScreen && s.requestedBitDepth != 8) {
    s.primaryIsImage = 1;
    s.work = s.work2 = s.zSurface = nullptr;
    if (useDD) {
      int pw, ph;
      PrimarySize(&pw, &ph);
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_PRIMARY | plat::SURFCAPS_SYSTEMMEMORY, pw, ph),
                              &s.primary) != plat::SURF_OK) {
        return StopProgram("プライマリサーフェスの作成に失敗しました");
      }
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_OFFSCREENPLAIN | plat::SURFCAPS_SYSTEMMEMORY, width, height),
                              &s.back) != plat::SURF_OK) {
        return StopProgram("バックサーフェスの作成に失敗しました");
      }
      plat::SurfaceColorFill(s.back, nullptr, 0);
    }
    if (CreateScreenMemImg(&s.primaryImage, width, height, s.actualBitDepth == 16 ? 0 : 1) != 0) {
      return StopProgram("プライマリサーフェス用の MEMIMG の作成に失敗しました\n");
    }
    s.backImageInSurface = 0;
    if (useDD && s.actualBitDepth == s.requestedBitDepth &&
        ((s.actualBitDepth == 32 && s.formatKind == 2) || (s.actualBitDepth == 16 && s.formatKind == 0))) {
      if (BindBackImageToSurface() != 0) return -1;
      s.backImageInSurface = 1;
    } else if (CreateScreenMemImg(&s.backImage, width, height, s.actualBitDepth == 16 ? 0 : 1) != 0) {
      return StopProgram("バックサーフェス用の MEMIMG の作成に失敗しました\n");
    }
    if (CreateZBufferMemImg(&s.zImage, width, height) != 0) {
      return StopProgram("Ｚバッファサーフェス用の MEMIMG の作成に失敗しました\n");
    }
  } else {
    s.actualBitDepth = s.requestedBitDepth;
    if (GetWindowModeFlag()) {
      int pw, ph;
      PrimarySize(&pw, &ph);
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_PRIMARY | plat::SURFCAPS_3DDEVICE, pw, ph), &s.primary) !=
          plat::SURF_OK) {
        return StopProgram("プライマリサーフェスの作成に失敗しました");
      }
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_OFFSCREENPLAIN | plat::SURFCAPS_3DDEVICE, width, height),
                              &s.back) != plat::SURF_OK) {
        return StopProgram("バックサーフェスの作成に失敗しました");
      }
      plat::SurfaceColorFill(s.back, nullptr, 0);
    } else {
      // The flip chain: a primary and one back buffer of the screen's size that trade pixels.
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_PRIMARY | plat::SURFCAPS_3DDEVICE, width, height),
                              &s.primary) != plat::SURF_OK) {
        return StopProgram("プライマリサーフェスの作成に失敗しました");
      }
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_3DDEVICE, width, height), &s.back) != plat::SURF_OK) {
        return StopProgram("バックバッファのポインタ取得に失敗しました");
      }
      for (int i = 0; i < 3; ++i) {
        plat::SurfaceColorFill(s.back, nullptr, 0);
        plat::SurfaceFlip(s.primary, s.back);
      }
    }
    for (int i = 0; i < 2; ++i) {
      plat::Surface** work = i == 0 ? &s.work : &s.work2;
      if (plat::SurfaceCreate(s.device, Desc(plat::SURFCAPS_OFFSCREENPLAIN | plat::SURFCAPS_SYSTEMMEMORY, width, height),
                              work) != plat::SURF_OK) {
        return StopProgram(i == 0 ? "作業用サーフェスの作成に失敗しました" : "作業用サーフェス２の作成に失敗しました");
      }
      plat::SurfaceSetColorKey(*work, 0, 0);
    }
    plat::SurfaceDesc zd = Desc(plat::SURFCAPS_ZBUFFER, width, height);
    zd.hasFormat = true;
    zd.format = plat::PixelFormat{32, plat::PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};
    if (plat::SurfaceCreate(s.device, zd, &s.zSurface) != plat::SURF_OK) {
      LogWrite("Ｚバッファの作成に失敗しました\n");
      LogIndentDecrease();
      return -1;
    }
    plat::SurfaceAttachZ(s.back, s.zSurface);
  }
  LogWrite("各スクリーンメモリの配置位置\n");
  LogIndentIncrease();
  if (s.primaryIsImage) {
    LogWrite("PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) ");
    LogWrite("BaskBuffer : SYSTEMMEMORY( MEMIMG ) ");
  } else {
    LogPrintf("PrimaryBuffer : %s  ", MemoryKind(s.primary));
    LogPrintf("BaskBuffer : %s  ", MemoryKind(s.back));
  }
  LogIndentDecrease();
  LogIndentDecrease();
  LogWrite("出力画面用の DirectDrawSurface の作成は正常に終了しました\n");
  return 0;
}

int ReleaseMainSurfaces() {
  ScreenState& s = g_ScreenState;
  if (!s.noDirectDraw && !s.device) return -1;
  if (s.back && plat::SurfaceIsLocked(s.back)) plat::SurfaceUnlock(s.back);
  if (s.zSurface) {
    if (s.back) plat::SurfaceDetachZ(s.back, s.zSurface);
    plat::SurfaceRelease(s.zSurface);
    s.zSurface = nullptr;
  }
  if (s.primary) {
    LogWrite("メインサーフェスを破棄をします... 完了しました\n");
    s.clipperOnPrimary = 0;
    plat::SurfaceRelease(s.back);
    plat::SurfaceRelease(s.primary);
    s.back = s.primary = nullptr;
  }
  plat::SurfaceRelease(s.work);
  plat::SurfaceRelease(s.work2);
  s.work = s.work2 = nullptr;
  if (s.backImageInSurface) {
    // Its pixels were the back surface's.
    std::memset(&s.backImage, 0, sizeof(s.backImage));
    s.backImageInSurface = 0;
  }
  if (s.primaryIsImage) {
    ReleaseMemImg(&s.primaryImage);
    ReleaseMemImg(&s.backImage);
    ReleaseMemImg(&s.zImage);
    std::memset(&s.primaryImage, 0, sizeof(s.primaryImage));
    std::memset(&s.backImage, 0, sizeof(s.backImage));
    std::memset(&s.zImage, 0, sizeof(s.zImage));
    s.primaryIsImage = 0;
  }
  s.targetSurface = nullptr;
  s.targetImage = nullptr;
  s.targetZImage = nullptr;
  return 0;
}

static void BuildTablesOnce() {
  if (!g_BlendTables.ready) BuildBlendLookupTables();
  g_ScreenState.tablesReady = 1;
}

int InitializeDirectDraw() {
  ScreenState& s = g_ScreenState;
  if (s.device) return -1;
  LogWrite("DirectDraw 関連の初期化を行います\n");
  LogIndentIncrease();
  // A platform without a display object runs the screen from memory, as the no-display switch does.
  if (!s.noDirectDraw && !plat::RendererOffersDisplay()) s.noDirectDraw = 1;
  if (s.noDirectDraw) {
    g_DrawState.useTexture = 0;
    g_DrawState.createSystemMemory = 1;
    s.softwareScreen = 1;
    s.noDirect3D = 1;
  } else {
    if (AcquireDirectDrawObject(&s.device) != 0) {
      LogIndentDecrease();
      return StopProgram("DirectDrawオブジェクトの作成に失敗しました");
    }
    AttachScreenClipper();
  }
  if (s.width == 0) s.width = 640;
  if (s.height == 0) s.height = 480;
  if (s.requestedBitDepth == 0) s.requestedBitDepth = 16;
  s.actualBitDepth = s.requestedBitDepth;
  if (ChangeScreenMode(-1, -1, -1, 1, -1) == -1) {
    LogIndentDecrease();
    TerminateDirectDraw();
    return -1;
  }
  s.screenInitialised = 1;
  // The blits pick their packed-byte forms from what the processor check at start found.
  s.mmxFlag = GetMmxUseFlag() == 1 ? 1 : 0;
  g_SoftBlitMmxFlag = s.mmxFlag;
  if (s.device) {
    // No overlay surfaces exist on this display layer: every row of the table fails.
    std::memset(s.caps, 0, sizeof(s.caps));
    s.overlayFormatIndex = -1;
    LogWrite("オーバーレイサーフェスは使用しません\n");
  }
  LogIndentDecrease();
  LogWrite("DirectDraw 関連の初期化は正常に終了しました\n");
  BuildTablesOnce();
  return 0;
}

void TerminateDirectDraw() {
  ScreenState& s = g_ScreenState;
  LogWrite("DirectDraw 関連の終了処理をおこないます\n");
  LogIndentIncrease();
  if (s.noDirectDraw) {
    TerminateGraphicsManager();
    DeleteAllSurface2D();
    ReleaseMainSurfaces();
  } else if (s.device) {
    s.paletteMade = 0;
    TerminateGraphicsManager();
    DeleteAllSurface2D();
    TerminateDirect3D();
    ReleaseMainSurfaces();
    ReleaseScreenClipper();
    LogWrite("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
    plat::SurfaceDeviceDestroy(s.device);
    s.device = nullptr;
    LogWrite("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  }
  RestoreDesktopDisplayMode();
  plat::PresenterSetWindow(nullptr);
  LogIndentDecrease();
  LogWrite("DirectDraw 関連の終了処理は正常に終了しました\n");
  s.tablesReady = 0;
  s.screenInitialised = 0;
}

int RestoreLostScreenSurfaces() {
  if (!g_ScreenState.device) return -1;
  if (g_DrawState.notAvailable) return 0;
  plat::Surface* list[3] = {g_ScreenState.primary, g_ScreenState.back, g_ScreenState.zSurface};
  for (plat::Surface* surface : list) {
    if (surface && plat::SurfaceIsLost(surface)) plat::SurfaceRestore(surface);
  }
  return 0;
}

void ReleaseTextureSurfaces() {
  if (g_ScreenState.noDirectDraw) return;
  for (int slot = 0; slot < GetSurface2DAreaEnd(); ++slot) {
    Surface2DRecord* part = GetSurface2D(Surface2DHandleFromSlot(slot));
    SurfaceDataRecord* data = part ? GetSurfaceDataRecord(static_cast<int>(part->surfaceData)) : nullptr;
    if (data && !data->softwareImageMode) ReleaseSurfaceDataSurfaces(static_cast<int>(part->surfaceData));
  }
}

void RecreateTextureSurfaces() {
  if (g_ScreenState.noDirectDraw) return;
  for (int slot = 0; slot < GetSurface2DAreaEnd(); ++slot) {
    Surface2DRecord* part = GetSurface2D(Surface2DHandleFromSlot(slot));
    if (!part) continue;
    int data = static_cast<int>(part->surfaceData);
    if (CreateSurfaceDataSurfaces(data) == 0) ApplySurfaceColorKey(data);
  }
}

int RecreateDirectDrawObject() {
  ScreenState& s = g_ScreenState;
  if (!s.device && AcquireDirectDrawObject(&s.device) != 0) {
    return StopProgram("DirectDraw オブジェクトの作成処理時にエラーが発生しました");
  }
  SetCurrentDisplayMode();
  RecreateTextureSurfaces();
  AttachScreenClipper();
  return 0;
}

int ReleaseDirectDrawObject() {
  ScreenState& s = g_ScreenState;
  LogWrite("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  if (!s.noDirectDraw && !s.device) {
    LogWrite("既に解放されています\n");
    return 0;
  }
  ReleaseTextureSurfaces();
  RestoreDisplayModeIfChanged();
  s.paletteMade = 0;
  ReleaseScreenClipper();
  if (s.device) plat::SurfaceDeviceDestroy(s.device);
  s.device = nullptr;
  LogWrite("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  return 0;
}

// Accessors.

int GetScreenSize(int* width, int* height) {
  if (width) *width = g_ScreenState.width ? g_ScreenState.width : 640;
  if (height) *height = g_ScreenState.height ? g_ScreenState.height : 480;
  return 0;
}

int GetScreenColorBitDepth() { return g_ScreenState.actualBitDepth ? g_ScreenState.actualBitDepth : 16; }
const ColorData* GetScreenColorData() { return &g_ScreenState.colorData; }

const PixelFormatRecord* GetScreenPixelFormatRecord() {
  static_assert(sizeof(PixelFormatRecord) == sizeof(plat::PixelFormat));
  return reinterpret_cast<const PixelFormatRecord*>(&g_ScreenState.pixelFormat);
}

plat::SurfaceDevice* GetDirectDrawObject() { return g_ScreenState.device; }
plat::Surface* GetPrimarySurface() { return g_ScreenState.primary; }
plat::Surface* GetBackSurface() { return g_ScreenState.back; }
plat::Surface* GetWorkSurface() { return g_ScreenState.work; }
plat::Surface* GetDrawTargetSurface() { return g_ScreenState.targetSurface; }

int IsDrawTargetPrimary() {
  if (!GetWindowModeFlag()) return 0;
  return g_ScreenState.targetSurface && g_ScreenState.targetSurface == g_ScreenState.primary ? 1 : 0;
}

int IsDirectDrawUsed() { return g_ScreenState.noDirectDraw ? 0 : 1; }
int IsSoftwareScreen() { return g_ScreenState.softwareScreen; }
int IsDirect3DDisabled() { return g_ScreenState.noDirect3D; }
int IsDisplayModeChanged() { return g_ScreenState.displayModeChanged; }
int GetFlipWaitsVBlank() { return g_ScreenState.flipWaitsVBlank; }

int SetFlipWaitsVBlank(int flag) {
  g_ScreenState.flipWaitsVBlank = flag;
  return 0;
}

void SetDirect3DDisabled(int flag) { g_ScreenState.noDirect3D = g_ScreenState.noDirectDraw ? 1 : flag; }

int GetMenuPresentMode() { return g_ScreenState.menuPresentMode; }

uint8_t* GetDirectDrawCaps(uint8_t* out) {
  std::memcpy(out, g_ScreenState.caps, DISPLAY_CAPS_SIZE);
  return out;
}

const plat::PixelFormat* GetOverlayPixelFormat() {
  int width, height;
  GetScreenSize(&width, &height);
  if (width < 640 || height < 400 || g_ScreenState.overlayFormatIndex < 0 || g_ScreenState.overlayFormatIndex > 3) {
    return nullptr;
  }
  return &OverlayFormatTable[g_ScreenState.overlayFormatIndex].format;
}

// What the graph, surface and colour code read of the screen.

int ScreenActualBitDepth() { return g_ScreenState.actualBitDepth; }
int ScreenRequestedBitDepth() { return g_ScreenState.requestedBitDepth; }
int ScreenIsSoftware() { return g_ScreenState.softwareScreen; }
int ScreenHasNoDirectDraw() { return g_ScreenState.noDirectDraw; }
int ScreenDirectDrawInUse() { return g_ScreenState.noDirectDraw ? 0 : 1; }
plat::SurfaceDevice* ScreenSurfaceDevice() { return g_ScreenState.device; }

const ColorData* ScreenColorDataRecord() {
  if (g_ScreenState.colorData.bitDepth == 0) {
    return GetStandardColorData(g_ScreenState.actualBitDepth == 32 ? 1 : 0, 0, 0);
  }
  return &g_ScreenState.colorData;
}

const uint32_t* ScreenPaletteEntries() { return g_ScreenState.paletteEntries; }

void ScreenModeSize(int* width, int* height) {
  *width = g_ScreenState.width;
  *height = g_ScreenState.height;
}

void SwitchToSoftwareScreen() { g_ScreenState.softwareScreen = 1; }
