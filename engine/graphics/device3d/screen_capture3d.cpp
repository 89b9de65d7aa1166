// Copying a rectangle of the draw screen into a texture graph. Which copy works differs between
// display drivers, so five methods are tried in a fixed order and the first that works is kept,
// one choice for plain textures and one for textures with alpha.
#include "engine/graphics/device3d/draw3d.h"

#include <algorithm>
#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/draw/draw_services.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"
#include "platform/sync.h"

namespace {

constexpr int DDERR_SURFACEBUSY_CODE = static_cast<int>(0x887601AEu);
constexpr int LOAD_ATTEMPTS = 10;

// Where the pixels come from, as the common part of every method finds it.
struct CaptureSource {
  plat::Surface* surface;
  int width, height;
  int originX, originY;
  int desktop;
};

void FindSource(CaptureSource* s, int wholeScreen) {
  s->surface = GetDrawTargetSurface();
  s->desktop = !wholeScreen && GetWindowModeFlag() && g_DrawState.drawScreen == DRAW_SCREEN_FRONT;
  if (s->desktop) {
    GetDesktopSize(&s->width, &s->height);
    s->originX = 0;
    s->originY = 0;
  } else {
    GetGraphDimensions(g_DrawState.drawScreen, &s->width, &s->height);
    s->originX = g_DrawState.drawScreenRect.left;
    s->originY = g_DrawState.drawScreenRect.top;
  }
}

int RectAccepted(const CaptureSource& s, int x1, int y1, int x2, int y2, const GraphRecord* g) {
  return 0 <= x1 && x1 < x2 && 0 <= y1 && y1 < y2 && x1 <= s.width && y1 <= s.height && x2 - x1 <= g->width &&
         y2 - y1 <= g->height;
}

// One tile's share of the copy.
struct TileCopy {
  SurfaceDataRecord* data;
  int dataHandle;
  int textureX, textureY;
  RectI source;            // in the source surface
  int width, height;
};

// The tile of part i and its copy rectangle; 0 skip, 1 copy, -1 bad tile.
int PlanTile(const GraphRecord* g, int i, const CaptureSource& s, int x1, int y1, TileCopy* t) {
  Surface3DRecord* rec = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
  Tile3DView v;
  if (rec == nullptr || GetTile3DView(rec, &v) != 0) return -1;
  const int sx = v.drawX + x1, sy = v.drawY + y1;
  if (sx >= s.width || sy >= s.height) return 0;
  t->width = std::min(v.width, s.width - v.drawX - x1);
  t->height = std::min(v.height, s.height - v.drawY - y1);
  if (t->width <= 0 || t->height <= 0) return 0;
  t->dataHandle = v.surfaceData;
  t->data = GetSurfaceDataRecord(v.surfaceData);
  if (t->data == nullptr || t->data->surface == nullptr) return -1;
  t->textureX = v.textureX;
  t->textureY = v.textureY;
  t->source = {s.originX + sx, s.originY + sy, s.originX + sx + t->width, s.originY + sy + t->height};
  return 1;
}

const ColorData* TextureColorData(const SurfaceDataRecord* d) {
  const ColorData* cd = GetTextureFormatColorData(d->formatIndex);
  return cd != nullptr ? cd : ScreenColorDataRecord();
}

ColorData SurfaceColorData(const plat::Surface* s) {
  const plat::PixelFormat& f = plat::SurfaceFormat(s);
  ColorData cd;
  std::memset(&cd, 0, sizeof(cd));
  CreateColorData(&cd, static_cast<int>(f.bitCount), f.redMask, f.greenMask, f.blueMask, f.alphaMask);
  return cd;
}

// The system's copy between two device contexts: a lock of each surface and a converting copy.
// The engine's own code calls these under the same names the failures log.
struct DeviceContext {
  plat::Surface* surface;
  uint8_t* pixels;
  int32_t pitch;
  ColorData cd;
};

int GetDC(plat::Surface* s, DeviceContext* dc) {
  dc->surface = s;
  dc->cd = SurfaceColorData(s);
  return plat::SurfaceLock(s, nullptr, plat::SURFLOCK_WAIT, &dc->pixels, &dc->pitch);
}

int ReleaseDC(DeviceContext* dc) {
  if (dc->surface == nullptr) return 0;
  const int r = plat::SurfaceUnlock(dc->surface);
  dc->surface = nullptr;
  return r;
}

int BitBlt(DeviceContext* dst, int dx, int dy, int w, int h, const DeviceContext* src, int sx, int sy) {
  if (sx < 0 || sy < 0 || dx < 0 || dy < 0 || sx + w > plat::SurfaceWidth(src->surface) ||
      sy + h > plat::SurfaceHeight(src->surface) || dx + w > plat::SurfaceWidth(dst->surface) ||
      dy + h > plat::SurfaceHeight(dst->surface)) {
    return -1;
  }
  const RectI r = {sx, sy, sx + w, sy + h};
  return ConvertImageBlt(dst->pixels, dst->pitch, &dst->cd, src->pixels, src->pitch, &src->cd, nullptr, 0, nullptr,
                         dx, dy, &r, 0, 0, 0, 0, 0, 0, 0);
}

int CreateWorkTexture(const SurfaceDataRecord* d, plat::Surface** out) {
  plat::SurfaceDesc desc = {};
  desc.caps = plat::SURFCAPS_TEXTURE | plat::SURFCAPS_SYSTEMMEMORY;
  desc.width = plat::SurfaceWidth(d->surface);
  desc.height = plat::SurfaceHeight(d->surface);
  desc.hasFormat = true;
  desc.format = plat::SurfaceFormat(d->surface);
  return plat::SurfaceCreate(ScreenSurfaceDevice(), desc, out);
}

// The transparent colour becomes alpha 0 whenever the texture's format can hold it: a texture of a
// graph made without an alpha channel still carries one for transparent drawing.
int TileKeyToAlpha(const ColorData* textureFormat) {
  return textureFormat != nullptr && textureFormat->alphaWidth > 0 ? 1 : 0;
}

}  // namespace

