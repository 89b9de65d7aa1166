// Texture graphs: the tile table, tile sizes, cutting and deriving graphs, transfers into tiles,
// restore, the texture formats and the enumeration callbacks that fill them.
#include "engine/graphics/graph/texture_graph.h"

#include <cstring>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/graphics/device3d/device3d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"
#include "engine/graphics/operations.h"

TextureLimits g_TextureLimits;
static HandleTable g_TileTable;

static HandleTable* Tiles() {
  if (!g_TileTable.slots) HandleTableInit(&g_TileTable, HANDLE_KIND_TEXTURE, SURFACE3D_TABLE_SIZE);
  return &g_TileTable;
}

static bool Direct3DUp() { return g_Direct3D.object != nullptr; }

Surface3DRecord* GetSurface3DData(int handle) { return static_cast<Surface3DRecord*>(HandleLookup(Tiles(), handle)); }
Surface3DRecord* GetSurface3DDataChecked(int handle) {
  if ((static_cast<uint32_t>(handle) & 0xF8000000u) != HANDLE_KIND_TEXTURE) return nullptr;
  return GetSurface3DData(handle);
}
int GetSurface3DCount() { return Tiles()->count; }
int GetSurface3DAreaEnd() { return Tiles()->areaEnd; }

plat::Surface* GetSurface3DTexture(const Surface3DRecord* r) {
  SurfaceDataRecord* sd = r ? GetSurfaceDataRecord(static_cast<int>(r->surfaceData)) : nullptr;
  return sd ? sd->surface : nullptr;
}

static void BuildTileVertices(Surface3DRecord* r) {
  SurfaceDataRecord* sd = GetSurfaceDataRecord(static_cast<int>(r->surfaceData));
  const float tw = sd && sd->width ? sd->width : 1.0f, th = sd && sd->height ? sd->height : 1.0f;
  for (int i = 0; i < 4; ++i) {
    const bool right = i & 1, bottom = i & 2;
    plat::VertexTextured& v = r->vertices[i];
    v.x = static_cast<float>(r->drawX + (right ? r->width : 0));
    v.y = static_cast<float>(r->drawY + (bottom ? r->height : 0));
    v.z = 0.0f;
    v.rhw = 1.0f;
    v.diffuse = 0xFFFFFFFF;
    v.u = static_cast<float>(r->textureX + (right ? r->width : 0)) / tw;
    v.v = static_cast<float>(r->textureY + (bottom ? r->height : 0)) / th;
  }
}

int AddSurface3DData(int textureWidth, int textureHeight, int drawX, int drawY, int width, int height, int sourceX,
                     int sourceY, int owner, const Surface3DRecord* parent, int textureX, int textureY,
                     const GraphCreationBytes* create) {
  if (!Direct3DUp()) return LogWrite("３Ｄグラフィックエンジンが初期化されていません\n");
  HandleTable* t = Tiles();
  if (t->count >= SURFACE3D_TABLE_SIZE) return LogWrite("３Ｄグラフィックの数が許容量を越えました。\n");
  const int handle = HandleCreate(t, sizeof(Surface3DRecord));
  if (handle < 0) return LogWrite("メモリの確保に失敗しました in AddSurface3DData \n");
  Surface3DRecord* r = GetSurface3DData(handle);
  int data;
  if (parent) {
    data = static_cast<int>(parent->surfaceData);
    if (AddSurfaceDataRef(data) < 0) data = -1;
  } else {
    data = AddSurfaceData(1, textureWidth, textureHeight, g_DrawState.transparentColor, create);
  }
  if (data < 0) {
    HandleDestroy(t, handle);
    return -1;
  }
  if (parent) {
    textureX += parent->textureX;
    textureY += parent->textureY;
    sourceX += parent->sourceX;
    sourceY += parent->sourceY;
  }
  r->drawX = static_cast<uint16_t>(drawX);
  r->drawY = static_cast<uint16_t>(drawY);
  r->textureX = static_cast<uint16_t>(textureX);
  r->textureY = static_cast<uint16_t>(textureY);
  r->sourceX = static_cast<uint16_t>(sourceX);
  r->sourceY = static_cast<uint16_t>(sourceY);
  r->width = static_cast<uint16_t>(width);
  r->height = static_cast<uint16_t>(height);
  r->owner = static_cast<uint32_t>(owner);
  r->surfaceData = static_cast<uint32_t>(data);
  BuildTileVertices(r);
  return handle;
}

