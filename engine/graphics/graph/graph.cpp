// The graph table and graph records: creation, deletion, restore data, lost surfaces, queries,
// and the start and end of the graphics system.
#include "engine/graphics/graph/graph.h"

#include <cstring>
#include <string>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/files.h"

static HandleTable g_GraphTable;

static HandleTable* Table() {
  if (!g_GraphTable.slots) HandleTableInit(&g_GraphTable, HANDLE_KIND_GRAPH, GRAPH_TABLE_SIZE);
  return &g_GraphTable;
}

void ResetGraphTable() {
  if (g_GraphTable.slots) HandleTableRelease(&g_GraphTable);
  std::memset(&g_GraphTable, 0, sizeof(g_GraphTable));
  Table();
}

GraphRecord* GetGraphRecord(int graph) { return static_cast<GraphRecord*>(HandleLookup(Table(), graph)); }
int GetGraphCount() { return Table()->count; }
int GetGraphAreaEnd() { return Table()->areaEnd; }
int GraphHandleFromSlot(int slot) { return HandleFromSlot(Table(), slot); }

static int ScreenDepthOrDefault() {
  int bits = ScreenActualBitDepth();
  return bits > 0 ? bits : 16;
}

int AllocGraphHandle(int width, int height, int textureRequest, int alpha, int palette, GraphRecord** out) {
  if (out) *out = nullptr;
  if (g_DrawState.notAvailable) return 0;
  HandleTable* t = Table();
  if (t->count >= GRAPH_TABLE_SIZE) {
    GraphicsFatalStop("グラフィックの数が許容量を越えました終了します");
    return -1;
  }
  int handle = HandleCreate(t, sizeof(GraphRecord));
  if (handle < 0) {
    GraphicsFatalStop("メモリの確保に失敗しました");
    return -1;
  }
  GraphRecord* g = GetGraphRecord(handle);
  g->handle = handle;
  g->width = width;
  g->height = height;
  g->movieHandle = -1;
  g->lostFlag = nullptr;
  g->ownedBlock = nullptr;
  const int texture =
      (textureRequest && g_DrawState.useTexture == 1 && Direct3DInUse() && !ScreenIsSoftware()) ? 1 : 0;
  g->create.texture = static_cast<uint8_t>(texture);
  g->create.palette = 0;
  if (g_DrawState.createDrawValid == 1) {
    g->create.drawValid = 1;
    g->create.alphaChannel = 0;
    g->create.alphaTest = 0;
  } else {
    g->create.alphaChannel = static_cast<uint8_t>(alpha ? 1 : 0);
    g->create.drawValid = 0;
    g->create.alphaTest = static_cast<uint8_t>(g_DrawState.createAlphaTest ? 1 : 0);
  }
  if (g_DrawState.createBitDepth != 0) g->create.bitDepth = static_cast<uint8_t>(g_DrawState.createBitDepth);
  else if (texture && alpha == 1) g->create.bitDepth = 32;
  else g->create.bitDepth = static_cast<uint8_t>(ScreenDepthOrDefault());
  if (texture) {
    g->create.systemMemory = 0;
  } else {
    g->create.systemMemory = static_cast<uint8_t>(g_DrawState.createSystemMemory ? 1 : 0);
    g->create.palette = static_cast<uint8_t>(palette ? 1 : 0);
  }
  if (out) *out = g;
  return handle;
}

int CreateGraph(int width, int height, int textureRequest, int alpha, int palette) {
  if (g_DrawState.notAvailable) return 0;
  // Sizes a part cannot hold are refused before anything is made.
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return -1;
  GraphRecord* g = nullptr;
  int handle = AllocGraphHandle(width, height, textureRequest, alpha, palette, &g);
  if (handle <= 0 || !g) return handle == 0 ? 0 : -1;
  int res = g->create.texture ? CreateGraphTextures(g) : CreateGraphSurface2D(g);
  if (res != 0) {
    LogWrite("グラフィックの作成に失敗しました\n");
    DeleteGraphHandle(handle, 0);
    return -1;
  }
  return handle;
}

int CreateBlankGraph(int width, int height) {
  return CreateGraph(width, height, 1, g_DrawState.createAlphaBlank, 0);
}

int SetGraphLostFlagPointer(int graph, int32_t* flag) {
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  g->lostFlag = flag;
  if (flag) *flag = 0;
  return 0;
}

static bool CopyBounded(char* dst, size_t size, const char* src) {
  size_t n = std::strlen(src);
  bool fits = n < size;
  if (!fits) n = size - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return fits;
}

int StoreGraphFileName(GraphRecord* g, const char* name, const char* path) {
  bool fits = CopyBounded(g->fileName, sizeof(g->fileName), name ? name : "");
  fits = CopyBounded(g->path, sizeof(g->path), path ? path : "") && fits;
  g->nameTooLong = fits ? 0 : 1;
  return 0;
}

int GraphFileNameReloadable(const GraphRecord* g) {
  return g->fileName[0] != '\0' && !g->nameTooLong && std::strlen(g->path) <= 128 ? 1 : 0;
}