// Screen into the work surface, then converted into each tile.
static int G_D3D_GetDrawScreenGraphFunction5(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen) {
  CaptureSource s;
  FindSource(&s, wholeScreen);
  if (s.desktop || s.surface == nullptr) return -1;
  if (!RectAccepted(s, x1, y1, x2, y2, g)) return -1;
  plat::Surface* work = GetWorkSurface();
  if (work == nullptr) return -1;
  const RectI src = {s.originX + x1, s.originY + y1, s.originX + x2, s.originY + y2};
  if (CopySurfaceRect(work, s.surface, 0, 0, &src, 0) != 0) return -1;
  uint8_t* wp;
  int32_t wpitch;
  int r = plat::SurfaceLock(work, nullptr, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &wp, &wpitch);
  if (r != 0) {
    LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", r);
    return -1;
  }
  const ColorData* screenCd = ScreenColorDataRecord();
  for (int i = 0; i < g->partCount; ++i) {
    TileCopy t;
    const int plan = PlanTile(g, i, s, x1, y1, &t);
    if (plan < 0) {
      plat::SurfaceUnlock(work);
      return -1;
    }
    if (plan == 0) continue;
    int32_t tpitch;
    uint8_t* tp;
    const ColorData* tcd = nullptr;
    r = LockSurfaceData(t.dataHandle, &tpitch, &tp, 1, nullptr, &tcd);
    if (r != 0) {
      LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", r);
      plat::SurfaceUnlock(work);
      return -1;
    }
    if (tcd == nullptr) tcd = TextureColorData(t.data);
    // The work surface holds the captured rectangle from its top-left corner.
    const RectI from = {t.source.left - src.left, t.source.top - src.top, t.source.right - src.left,
                        t.source.bottom - src.top};
    ConvertImageBlt(tp, tpitch, tcd, wp, wpitch, screenCd, nullptr, 0, nullptr, t.textureX, t.textureY, &from, 0,
                    TileKeyToAlpha(tcd), t.data->transparentColor, g_DrawState.reductionMode, 0, 0, 0);
    UnlockSurfaceData(t.dataHandle, nullptr);
    ApplySurfaceColorKey(t.dataHandle);
  }
  plat::SurfaceUnlock(work);
  return 0;
}