int DeleteSurface3DData(int handle) {
  Surface3DRecord* r = GetSurface3DDataChecked(handle);
  if (!r) return -1;
  const int data = static_cast<int>(r->surfaceData);
  if (ReleaseSurfaceDataRef(data) <= 0) {
    // Pending vertices may still sample this texture, and the devices may still hold it.
    SurfaceDataRecord* sd = GetSurfaceDataRecord(data);
    if (sd && sd->surface) ForgetTexture3D(sd->surface);
    ReleaseSurfaceData(data);
  }
  return HandleDestroy(Tiles(), handle);
}

int DeleteAllSurface3DData() {
  if (!Direct3DUp()) return -1;
  HandleTable* t = Tiles();
  for (int slot = t->areaEnd - 1; slot >= 0; --slot) {
    int h = HandleFromSlot(t, slot);
    if (h >= 0) DeleteSurface3DData(h);
  }
  return 0;
}

int DeleteAllSurface3DDataIfReady() { return DeleteAllSurface3DData(); }

int ChooseTextureSizes(int size, int* sizes, int renderTarget) {
  const TextureLimits& L = g_TextureLimits;
  const int lower = L.minSize < 32 ? 32 : L.minSize;
  if (size <= lower) {
    int t = lower;
    while (L.minSize < t && t / 2 >= size) t /= 2;
    sizes[0] = t;
    return 1;
  }
  int screenW, screenH;
  ScreenModeSize(&screenW, &screenH);
  if (screenW <= 0) screenW = 640;
  int m;
  if (L.noSplit == 1 || renderTarget) {
    m = L.maxSize;
  } else if (screenW > L.maxSize) {
    m = L.maxSize;   // the screen width would be a tile the device cannot hold
  } else {
    m = 8;
    while (m < screenW) m *= 2;
  }
  int t = m;
  while (t > lower && t > size) t /= 2;
  if ((L.noSplit == 1 || renderTarget || size < screenW) && 2 * t <= m) {
    sizes[0] = t < size ? 2 * t : t;
    return 1;
  }
  int n = 0, sum = 0;
  for (;;) {
    if (n > GRAPH_MAX_PARTS) break;   // more tiles than a graph can hold: the caller refuses it
    sizes[n] = t;
    sum += t;
    const int rest = size - sum;
    if (rest < 1) {
      ++n;
      break;
    }
    if (rest > (3 * t) / 4 && t < m) {
      sizes[n] = 2 * t;
      ++n;
      break;
    }
    while (rest < t && t > lower) t /= 2;
    ++n;
  }
  if (n >= 2 && sizes[n - 1] == sizes[n - 2] && 2 * sizes[n - 1] <= m) {
    sizes[n - 2] *= 2;
    --n;
  }
  return n;
}

// Which side of the graph's diagonal from bottom-left to top-right each corner lies on.
static void SetDiagonalFlags(Surface3DRecord* r, int graphWidth, int graphHeight) {
  const double ratio = graphWidth ? static_cast<double>(graphHeight) / graphWidth : 0.0;
  for (int i = 0; i < 4; ++i) {
    r->diagonal[i] = graphHeight - r->vertices[i].x * ratio >= r->vertices[i].y ? 1 : 0;
  }
}

struct TileRect { int x, y, w, h; };

