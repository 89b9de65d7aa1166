// Loading picture files (with their alpha companions) and movie files into graphs, reloading graphs
// from their files after the display was lost, and the start and end of the graphics manager.
#include "engine/graphics/graph/graph_load.h"

#include <cstdio>
#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen/screen.h"

static void (*g_GraphRestoreCallback)() = nullptr;
static int g_GraphicsManagerUp = 0;

int GraphicsManagerIsUp() { return g_GraphicsManagerUp; }
void SetGraphicsManagerUp(int up) { g_GraphicsManagerUp = up; }
int HasGraphRestoreCallback() { return g_GraphRestoreCallback ? 1 : 0; }

int SetGraphRestoreCallback(void (*callback)()) {
  g_GraphRestoreCallback = callback ? callback : ReloadGraphsFromFiles;
  return 0;
}

static bool IsLeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// "_a" before the extension of the file name itself; a dot in a folder name does not count.
// Double-byte characters are stepped over whole, since their second byte may look like "\".
int MakeAlphaCompanionName(const char* fileName, char* out, size_t outSize) {
  const size_t len = std::strlen(fileName);
  size_t nameStart = 0, dot = len;
  for (size_t i = 0; i < len; ++i) {
    const uint8_t c = static_cast<uint8_t>(fileName[i]);
    if (IsLeadByte(c) && i + 1 < len) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') {
      nameStart = i + 1;
      dot = len;
    } else if (c == '.' && i >= nameStart) {
      dot = i;
    }
  }
  const int n = std::snprintf(out, outSize, "%.*s_a%s", static_cast<int>(dot), fileName, fileName + dot);
  return n >= 0 && static_cast<size_t>(n) < outSize ? 0 : -1;
}

int LoadImageWithAlphaFile(const char* fileName, const void* memImage, int memSize, int fromMemory,
                           const void* alphaMemImage, int alphaMemSize, int alphaMode, BaseImage* out,
                           BaseImage* alphaOut, int loaderOption) {
  // The loader chain takes no options of its own; the option only travels with the graph.
  (void)loaderOption;
  std::memset(out, 0, sizeof(*out));
  std::memset(alphaOut, 0, sizeof(*alphaOut));
  if (LoadImageToBaseImage(fileName, memImage, memSize, fromMemory, 0, 0, out, nullptr, nullptr) != 0) return -1;
  if (alphaMode == 0) {
    char companion[1024];
    if (!fileName || MakeAlphaCompanionName(fileName, companion, sizeof(companion)) != 0) return 1;
    return LoadImageToBaseImage(companion, nullptr, 0, 0, 0, 0, alphaOut, nullptr, nullptr) == 0 ? 0 : 1;
  }
  if (alphaMode == 1) {
    if (!alphaMemImage) return 1;
    return LoadImageToBaseImage(nullptr, alphaMemImage, alphaMemSize, 1, 0, 0, alphaOut, nullptr, nullptr) == 0 ? 0
                                                                                                              : 1;
  }
  return 1;
}

static int LoadMovieToGraph(const char* fileName, int textureRequest, int movieOption) {
  const int savedBits = g_DrawState.createBitDepth;
  const int savedSystemMemory = g_DrawState.createSystemMemory;
  // The movie's own graph may need textures off; the caller's setting comes back afterwards.
  const int savedUseTexture = g_DrawState.useTexture;
  StreamSource probe{*GetFileStreamFunctions(), FileOpen(fileName, 0)};
  if (probe.handle == 0) {
    LogPrintf("グラフィックファイル %s がありません", fileName);
    return -1;
  }
  probe.fn.close(probe.handle);
  int width = 0, height = 0;
  const int movie = OpenMovieToGraph(fileName, &width, &height, movieOption);
  char line[512];
  if (movie == -1) {
    std::snprintf(line, sizeof(line), "右記のグラフィックファイルのロードに失敗しました：%s \n", fileName);
    return LogWrite(line);
  }
  if (GetMovieModeField(movie) != 0) {
    if (!ScreenSurfaceDevice()) SetDirect3DDisabled(1);
    g_DrawState.useTexture = 0;
  }
  const int bits = ScreenActualBitDepth();
  g_DrawState.createBitDepth = bits > 0 ? bits : 16;
  g_DrawState.createSystemMemory = 1;
  const int graph = CreateGraph(width, height, textureRequest, MovieFramesCarryAlpha(movie), 0);
  if (graph < 0) {
    std::snprintf(line, sizeof(line), "右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s",
                  fileName);
    LogWrite(line);
  }
  g_DrawState.createBitDepth = savedBits;
  g_DrawState.createSystemMemory = savedSystemMemory;
  g_DrawState.useTexture = savedUseTexture;
  GraphRecord* g = graph > 0 ? GetGraphRecord(graph) : nullptr;
  if (!g) {
    CloseMovieOfGraph(movie);   // nothing else would ever close it
    return -1;
  }
  g->movieHandle = movie;
  return graph;
}