// A direct copy from the draw-target surface into each tile's texture.
static int G_D3D_GetDrawScreenGraphFunction1(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen) {
  CaptureSource s;
  FindSource(&s, wholeScreen);
  if (s.surface == nullptr || !RectAccepted(s, x1, y1, x2, y2, g)) return -1;
  for (int i = 0; i < g->partCount; ++i) {
    TileCopy t;
    const int plan = PlanTile(g, i, s, x1, y1, &t);
    if (plan < 0) return -1;
    if (plan == 0) continue;
    const plat::SurfRect r = {t.source.left, t.source.top, t.source.right, t.source.bottom};
    const int rv = plat::SurfaceBltFast(t.data->surface, t.textureX, t.textureY, s.surface, &r, 0);
    if (rv != 0) {
      LogPrintf("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d", rv);
      return -1;
    }
    ApplySurfaceColorKey(t.dataHandle);
  }
  return 0;
}

// The system copy straight into each tile's texture.
static int G_D3D_GetDrawScreenGraphFunction2(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen) {
  CaptureSource s;
  FindSource(&s, wholeScreen);
  if (s.surface == nullptr || !RectAccepted(s, x1, y1, x2, y2, g)) return -1;
  DeviceContext src;
  int r = GetDC(s.surface, &src);
  if (r != 0) {
    LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:%d", r);
    return -1;
  }
  for (int i = 0; i < g->partCount; ++i) {
    TileCopy t;
    const int plan = PlanTile(g, i, s, x1, y1, &t);
    if (plan < 0) {
      ReleaseDC(&src);
      return -1;
    }
    if (plan == 0) continue;
    DeviceContext dst;
    r = GetDC(t.data->surface, &dst);
    if (r != 0) {
      LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC ReturnValue:%d", r);
      ReleaseDC(&src);
      return -1;
    }
    if (BitBlt(&dst, t.textureX, t.textureY, t.width, t.height, &src, t.source.left, t.source.top) != 0) {
      LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x", 1u);
      ReleaseDC(&dst);
      ReleaseDC(&src);
      return -1;
    }
    r = ReleaseDC(&dst);
    if (r != 0) {
      LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC ReturnValue:%d", r);
      ReleaseDC(&src);
      return -1;
    }
    ApplySurfaceColorKey(t.dataHandle);
  }
  ReleaseDC(&src);
  return 0;
}

namespace {

// Methods 3 and 4 share their start: the system copy of one tile into a system-memory work
// texture of the tile's size and format. 0, or -1 after logging with the method's own texts.
struct WorkCopyTexts {
  const char* create;
  const char* getDC;
  const char* bitBlt;
  const char* releaseDC;
};

int CopyTileToWork(DeviceContext* src, const TileCopy& t, const WorkCopyTexts& texts, plat::Surface** work) {
  int r = CreateWorkTexture(t.data, work);
  if (r != 0) {
    LogPrintf(texts.create, r);
    return -1;
  }
  DeviceContext dc;
  r = GetDC(*work, &dc);
  if (r != 0) {
    LogPrintf(texts.getDC, r);
    plat::SurfaceRelease(*work);
    return -1;
  }
  if (BitBlt(&dc, t.textureX, t.textureY, t.width, t.height, src, t.source.left, t.source.top) != 0) {
    LogPrintf(texts.bitBlt, 1u);
    ReleaseDC(&dc);
    plat::SurfaceRelease(*work);
    return -1;
  }
  r = ReleaseDC(&dc);
  if (r != 0) {
    LogPrintf(texts.releaseDC, r);
    plat::SurfaceRelease(*work);
    return -1;
  }
  return 0;
}

}  // namespace