int CreateGraphTextures(GraphRecord* g) {
  if (!Direct3DUp()) return -1;
  int widths[GRAPH_MAX_PARTS + 2], heights[GRAPH_MAX_PARTS + 2];
  const int cols = ChooseTextureSizes(g->width, widths, g->create.drawValid);
  const int rows = ChooseTextureSizes(g->height, heights, g->create.drawValid);
  if (cols * rows > GRAPH_MAX_PARTS) {
    return LogPrintf("エラー：画像の分割数が最大数の %d を超えました", GRAPH_MAX_PARTS);
  }
  TileRect tiles[GRAPH_MAX_PARTS];
  int count = 0;
  for (int r = 0, y = 0; r < rows; y += heights[r], ++r) {
    for (int c = 0, x = 0; c < cols; x += widths[c], ++c) tiles[count++] = TileRect{x, y, widths[c], heights[r]};
  }
  if (g_Direct3D.deviceDesc.triTextureCaps & plat::TEXCAPS_SQUAREONLY) {
    // Each non-square tile becomes squares of its smaller side; the count is checked again, since
    // the graph's parts hold only 64 handles.
    int total = count;
    for (int i = 0; i < count; ++i) {
      const int side = tiles[i].w < tiles[i].h ? tiles[i].w : tiles[i].h;
      total += (tiles[i].w > tiles[i].h ? tiles[i].w : tiles[i].h) / side - 1;
    }
    if (total > GRAPH_MAX_PARTS) {
      return LogPrintf("エラー：画像の分割数が最大数の %d を超えました", GRAPH_MAX_PARTS);
    }
    const int original = count;
    for (int i = 0; i < original; ++i) {
      TileRect t = tiles[i];
      if (t.w == t.h) continue;
      const bool wide = t.w > t.h;
      const int side = wide ? t.h : t.w, pieces = (wide ? t.w : t.h) / side;
      tiles[i] = TileRect{t.x, t.y, side, side};
      for (int k = 1; k < pieces; ++k) {
        tiles[count++] = TileRect{wide ? t.x + k * side : t.x, wide ? t.y : t.y + k * side, side, side};
      }
    }
  }
  g->partCount = 0;
  for (int i = 0; i < count; ++i) {
    const TileRect& t = tiles[i];
    const int usedW = g->width - t.x < t.w ? g->width - t.x : t.w;
    const int usedH = g->height - t.y < t.h ? g->height - t.y : t.h;
    const int h = AddSurface3DData(t.w, t.h, t.x, t.y, usedW, usedH, t.x, t.y, g->handle, nullptr, 0, 0, &g->create);
    if (h < 0) return -1;
    g->parts[g->partCount++] = static_cast<uint32_t>(h);
    SetDiagonalFlags(GetSurface3DData(h), g->width, g->height);
  }
  return 0;
}

int DeriveGraphTextures(GraphRecord* g, int x, int y, int width, int height, const GraphRecord* source) {
  if (!Direct3DUp()) return -1;
  g->partCount = 0;
  auto fail = [g]() {
    for (int i = 0; i < g->partCount; ++i) DeleteSurface3DData(static_cast<int>(g->parts[i]));
    g->partCount = 0;
    return -1;
  };
  if (source->partCount == 1) {
    Surface3DRecord* parent = GetSurface3DDataChecked(static_cast<int>(source->parts[0]));
    if (!parent) return -1;
    const int h = AddSurface3DData(0, 0, 0, 0, width, height, x, y, g->handle, parent, x, y, nullptr);
    if (h < 0) return -1;
    g->parts[g->partCount++] = static_cast<uint32_t>(h);
    SetDiagonalFlags(GetSurface3DData(h), width, height);
    return 0;
  }
  for (int i = 0; i < source->partCount; ++i) {
    Surface3DRecord* parent = GetSurface3DDataChecked(static_cast<int>(source->parts[i]));
    if (!parent) return fail();
    const int left = x > parent->drawX ? x : parent->drawX;
    const int top = y > parent->drawY ? y : parent->drawY;
    const int right = x + width < parent->drawX + parent->width ? x + width : parent->drawX + parent->width;
    const int bottom = y + height < parent->drawY + parent->height ? y + height : parent->drawY + parent->height;
    if (left >= right || top >= bottom) continue;
    const int offX = left - parent->drawX, offY = top - parent->drawY;
    const int h = AddSurface3DData(0, 0, left - x, top - y, right - left, bottom - top, offX, offY, g->handle, parent,
                                   offX, offY, nullptr);
    if (h < 0) return fail();
    g->parts[g->partCount++] = static_cast<uint32_t>(h);
    SetDiagonalFlags(GetSurface3DData(h), width, height);
  }
  return 0;
}

