// From base images to graphs, graphs that show a region of another graph, and mask handles.
#include "engine/graphics/graph/graph_from_image.h"

#include <cstring>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graphics_hooks.h"

int32_t g_TransparentColorFromPicture = 0;

int CreateGraphForBaseImage(const BaseImage* image, const BaseImage* alpha, int textureRequest) {
  if (alpha && (alpha->width != image->width || alpha->height != image->height)) return -1;
  const ColorData* cd = &image->colorData;
  const int hasAlpha = (cd->alphaWidth != 0 || alpha) ? 1 : 0;
  const int palette = (cd->pixelBytes == 1 && cd->alphaWidth == 0 && !alpha) ? 1 : 0;
  return CreateGraph(image->width, image->height, textureRequest, hasAlpha, palette);
}

int CreateGraphFromBaseImages(BaseImage* image, BaseImage* alpha, int textureRequest, int mirrorRequest,
                              int mirrorAllowed) {
  UpdateColorDataNoneMask(&image->colorData);
  if (alpha) UpdateColorDataNoneMask(&alpha->colorData);
  EndSceneCurrent();
  const uint32_t savedTransparent = g_DrawState.transparentColor;
  if (g_TransparentColorFromPicture == 1) {
    g_DrawState.transparentColor = ReadBaseImagePixel(image, 0, 0) & 0xFFFFFF;
  }
  const bool mirror = mirrorRequest == 1 && mirrorAllowed == 1;
  if (mirror) {
    MirrorBaseImage(image);
    if (alpha) MirrorBaseImage(alpha);
  }
  int graph = CreateGraphForBaseImage(image, alpha, textureRequest);
  if (graph > 0 && SetGraphRestoreSource(image, alpha, nullptr, 0, 0, graph, 0) != 0) {
    DeleteGraphHandle(graph, 0);
    graph = -1;
  }
  if (mirror) {
    MirrorBaseImage(image);
    if (alpha) MirrorBaseImage(alpha);
  }
  g_DrawState.transparentColor = savedTransparent;
  return graph;
}

int SetGraphFileName(int graph, const char* name) {
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  char dir[FILE_PATH_MAX];
  dir[0] = '\0';
  FileGetCurrentDir(dir);
  return StoreGraphFileName(g, name, dir);
}

int DeriveGraphRegion(int x, int y, int width, int height, int sourceGraph) {
  if (g_DrawState.notAvailable) return 0;
  GraphRecord* src = GetGraphRecord(sourceGraph);
  if (!src) return -1;
  // Only a region that starts inside the source and keeps some of it can be shown.
  if (x < 0 || y < 0 || x >= src->width || y >= src->height) return -1;
  if (width > src->width - x) width = src->width - x;
  if (height > src->height - y) height = src->height - y;
  if (width <= 0 || height <= 0) return -1;
  GraphRecord* g = nullptr;
  const int handle = AllocGraphHandle(width, height, src->create.texture, src->create.alphaChannel,
                                      src->create.palette, &g);
  if (handle <= 0 || !g) return handle == 0 ? 0 : -1;
  src = GetGraphRecord(sourceGraph);
  g->create = src->create;
  g->movieHandle = src->movieHandle;
  std::memcpy(g->fileName, src->fileName, sizeof(g->fileName));
  std::memcpy(g->path, src->path, sizeof(g->path));
  g->nameTooLong = src->nameTooLong;
  g->loaderOption = src->loaderOption;
  g->sourceX = src->sourceX + x;
  g->sourceY = src->sourceY + y;
  const int res = g->create.texture ? DeriveGraphTextures(g, x, y, width, height, src)
                                    : CreateGraphSurface2DShared(g, x, y, width, height, src);
  if (res != 0) {
    // The movie stays the source's: the failed region must not close it.
    g->movieHandle = -1;
    DeleteGraphHandle(handle, 0);
    return LogWrite("グラフィックの派生に失敗しました終了します");
  }
  return handle;
}

// Mask handles. Nothing in this program makes masks; the engine still deletes any at shut-down.
struct MaskRecord {
  uint32_t check;
  int32_t* deletedNotice;
  int32_t width, height;
  uint8_t* data;
};

static HandleTable g_MaskTable;

static HandleTable* MaskTable() {
  if (!g_MaskTable.slots) HandleTableInit(&g_MaskTable, HANDLE_KIND_MASK_SCREEN, MASK_HANDLE_TABLE_SIZE);
  return &g_MaskTable;
}

int CreateMaskHandle(int width, int height) {
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > INT32_MAX) return -1;
  const int handle = HandleCreate(MaskTable(), sizeof(MaskRecord));
  if (handle < 0) return -1;
  MaskRecord* m = static_cast<MaskRecord*>(HandleLookup(MaskTable(), handle));
  m->data = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(width) * height));
  if (!m->data) {
    HandleDestroy(MaskTable(), handle);
    return -1;
  }
  m->width = width;
  m->height = height;
  return handle;
}

int DeleteMaskHandle(int handle) {
  MaskRecord* m = static_cast<MaskRecord*>(HandleLookup(MaskTable(), handle));
  if (!m) return -1;
  TrackedFree(m->data);
  m->data = nullptr;
  HandleDestroy(MaskTable(), handle);
  return 0;
}

int MaskHandleFromSlot(int slot) { return HandleFromSlot(MaskTable(), slot); }

int DeleteAllMaskHandles() {
  for (int slot = 0; slot < MASK_HANDLE_TABLE_SIZE; ++slot) {
    const int h = MaskHandleFromSlot(slot);
    if (h >= 0) DeleteMaskHandle(h);
  }
  return 0;
}