static void StoreNameWithCurrentDir(GraphRecord* g, const char* name) {
  const std::string dir = plat::GetCurrentDir();
  StoreGraphFileName(g, name, dir.c_str());
}

int SetGraphImageSource(const PictureImage* image, const PictureImage* alpha, const char* fileName,
                        const RectI* srcRect, int x, int y, int graph, int loaderOption) {
  if (g_DrawState.notAvailable) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (!g || !image || !srcRect) return -1;
  StoreNameWithCurrentDir(g, fileName);
  g->loaderOption = loaderOption;
  g->sourceX = srcRect->left;
  g->sourceY = srcRect->top;
  if (g->create.texture) return TransferImageRectToGraphTextures(image, alpha, srcRect, x, y, g);
  return TransferImageToGraph2D(image, alpha, srcRect, x, y, g);
}

int SetGraphRestoreSource(const PictureImage* image, const PictureImage* alpha, const char* fileName, int srcX,
                          int srcY, int graph, int loaderOption) {
  if (g_DrawState.notAvailable) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (!g || !image) return -1;
  StoreNameWithCurrentDir(g, fileName);
  g->loaderOption = loaderOption;
  g->sourceX = srcX;
  g->sourceY = srcY;
  if (g->create.texture) return FillGraphTexturesFromImage(image, alpha, srcX, srcY, g);
  return TransferBaseImageToGraph2D(image, alpha, srcX, srcY, g);
}

int GetGraphDimensions(int graph, int* width, int* height) {
  if (graph == DRAW_SCREEN_BACK || graph == DRAW_SCREEN_FRONT) {
    int w, h;
    ScreenModeSizeOrDefault(&w, &h);
    if (width) *width = w;
    if (height) *height = h;
    return 0;
  }
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  if (width) *width = g->width;
  if (height) *height = g->height;
  return 0;
}

int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
  if (g_DrawState.notAvailable) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (!g || !CoordsInReach({x1, y1, x2, y2})) return -1;
  WaitWhileInactive();
  EndSceneCurrent();
  if (g->create.texture) return GetDrawScreenGraph3D(x1, y1, x2, y2, g, flag);
  return GetDrawScreenGraph2D(x1, y1, x2, y2, g, flag);
}

int IsBlendGraphTooSmall(const GraphRecord* g) {
  GraphRecord* b = GetGraphRecord(g_DrawState.blendGraph);
  if (!b) return -1;
  if (b->width < g->width || b->height < g->height) return -1;
  return 0;
}

int DeleteGraphHandle(int graph, int logFlag) {
  if (g_DrawState.notAvailable) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  if (g->movieHandle != -1) CloseMovieOfGraph(g->movieHandle);
  if (g->create.texture) DeleteGraphTextures(g);
  else DeleteGraphSurfaces2D(g);
  if (logFlag) LogPrintf("グラフィック %s の削除", g->fileName);
  if (g->ownedBlock) {
    TrackedFree(g->ownedBlock);
    g->ownedBlock = nullptr;
  }
  if (g->lostFlag) *g->lostFlag = 1;
  HandleDestroy(Table(), graph);
  return 0;
}

int DeleteAllGraphHandles(int logFlag) {
  if (!GraphicsManagerIsUp() || g_DrawState.notAvailable) return 0;
  HandleTable* t = Table();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    int h = HandleFromSlot(t, slot);
    if (h >= 0) DeleteGraphHandle(h, logFlag);
  }
  return 0;
}

int RestoreGraphSurfaces(int graph) {
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  if (g->create.texture) RestoreGraphTextures(g);
  else RestoreGraphSurface2D(g);
  if (g->movieHandle != -1) RestoreMovieSurfaces(g->movieHandle);
  return 0;
}

int RestoreAllLostGraphs() {
  RestoreLostScreenSurfaces();
  HandleTable* t = Table();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    int h = HandleFromSlot(t, slot);
    if (h >= 0) RestoreGraphSurfaces(h);
  }
  return 0;
}

int InitializeGraphicsSystem() {
  if (InitializeDirectDraw() != 0) {
    if (ScreenIsSoftware()) {
      GraphicsFatalStop("DirectDraw の初期化に失敗しました");
      return -1;
    }
    LogWrite("ソフトウエアレンダリングモードに変更します\n");
    SwitchToSoftwareScreen();
    if (InitializeDirectDraw() != 0) {
      GraphicsFatalStop("DirectDraw の初期化に失敗しました");
      return -1;
    }
  }
  SetGraphicsManagerUp(1);
  return 0;
}

int TerminateGraphicsSystem() {
  TerminateDirectDraw();
  SetGraphicsManagerUp(0);
  return 0;
}

int IsTextureDrawAvailable() {
  return g_DrawState.useTexture == 1 && Direct3DInUse() && !ScreenIsSoftware() && Direct3DDeviceExists() ? 1 : 0;
}

int GetScreenModeState(int* width, int* height, int* bits) {
  int w, h;
  ScreenModeSizeOrDefault(&w, &h);
  if (width) *width = w;
  if (height) *height = h;
  if (bits) *bits = ScreenDepthOrDefault();
  return 0;
}