void DeleteGraphTextures(GraphRecord* g) {
  for (int i = 0; i < g->partCount; ++i) DeleteSurface3DData(static_cast<int>(g->parts[i]));
  g->partCount = 0;
}

static bool HasOwnAlpha(const PictureImage* p) { return p->colorData.alphaWidth != 0 || p->colorData.alphaMask != 0; }

int TransferImageToTexture(const PictureImage* image, const PictureImage* alpha, const RectI* srcRect, int textureX,
                           int textureY, int tile) {
  if (!Direct3DUp()) return -1;
  FlushCurrentVertexBuffer();
  Surface3DRecord* r = GetSurface3DDataChecked(tile);
  if (!r || !image || !image->pixels) return -1;
  const int data = static_cast<int>(r->surfaceData);
  SurfaceDataRecord* sd = GetSurfaceDataRecord(data);
  const ColorData* cd = sd ? GetTextureFormatColorData(sd->formatIndex) : nullptr;
  if (!sd || !cd || !sd->surface) return -1;
  RectI sr = *srcRect;
  if (sr.left < 0 || sr.top < 0 || sr.right > image->width || sr.bottom > image->height || sr.left >= sr.right ||
      sr.top >= sr.bottom || textureX < 0 || textureY < 0 || textureX + (sr.right - sr.left) > sd->width ||
      textureY + (sr.bottom - sr.top) > sd->height) {
    return -1;
  }
  if (alpha && (!alpha->pixels || alpha->width < sr.right || alpha->height < sr.bottom)) alpha = nullptr;
  int32_t pitch = 0;
  uint8_t* pixels = nullptr;
  plat::Surface* temp = nullptr;
  const int lr = LockSurfaceData(data, &pitch, &pixels, 1, nullptr, nullptr);
  if (lr != 0) {
    if (lr == -2) UnlockSurfaceData(data, nullptr);
    plat::SurfaceDesc desc{};
    desc.caps = plat::SURFCAPS_TEXTURE | plat::SURFCAPS_SYSTEMMEMORY;
    desc.width = sd->width;
    desc.height = sd->height;
    desc.hasFormat = true;
    desc.format = plat::SurfaceFormat(sd->surface);
    if (plat::SurfaceCreate(ScreenSurfaceDevice(), desc, &temp) != plat::SURF_OK ||
        plat::SurfaceLock(temp, nullptr, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &pixels, &pitch) !=
            plat::SURF_OK) {
      if (temp) plat::SurfaceRelease(temp);
      GraphicsFatalStop("テンポラリテクスチャサーフェスの作成に失敗しました");
      return -1;
    }
  }
  const int keyToAlpha = cd->alphaWidth != 0 && !alpha && !HasOwnAlpha(image) ? 1 : 0;
  ConvertImageBlt(pixels, pitch, cd, image->pixels, image->pitch, &image->colorData, alpha ? alpha->pixels : nullptr,
                  alpha ? alpha->pitch : 0, alpha ? &alpha->colorData : nullptr, textureX, textureY, &sr, 0, keyToAlpha,
                  sd->transparentColor, g_DrawState.reductionMode, 0, 0, 0);
  int result = 0;
  if (temp) {
    plat::SurfaceUnlock(temp);
    plat::SurfRect rect{textureX, textureY, textureX + (sr.right - sr.left), textureY + (sr.bottom - sr.top)};
    plat::Device3D* dev = GetDeviceObject();
    if (!dev || dev->Load(sd->surface, rect.left, rect.top, temp, &rect, 0) != plat::DEV3D_OK) {
      plat::SurfaceRelease(temp);
      GraphicsFatalStop("作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました");
      return -1;
    }
    plat::SurfaceRelease(temp);
  } else {
    UnlockSurfaceData(data, nullptr);
  }
  ApplySurfaceColorKey(data);
  return result;
}