namespace {

// How methods 3 and 4 bring a tile's work texture into the tile; 0, or -1 after logging. The
// caller releases the work texture either way.
using WorkToTile = int (*)(const TileCopy& t, plat::Surface* work, int x1, int y1, int x2, int y2);

// Methods 3 and 4: every tile copied by the system into a work texture, then brought over.
int CaptureThroughWork(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen, const WorkCopyTexts& texts,
                       const char* sourceDCText, WorkToTile bringOver) {
  CaptureSource s;
  FindSource(&s, wholeScreen);
  if (s.surface == nullptr || !RectAccepted(s, x1, y1, x2, y2, g)) return -1;
  DeviceContext src;
  int r = GetDC(s.surface, &src);
  if (r != 0) {
    LogPrintf(sourceDCText, r);
    return -1;
  }
  int result = 0;
  for (int i = 0; i < g->partCount && result == 0; ++i) {
    TileCopy t;
    const int plan = PlanTile(g, i, s, x1, y1, &t);
    if (plan < 0) result = -1;
    if (plan <= 0) continue;
    plat::Surface* work = nullptr;
    if (CopyTileToWork(&src, t, texts, &work) != 0) {
      result = -1;
      break;
    }
    r = bringOver(t, work, x1, y1, x2, y2);
    plat::SurfaceRelease(work);
    if (r != 0) {
      result = -1;
      break;
    }
    ApplySurfaceColorKey(t.dataHandle);
  }
  ReleaseDC(&src);
  return result;
}

// Method 3: the work texture locked and converted into the tile.
int ConvertWorkToTile(const TileCopy& t, plat::Surface* work, int, int, int, int) {
  uint8_t *tp, *wp;
  int32_t tpitch, wpitch;
  int r = plat::SurfaceLock(t.data->surface, nullptr, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &tp, &tpitch);
  if (r != 0) {
    LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction3 　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", r);
    return -1;
  }
  r = plat::SurfaceLock(work, nullptr, plat::SURFLOCK_WAIT, &wp, &wpitch);
  if (r != 0) {
    LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", r);
    plat::SurfaceUnlock(t.data->surface);
    return -1;
  }
  const ColorData* cd = TextureColorData(t.data);
  const RectI area = {t.textureX, t.textureY, t.textureX + t.width, t.textureY + t.height};
  ConvertImageBlt(tp, tpitch, cd, wp, wpitch, cd, nullptr, 0, nullptr, t.textureX, t.textureY, &area, 0,
                  TileKeyToAlpha(cd), t.data->transparentColor, g_DrawState.reductionMode, 0, 0, 0);
  plat::SurfaceUnlock(work);
  plat::SurfaceUnlock(t.data->surface);
  return 0;
}

// Method 4: the device's texture load, retried while the tile is busy.
int LoadWorkToTile(const TileCopy& t, plat::Surface* work, int x1, int y1, int x2, int y2) {
  const plat::SurfRect area = {t.textureX, t.textureY, t.textureX + t.width, t.textureY + t.height};
  int hr = 0;
  for (int attempt = 0; attempt < LOAD_ATTEMPTS; ++attempt) {
    plat::Device3D* dev = GetDeviceObject();
    hr = dev != nullptr ? dev->Load(t.data->surface, t.textureX, t.textureY, work, &area, 0) : -1;
    if (hr != DDERR_SURFACEBUSY_CODE) break;
    plat::SurfaceRestore(t.data->surface);
    plat::Sleep(1);
  }
  if (hr == 0) return 0;
  int sw = 0, sh = 0;
  ScreenModeSize(&sw, &sh);
  LogPrintf("hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d", hr, sw, sh,
            GetWindowModeFlag() ? 0 : 1, t.textureX, t.textureY, area.top, area.bottom, area.left, area.right);
  LogPrintf("AlphaCh:%d  AlphaTest:%d  ColorBitDepth:%d", t.data->create.alphaChannel, t.data->create.alphaTest,
            t.data->create.bitDepth);
  RectI client = {0, 0, 0, 0};
  GetMainClientScreenRect(&client);
  LogPrintf("ScreenColor:%d  SizeX:%d  SizeY:%d  DrawPointX:%d  DrawPointY:%d  WndRect.left:%d  WndRect.top:%d  left:%d  top:%d",
            ScreenActualBitDepth(), x2 - x1, y2 - y1, x1, y1, client.left, client.top, t.source.left, t.source.top);
  return -1;
}

}  // namespace