int LoadGraphFromFile(const char* fileName, int textureRequest, int mirror, int movieOption) {
  if (g_DrawState.notAvailable || !fileName) return -1;
  EndSceneCurrent();
  WaitWhileInactive();
  BaseImage image, alpha;
  const int res = LoadImageWithAlphaFile(fileName, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
  if (res < 0) return LoadMovieToGraph(fileName, textureRequest, movieOption);
  const bool hasAlpha = res == 0;
  if (mirror == 1) {
    MirrorBaseImage(&image);
    if (hasAlpha) MirrorBaseImage(&alpha);
  }
  const int graph = CreateGraphFromBaseImages(&image, hasAlpha ? &alpha : nullptr, textureRequest, 0, 0);
  if (graph > 0) SetGraphFileName(graph, fileName);
  FreeBaseImage(&image);
  FreeBaseImage(&alpha);
  return graph;
}

int LoadGraphFileCall(const char* fileName) { return LoadGraphFromFile(fileName, 1, 0, 0); }

int CreateGraphFromImageForScreen(BaseImage* image) {
  UpdateColorDataNoneMask(&image->colorData);
  EndSceneCurrent();
  const int graph = CreateGraphForBaseImage(image, nullptr, 1);
  if (graph <= 0) return graph == 0 ? 0 : -1;
  if (SetGraphRestoreSource(image, nullptr, nullptr, 0, 0, graph, 0) != 0) {
    DeleteGraphHandle(graph, 0);
    return -1;
  }
  return graph;
}

void ReloadGraphsFromFiles() {
  LogWrite("グラフィックを復帰します\n");
  char savedDir[FILE_PATH_MAX];
  savedDir[0] = '\0';
  FileGetCurrentDir(savedDir);
  BaseImage image, alpha;
  std::memset(&image, 0, sizeof(image));
  std::memset(&alpha, 0, sizeof(alpha));
  bool alphaHeld = false;
  GraphRecord previous;
  bool havePrevious = false;
  const int areaEnd = GetGraphAreaEnd();
  for (int slot = 0; slot < areaEnd; ++slot) {
    const int handle = GraphHandleFromSlot(slot);
    GraphRecord* g = handle >= 0 ? GetGraphRecord(handle) : nullptr;
    if (!g || !g->needsRestore || g->fileName[0] == '\0') continue;
    if (GraphFileNameReloadable(g)) {
      const bool same = havePrevious && image.pixels && std::strcmp(previous.fileName, g->fileName) == 0 &&
                        std::strcmp(previous.path, g->path) == 0 && previous.loaderOption == g->loaderOption;
      bool loaded = same;
      if (!same) {
        FreeBaseImage(&image);
        FreeBaseImage(&alpha);
        alphaHeld = false;
        FileSetCurrentDir(g->path);
        LogPrintf("パス:%s ファイル:%s をロードします", g->path, g->fileName);
        const int res = LoadImageWithAlphaFile(g->fileName, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha,
                                               g->loaderOption);
        if (res < 0) {
          LogPrintf("パス:%s ファイル:%s がロードできませんでした", g->path, g->fileName);
        } else {
          alphaHeld = res == 0;
          loaded = true;
        }
      }
      if (loaded) {
        // The record is rewritten by the refill; its own name and place go back in as they were.
        char name[GRAPH_FILE_NAME_SIZE];
        std::memcpy(name, g->fileName, sizeof(name));
        SetGraphRestoreSource(&image, alphaHeld ? &alpha : nullptr, name, g->sourceX, g->sourceY, handle,
                              g->loaderOption);
        g = GetGraphRecord(handle);
      }
    }
    if (!g) continue;
    g->needsRestore = 0;
    previous = *g;
    havePrevious = true;
  }
  FreeBaseImage(&image);
  FreeBaseImage(&alpha);
  FileSetCurrentDir(savedDir);
}

int RestoreGraphsAfterLoss() {
  const int areaEnd = GetGraphAreaEnd();
  for (int slot = 0; slot < areaEnd; ++slot) {
    GraphRecord* g = GetGraphRecord(GraphHandleFromSlot(slot));
    if (g) g->needsRestore = 1;
  }
  if (g_GraphRestoreCallback) g_GraphRestoreCallback();
  RecreateAllFonts();
  return 0;
}

int InitializeGraphicsManager() {
  if (g_GraphicsManagerUp) return 0;
  LogWrite("グラフィック管理系の初期化を行います\n");
  LogIndentIncrease();
  const uint32_t oldBright = g_DrawState.drawBright;
  ResetDrawState();
  ResetGraphTable();
  DeleteAllMaskHandles();
  if (oldBright != g_DrawState.drawBright && Direct3DInUse()) UpdateDrawColorCache();
  g_GraphicsManagerUp = 1;
  DeleteAllSurface2D();
  InitializeDirect3D();
  LogWrite(Direct3DInUse() ? "３Ｄグラフィック描画機能を使用します\n" : "３Ｄグラフィック描画機能は使用しません\n");
  g_DrawState.createBitDepth = 0;
  g_DrawState.useMask = 1;
  g_DrawState.maskInEffect = MaskScreenExists() ? 1 : 0;
  g_DrawState.drawScreen = DRAW_SCREEN_BACK;
  SetDrawTarget(DRAW_SCREEN_FRONT);
  int w, h;
  GetGraphDimensions(g_DrawState.drawScreen, &w, &h);
  SetDrawAreaViewport(0, 0, w, h);
  g_DrawState.notAvailable = 0;
  ResetDefaultFontSettings();
  InitializeFontSystem();
  LogIndentDecrease();
  LogWrite("グラフィック管理系の初期化は正常に終了しました\n");
  return 0;
}

int TerminateGraphicsManager() {
  if (!g_GraphicsManagerUp) return 0;
  DeleteMaskScreen();
  DeleteAllMaskHandles();
  DeleteAllGraphHandles(0);
  InitializeFontSystem();
  DeleteDefaultFont();
  g_GraphicsManagerUp = 0;
  LogWrite("グラフィック管理系の終了処理は正常に終了しました\n");
  return 0;
}

int RebuildDisplayAfterReactivation() {
  int hadMaskBuffer = 0, hadMaskSave = 0;
  MaskScreenParts(&hadMaskBuffer, &hadMaskSave);
  ReleaseDirect3DObjects();
  ReleaseMaskScreen();
  ReleaseMainSurfaces();
  TerminateInputSystem();   // the window procedure starts it again when it is next read
  ReleaseTextureSurfaces();
  ReleaseScreenClipper();
  if (!GetMenuPresentMode()) {
    ReleaseDirectDrawObject();
    RecreateDirectDrawObject();
  }
  SetCurrentDisplayMode();
  RecreateTextureSurfaces();
  AttachScreenClipper();
  CreateOutputSurfaces();
  RecreateScreenPalette();
  SetDrawTargetSurface(g_DrawState.drawScreen);
  RestoreDirect3DObjects();
  ClearDrawTarget();
  PresentScreen();
  RestoreGraphsAfterLoss();
  ReopenAllMovieStreams();
  if (hadMaskBuffer || hadMaskSave) CreateMaskScreen(hadMaskBuffer, hadMaskSave);
  if (g_DrawState.useMask == 1) SetUseMaskFlag(1);
  return 0;
}