int FillGraphTexturesFromImage(const PictureImage* image, const PictureImage* alpha, int srcX, int srcY,
                               GraphRecord* g) {
  if (!Direct3DUp()) return -1;
  for (int i = 0; i < g->partCount; ++i) {
    Surface3DRecord* r = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
    if (!r) return -1;
    RectI sr{srcX + r->drawX, srcY + r->drawY, srcX + r->drawX + r->width, srcY + r->drawY + r->height};
    int tx = r->textureX, ty = r->textureY;
    // Only the part of the tile the picture covers is filled.
    if (sr.left < 0) { tx -= sr.left; sr.left = 0; }
    if (sr.top < 0) { ty -= sr.top; sr.top = 0; }
    if (sr.right > image->width) sr.right = image->width;
    if (sr.bottom > image->height) sr.bottom = image->height;
    if (sr.left >= sr.right || sr.top >= sr.bottom) continue;
    if (TransferImageToTexture(image, alpha, &sr, tx, ty, static_cast<int>(g->parts[i])) < 0) return -1;
  }
  return 0;
}

int TransferImageRectToGraphTextures(const PictureImage* image, const PictureImage* alpha, const RectI* srcRect,
                                     int x, int y, GraphRecord* g) {
  if (!Direct3DUp()) return -1;
  if (!image) return -1;
  RectI src = *srcRect;
  NormalizeRect(&src);
  // Keep to the picture itself.
  if (src.left < 0) { x -= src.left; src.left = 0; }
  if (src.top < 0) { y -= src.top; src.top = 0; }
  if (src.right > image->width) src.right = image->width;
  if (src.bottom > image->height) src.bottom = image->height;
  if (src.left >= src.right || src.top >= src.bottom) return 0;
  const RectI placed{x, y, x + (src.right - src.left), y + (src.bottom - src.top)};
  for (int i = 0; i < g->partCount; ++i) {
    Surface3DRecord* r = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
    if (!r) return -1;
    RectI part = placed;
    const RectI used{r->drawX, r->drawY, r->drawX + r->width, r->drawY + r->height};
    if (ClipRectToRect(&part, &used) != 0 || part.left >= part.right || part.top >= part.bottom) continue;
    RectI sr{src.left + (part.left - x), src.top + (part.top - y), src.left + (part.right - x),
             src.top + (part.bottom - y)};
    if (TransferImageToTexture(image, alpha, &sr, r->textureX + (part.left - r->drawX),
                               r->textureY + (part.top - r->drawY), static_cast<int>(g->parts[i])) < 0) {
      return -1;
    }
  }
  return 0;
}

int TransferMovieFrameToTextures(const PictureImage* frame, int alphaInRightHalf, GraphRecord* g) {
  if (!Direct3DUp() || !frame) return -1;
  PictureImage colour = *frame, alpha = *frame;
  if (alphaInRightHalf) {
    colour.width = frame->width / 2;
    alpha.width = colour.width;
    alpha.pixels = frame->pixels + static_cast<int64_t>(colour.width) * frame->colorData.pixelBytes;
  }
  for (int i = 0; i < g->partCount; ++i) {
    Surface3DRecord* r = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
    if (!r) return -1;
    RectI sr{r->sourceX, r->sourceY, r->sourceX + r->width, r->sourceY + r->height};
    if (sr.right > colour.width) sr.right = colour.width;
    if (sr.bottom > colour.height) sr.bottom = colour.height;
    if (sr.left >= sr.right || sr.top >= sr.bottom) continue;
    TransferImageToTexture(&colour, alphaInRightHalf ? &alpha : nullptr, &sr, r->textureX, r->textureY,
                           static_cast<int>(g->parts[i]));
  }
  return 0;
}

int FillGraphTextures(GraphRecord* g, int red, int green, int blue, int alpha) {
  if (!Direct3DUp() || g_Direct3D.shapesInSoftware) return 0;
  FlushCurrentVertexBuffer();
  for (int i = 0; i < g->partCount; ++i) {
    Surface3DRecord* r = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
    if (!r) return -1;
    ColorFillSurfaceData(static_cast<int>(r->surfaceData), red, green, blue, alpha);
  }
  return 0;
}