// The system copy into a work texture, then locked and converted.
static int G_D3D_GetDrawScreenGraphFunction3(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen) {
  static const WorkCopyTexts texts = {
      "Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d",
      "Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
      "Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
      "Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC  ReturnValue:%d"};
  return CaptureThroughWork(x1, y1, x2, y2, g, wholeScreen, texts,
                            "Error  G_D3D_GetDrawScreenGraphFunction3 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
                            ConvertWorkToTile);
}

// The system copy into a work texture, then the device's texture load.
static int G_D3D_GetDrawScreenGraphFunction4(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen) {
  static const WorkCopyTexts texts = {
      "Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d",
      "Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
      "Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
      "Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC  ReturnValue:%d"};
  return CaptureThroughWork(x1, y1, x2, y2, g, wholeScreen, texts,
                            "Error  G_D3D_GetDrawScreenGraphFunction4 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
                            LoadWorkToTile);
}

const GetDrawScreenGraphMethod GetDrawScreenGraphMethodTable[] = {
    G_D3D_GetDrawScreenGraphFunction5, G_D3D_GetDrawScreenGraphFunction1, G_D3D_GetDrawScreenGraphFunction3,
    G_D3D_GetDrawScreenGraphFunction2, G_D3D_GetDrawScreenGraphFunction4, nullptr,
};

int GetDrawScreenGraph3D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  if (!Direct3DDrawReady()) return -1;
  if (Draw3DSoftwareOnlyTarget()) return 0;
  FlushCurrentVertexBuffer();
  EndSceneCurrent();
  if (g->partCount <= 0 || GetSurface3DDataChecked(static_cast<int>(g->parts[0])) == nullptr) return -1;
  Tile3DView v;
  GetTile3DView(GetSurface3DDataChecked(static_cast<int>(g->parts[0])), &v);
  const SurfaceDataRecord* d = GetSurfaceDataRecord(v.surfaceData);
  if (d == nullptr) return -1;
  int32_t* remembered = &g_Direct3D.captureMethod[d->create.alphaChannel || d->create.alphaTest ? 1 : 0];
  if (*remembered != -1) {
    const int r = GetDrawScreenGraphMethodTable[*remembered](x1, y1, x2, y2, g, flag);
    if (r >= 0) return r;
  }
  int r = -1;
  for (int i = 0; GetDrawScreenGraphMethodTable[i] != nullptr; ++i) {
    r = GetDrawScreenGraphMethodTable[i](x1, y1, x2, y2, g, flag);
    if (r == 0) {
      *remembered = i;
      return 0;
    }
  }
  *remembered = -1;
  return r;
}

int SetNoneBitsInRect(const RectI* rect, uint8_t* pixels, int pitch, const ColorData* cd, uint32_t value) {
  if (cd->noneMask == 0) return 0;
  RectI r = *rect;
  NormalizeRect(&r);
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t* row = pixels + static_cast<intptr_t>(y) * pitch;
    for (int x = r.left; x < r.right; ++x) {
      if (cd->pixelBytes == 2) {
        uint16_t p;
        std::memcpy(&p, row + x * 2, 2);
        p = static_cast<uint16_t>(p | (value << cd->noneShift));
        std::memcpy(row + x * 2, &p, 2);
      } else if (cd->pixelBytes == 4) {
        if (cd->noneMask == 0xFF000000u) {
          row[x * 4 + 3] = static_cast<uint8_t>(row[x * 4 + 3] | value);
        } else {
          uint32_t p;
          std::memcpy(&p, row + x * 4, 4);
          p |= value << cd->noneShift;
          std::memcpy(row + x * 4, &p, 4);
        }
      } else {
        return 0;
      }
    }
  }
  return 0;
}