int RestoreGraphTextures(GraphRecord* g) {
  if (!Direct3DUp()) return -1;
  int res = 0;
  for (int i = 0; i < g->partCount; ++i) {
    Surface3DRecord* r = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
    if (!r) return -1;
    res |= RestoreLostSurfaceData(static_cast<int>(r->surfaceData));
  }
  return res;
}

int RestoreAllSurface3D() {
  if (!Direct3DUp()) return -1;
  HandleTable* t = Tiles();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    Surface3DRecord* r = GetSurface3DData(HandleFromSlot(t, slot));
    if (r) RestoreLostSurfaceData(static_cast<int>(r->surfaceData));
  }
  return 0;
}

void ReleaseAllSurface3DSurfaces() {
  HandleTable* t = Tiles();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    Surface3DRecord* r = GetSurface3DData(HandleFromSlot(t, slot));
    if (r) ReleaseSurfaceDataSurfaces(static_cast<int>(r->surfaceData));
  }
}

void RecreateAllSurface3DSurfaces() {
  HandleTable* t = Tiles();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    Surface3DRecord* r = GetSurface3DData(HandleFromSlot(t, slot));
    if (!r) continue;
    CreateSurfaceDataSurfaces(static_cast<int>(r->surfaceData));
    ApplySurfaceColorKey(static_cast<int>(r->surfaceData));
  }
}

int UnlockSurface3DData(int handle, const RectI* rect) {
  Surface3DRecord* r = GetSurface3DDataChecked(handle);
  if (!r) return -1;
  return UnlockSurfaceData(static_cast<int>(r->surfaceData), rect);
}

int GetTextureFormatIndex(const GraphCreationBytes* create) {
  const int d = create->bitDepth == 16 ? 0 : 1;
  if (create->drawValid) return create->alphaChannel || create->alphaTest ? 8 : 6 + d;
  if (create->alphaChannel) return 2 + d;
  if (create->alphaTest) return 4 + d;
  return d;
}

static const TextureFormat* Format(int index) {
  if (index < 0 || index >= TEXTURE_FORMAT_COUNT) return nullptr;
  const TextureFormat* f = &g_TextureLimits.formats[index];
  return f->colorData.bitDepth ? f : nullptr;
}

const PixelFormatRecord* GetTexturePixelFormat(int index) {
  const TextureFormat* f = Format(index);
  return f ? &f->pixelFormat : nullptr;
}

const ColorData* GetTextureFormatColorData(int index) {
  const TextureFormat* f = Format(index);
  return f ? &f->colorData : nullptr;
}

const ColorData* GetGraphTextureColorData(const GraphCreationBytes* create) {
  return GetTextureFormatColorData(GetTextureFormatIndex(create));
}

const ColorData* GetTextureColorDataForFlags(int alphaChannel, int alphaTest, int bits32, int renderTarget) {
  GraphCreationBytes c{};
  c.alphaChannel = alphaChannel ? 1 : 0;
  c.alphaTest = alphaTest ? 1 : 0;
  c.bitDepth = bits32 ? 32 : 16;
  c.drawValid = renderTarget ? 1 : 0;
  return GetGraphTextureColorData(&c);
}

const PixelFormatRecord* GetZBufferPixelFormat() {
  // Before the device reports one, the screen's Z surfaces take the common 16-bit format.
  static const PixelFormatRecord fallback{32, plat::PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};
  return g_Direct3D.zFormatFound ? &g_Direct3D.zFormat : &fallback;
}

int SetNoTextureSplitFlag(int flag) {
  g_TextureLimits.noSplit = !flag;
  return 0;
}

void SetTextureFilterMode(int mode) {
  if (!Direct3DUp()) return;
  SetTextureStageCached(g_Direct3D.currentDevice, mode);
}

void SetBlendGraphTexture(int graph, int border, int range) {
  if (!Direct3DUp()) return;
  Device3DRecord* d = CurrentDevice3D();
  if (!d) return;
  GraphRecord* g = graph == -1 ? nullptr : GetGraphRecord(graph);
  Surface3DRecord* tile = g && g->create.texture && g->partCount > 0
                              ? GetSurface3DDataChecked(static_cast<int>(g->parts[0]))
                              : nullptr;
  SurfaceDataRecord* sd = tile ? GetSurfaceDataRecord(static_cast<int>(tile->surfaceData)) : nullptr;
  if (sd && sd->surface) {
    SetBlendGraphTextureCached(g_Direct3D.currentDevice, sd->surface, border, range);
    g_Direct3D.blendTexReciprocalW = 1.0f / sd->width;
    g_Direct3D.blendTexReciprocalH = 1.0f / sd->height;
    return;
  }
  if (d->blendTexture || d->force) {
    FlushVertexBuffer(g_Direct3D.currentDevice);
    d->blendTexture = nullptr;
    if (border != -1) d->blendBorder = border;
    if (range != -1) d->blendRange = range;
    d->stageProgramDirty = 1;
  }
}

// Enumeration.

bool EnumDeviceCallback(const plat::Device3DDesc& desc, void*) {
  if (desc.kind != plat::DEVICE_KIND_HARDWARE && desc.kind != plat::DEVICE_KIND_HARDWARE_TNL) return true;
  const int bits = ScreenActualBitDepth();
  const uint32_t need = bits == 16 ? plat::RENDER_DEPTH_16 : (bits == 32 ? plat::RENDER_DEPTH_32 : 0u);
  if (!need || !(desc.renderDepths & need)) return true;
  g_Direct3D.deviceDesc = desc;
  g_Direct3D.deviceFound = 1;
  return desc.kind != plat::DEVICE_KIND_HARDWARE_TNL;
}

bool EnumZBufferCallback(const plat::PixelFormat& f, void*) {
  if (f.flags != plat::PIXFMT_ZBUFFER || f.fourCC != 0 || f.bitCount != 16) return true;
  g_Direct3D.zFormat = PixelFormatRecord{f.size, f.flags, f.fourCC, f.bitCount, f.redMask, f.greenMask, f.blueMask,
                                         f.alphaMask};
  g_Direct3D.zFormatFound = 1;
  return false;
}

static void StoreFormat(int index, const PixelFormatRecord& pf, const ColorData& cd) {
  g_TextureLimits.formats[index].pixelFormat = pf;
  g_TextureLimits.formats[index].colorData = cd;
}

bool EnumTextureFormatCallback(const plat::PixelFormat& f, void*) {
  if ((f.flags & 0xE0000u) || f.fourCC != 0 || (f.flags & 0x2u)) return true;
  const PixelFormatRecord pf{f.size, f.flags, f.fourCC, f.bitCount, f.redMask, f.greenMask, f.blueMask,
                             (f.flags & plat::PIXFMT_ALPHAPIXELS) ? f.alphaMask : 0u};
  ColorData cd;
  std::memset(&cd, 0, sizeof(cd));
  if (ColorDataFromPixelFormat(&pf, &cd) != 0 || cd.bitDepth == 0) return true;
  if (f.flags & plat::PIXFMT_ALPHAPIXELS) {
    if (f.alphaMask == 0xF000) StoreFormat(2, pf, cd);
    else if (f.alphaMask == 0xFF000000u) StoreFormat(3, pf, cd), StoreFormat(5, pf, cd);
    else if (f.alphaMask == 0x8000) StoreFormat(4, pf, cd);
    return true;
  }
  const ColorData* screen = ScreenColorDataRecord();
  const bool screenLike = screen && screen->bitDepth == f.bitCount && screen->redMask == f.redMask &&
                          screen->greenMask == f.greenMask && screen->blueMask == f.blueMask;
  if (f.bitCount == 16) {
    if (g_TextureLimits.formats[0].colorData.bitDepth == 0 || screenLike) StoreFormat(0, pf, cd);
    g_TextureLimits.found16 = 1;
  } else if (f.bitCount == 32) {
    if (g_TextureLimits.formats[1].colorData.bitDepth == 0 || screenLike) StoreFormat(1, pf, cd);
  }
  return true;
}
