// Screen-mode changes: tear the screen down, switch the display (recorded; the presenter scales a
// full-screen mode to the window), build the screen again and measure copies and the frame time.
#include "engine/graphics/screen/screen.h"

#include <cstring>

#include "engine/base/log.h"
#include "engine/base/screen_log.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "platform/sync.h"

namespace {

// The display layer's SetDisplayMode: any size at 8, 16 or 32 bits is taken and recorded.
int SetDisplayModeRecord(int width, int height, int depth, int refresh) {
  if (width <= 0 || height <= 0 || (depth != 8 && depth != 16 && depth != 32)) return -1;
  ScreenState& s = g_ScreenState;
  s.displayWidth = width;
  s.displayHeight = height;
  s.displayBits = depth;
  s.displayRefresh = refresh;
  if (s.device) plat::SurfaceDeviceSetDisplayFormat(s.device, plat::DisplayFormatForDepth(depth));
  plat::DisplaySetVisibleLines(height);
  return 0;
}

void RestoreDesktopRecord() {
  int width, height, bits;
  GetDesktopMetrics(&width, &height, &bits);
  SetDisplayModeRecord(width, height, bits == 24 ? 32 : bits, 0);
}

int SetCooperativeLevel(uint32_t flags) {
  g_ScreenState.cooperativeFlags = flags;
  return 0;
}

int StopProgram(const char* message) {
  GraphicsFatalStop(message);
  return -1;
}

// Full-screen switch with the fixed retry order: requested, without the refresh, the previous
// mode, then 640 x 480 x 16. Returns 0, -2 for the last fallback, or -1 after the stop.
int SwitchFullScreenWithRetries(int oldWidth, int oldHeight, int oldDepth, int oldRefresh) {
  ScreenState& s = g_ScreenState;
  LogWrite("画面解像度を変更します... ");
  int result = 0;
  if (SetDisplayModeRecord(s.width, s.height, s.requestedBitDepth, s.refreshRate) != 0) {
    s.refreshRate = 0;
    if (SetDisplayModeRecord(s.width, s.height, s.requestedBitDepth, 0) != 0) {
      s.width = oldWidth;
      s.height = oldHeight;
      s.requestedBitDepth = oldDepth;
      s.refreshRate = oldRefresh;
      if (SetDisplayModeRecord(s.width, s.height, s.requestedBitDepth, s.refreshRate) != 0) {
        s.width = 640;
        s.height = 480;
        s.requestedBitDepth = 16;
        s.refreshRate = 0;
        result = -2;
        if (SetDisplayModeRecord(640, 480, 16, 0) != 0) {
          return StopProgram("予期せぬ画面モード変更不能現象が起きました2\n");
        }
      }
    }
  }
  s.displayModeChanged = 1;
  LogWrite("成功しました\n");
  return result;
}

void TimeSurfaceCopies() {
  ScreenState& s = g_ScreenState;
  if (!s.primary || !s.work) return;
  int width, height;
  GetScreenSize(&width, &height);
  RectI source{0, 0, width, height};
  uint64_t start = plat::MicrosecondClock();
  for (int i = 0; i < 8; ++i) CopySurfaceRect(s.work, s.primary, 0, 0, &source, 0);
  double bltFast = static_cast<double>(plat::MicrosecondClock() - start);
  start = plat::MicrosecondClock();
  for (int i = 0; i < 8; ++i) CopySurfaceRect(s.work, s.primary, 0, 0, &source, 1);
  double bitBlt = static_cast<double>(plat::MicrosecondClock() - start);
  const char* name;
  if (bltFast < bitBlt) {
    s.useBitBlt = 0;
    name = "BltFast";
  } else {
    s.useBitBlt = 1;
    name = "BitBlt";
  }
  LogPrintf("サーフェス間転送には %s を使用します", name);
  LogPrintf("BitBlt:%.0lfμs   BltFast:%.0lfμs", bitBlt, bltFast);
}

// Poll until the display is in the blank (or the scan line went back past where it was), then
// until the blank is over.
void SynchroniseToBlank() {
  int start = plat::DisplayScanLine();
  while (!plat::DisplayInVerticalBlank() && plat::DisplayScanLine() >= start) plat::Sleep(0);
  while (plat::DisplayInVerticalBlank()) plat::Sleep(0);
}

void WaitNextBlank() {
  int start = plat::DisplayScanLine();
  while (!plat::DisplayInVerticalBlank() && plat::DisplayScanLine() >= start) plat::Sleep(0);
}

void MeasureFrameTime() {
  ScreenState& s = g_ScreenState;
  const int n = s.measuredRefreshRate != -1 ? 4 : 20;
  s.scanLines = s.displayHeight;
  LogPrintf("スキャンラインの数:%d\n", s.scanLines);
  for (int i = 0; i < 3; ++i) SynchroniseToBlank();
  WaitNextBlank();
  int32_t samples[20] = {};
  uint64_t totalMicro = 0;
  int sampleCount = 0;
  s.measuredFrameTime = -1;
  for (int round = 1;; ++round) {
    for (int i = 0; i < n; ++i) {
      uint32_t startMs = plat::MillisecondClock();
      uint64_t startUs = plat::MicrosecondClock();
      while (plat::DisplayInVerticalBlank()) plat::Sleep(0);
      WaitNextBlank();
      samples[i] = static_cast<int32_t>(plat::MillisecondClock() - startMs);
      totalMicro += plat::MicrosecondClock() - startUs;
    }
    sampleCount += n;
    if (round == 5) {
      if (s.measuredFrameTime == -1) LogWrite("１フレームの時間を正常に取得できませんでした\n");
      break;
    }
    s.measuredFrameTime = FrameTimeFromSamples(samples, n);
    if (s.measuredRefreshRate == -1) s.measuredRefreshRate = RefreshRateFromAverage(totalMicro, sampleCount);
    if (s.measuredFrameTime != -1) break;
  }
  if (s.measuredFrameTime != -1) LogPrintf("１フレーム当たりの時間は %d msecです", s.measuredFrameTime);
  for (int i = 0; i < n; ++i) LogPrintf("\tTri%02d:%d msec", i, samples[i]);
  s.pacingPeriod = s.measuredFrameTime == -1 ? -1 : (2 * s.measuredFrameTime - 4) / 3;
}

}  // namespace

int FrameTimeFromSamples(const int32_t* durations, int count) {
  for (int i = 0; i + 1 < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      if (durations[i] == durations[j]) return durations[i];
    }
  }
  return -1;
}

int RefreshRateFromAverage(uint64_t totalMicroseconds, int samples) {
  if (samples <= 0 || totalMicroseconds == 0) return -1;
  uint64_t average = totalMicroseconds / static_cast<uint64_t>(samples);
  if (average == 0) return -1;
  uint64_t q = 10000000u / average;
  return static_cast<int>(q / 10 + (q % 10 > 5 ? 1 : 0));
}

int SwitchDisplayMode(plat::SurfaceDevice* object, int desktopWidth, int desktopHeight, int width, int height,
                      int depth, int32_t* outDepth, uint32_t* outCooperative, int windowMode,
                      int32_t* modeChanged) {
  LogPrintf("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(width),
            static_cast<unsigned>(height), static_cast<unsigned>(depth));
  LogIndentIncrease();
  if (windowMode) {
    LogWrite("ウインドウモードにします\n");
    if (width > desktopWidth || height > desktopHeight) {
      LogIndentDecrease();
      return StopProgram("デスクトップ画面のサイズが足りません、ソフトを終了します");
    }
    if (*modeChanged) {
      LogWrite("フルスクリーンモードから抜けます\n");
      *modeChanged = 0;
    }
    int deskW, deskH, bits;
    GetDesktopMetrics(&deskW, &deskH, &bits);
    if (bits == 24) {
      LogIndentDecrease();
      return -1;
    }
    RestoreDesktopRecord();
    *outDepth = bits;
    if (object) SetCooperativeLevel(COOP_NORMAL);
    if (outCooperative) *outCooperative = COOP_NORMAL;
    LogIndentDecrease();
    LogWrite("画面モードの変更は正常に終了しました \n");
    return 0;
  }
  if (depth == 24) {
    LogIndentDecrease();
    return -1;
  }
  LogWrite("画面解像度を変更します... ");
  if (object) SetCooperativeLevel(COOP_EXCLUSIVE | COOP_FULLSCREEN);
  if (outCooperative) *outCooperative = COOP_EXCLUSIVE | COOP_FULLSCREEN;
  if (SetDisplayModeRecord(width, height, depth, g_ScreenState.refreshRate) != 0 &&
      SetDisplayModeRecord(width, height, depth, 0) != 0) {
    LogWrite("画面モードの変更に失敗しました\n");
    LogIndentDecrease();
    return -1;
  }
  *outDepth = depth;
  *modeChanged = 1;
  LogWrite("成功しました\n");
  LogIndentDecrease();
  LogWrite("画面モードの変更は正常に終了しました \n");
  return 0;
}

void SetCurrentDisplayMode() {
  ScreenState& s = g_ScreenState;
  int deskW, deskH, bits;
  GetDesktopMetrics(&deskW, &deskH, &bits);
  SwitchDisplayMode(s.device, deskW, deskH, s.width, s.height, s.requestedBitDepth, &s.requestedBitDepth,
                    &s.cooperativeFlags, GetWindowModeFlag(), &s.displayModeChanged);
}

int RestoreDesktopDisplayMode() {
  ScreenState& s = g_ScreenState;
  if (!s.noDirectDraw && !s.device) {
    // The object is gone already (the end of the screen): the desktop's mode still comes back.
    RestoreDesktopRecord();
    s.displayModeChanged = 0;
    return -1;
  }
  if (!s.noDirectDraw && (s.cooperativeFlags & COOP_EXCLUSIVE)) SetCooperativeLevel(COOP_NORMAL);
  RestoreDesktopRecord();
  s.displayModeChanged = 0;
  LogWrite("画面モードを元に戻す処理は正常に終了しました\n");
  return 0;
}

void RestoreDisplayModeIfChanged() {
  ScreenState& s = g_ScreenState;
  if (GetWindowModeFlag() || !s.displayModeChanged) return;
  if (!s.noDirectDraw) SetCooperativeLevel(COOP_NORMAL);
  RestoreDesktopRecord();
  s.displayModeChanged = 0;
}

int ChangeScreenMode(int width, int height, int depth, int force, int refresh) {
  ScreenState& s = g_ScreenState;
  uint32_t savedTransparent = g_DrawState.transparentColor;
  if (width == -1) width = s.width;
  if (height == -1) height = s.height;
  if (depth == -1) depth = s.requestedBitDepth;
  if (refresh == -1) refresh = s.refreshRate;
  if (width == s.width && height == s.height && depth == s.requestedBitDepth && refresh == s.refreshRate && !force) {
    return 0;
  }
  LogWrite("画面モード変更処理を開始します\n");
  LogIndentIncrease();
  // The graphics manager's restart makes the default font anew at its defaults: keep what the
  // game chose.
  char fontName[FONT_FACE_NAME_SIZE] = "";
  int fontSize = 0, fontThickness = 0;
  const int fontSaved =
      IsFontHandleValid(GetDefaultFontHandle()) &&
      GetFontStateToHandle(fontName, &fontSize, &fontThickness, GetDefaultFontHandle()) == 0;
  const int oldWidth = s.width, oldHeight = s.height, oldDepth = s.requestedBitDepth, oldRefresh = s.refreshRate;
  s.width = width;
  s.height = height;
  s.requestedBitDepth = depth;
  if (!IsEngineStartedOrStarting() || (!s.noDirectDraw && !s.device)) {
    s.refreshRate = refresh;
    LogIndentDecrease();
    return 0;
  }
  s.effectiveMenuState = -1;
  s.refreshRate = refresh;

  uint32_t now = plat::MillisecondClock();
  if (s.lastModeChangeTime != 0 && now - s.lastModeChangeTime <= 1999) {
    plat::Sleep(s.lastModeChangeTime + 2060 - now);
  } else {
    plat::Sleep(60);
  }
  s.lastModeChangeTime = plat::MillisecondClock();
  if (s.lastModeChangeTime == 0) s.lastModeChangeTime = 1;

  DeleteAllGraphHandles(0);
  TerminateGraphicsManager();
  TerminateDirect3D();
  s.paletteMade = 0;
  ReleaseMainSurfaces();

  int result = 0;
  const int windowMode = GetWindowModeFlag();
  int deskW, deskH, deskBits;
  GetDesktopMetrics(&deskW, &deskH, &deskBits);
  if (!s.tablesReady) {
    if (!windowMode) ApplyWindowStyle();
    if (s.width == 0) s.width = 640;
    if (s.height == 0) s.height = 480;
    if (s.requestedBitDepth == 0) s.requestedBitDepth = 16;
    if (SwitchDisplayMode(s.device, deskW, deskH, s.width, s.height, s.requestedBitDepth, &s.requestedBitDepth,
                          &s.cooperativeFlags, windowMode, &s.displayModeChanged) == -1) {
      const int wantedWidth = s.width, wantedHeight = s.height, wantedDepth = s.requestedBitDepth;
      s.width = oldWidth;
      s.height = oldHeight;
      s.requestedBitDepth = oldDepth;
      s.refreshRate = oldRefresh;
      if (!windowMode) ApplyWindowStyle();
      bool done = false;
      if (oldWidth != wantedWidth || oldHeight != wantedHeight || oldDepth != wantedDepth || oldRefresh != 0) {
        done = SwitchDisplayMode(s.device, deskW, deskH, s.width, s.height, s.requestedBitDepth,
                                 &s.requestedBitDepth, &s.cooperativeFlags, windowMode, &s.displayModeChanged) == 0;
      }
      if (!done) {
        s.width = 640;
        s.height = 480;
        s.requestedBitDepth = 16;
        s.refreshRate = 0;
        result = -2;
        ApplyWindowStyle();
        if (SwitchDisplayMode(s.device, deskW, deskH, 640, 480, 16, &s.requestedBitDepth, &s.cooperativeFlags,
                              windowMode, &s.displayModeChanged) == -1) {
          LogIndentDecrease();
          return StopProgram("予期せぬ画面モード変更不能現象が起きました\n");
        }
      }
    }
  } else {
    savedTransparent = g_DrawState.transparentColor;
    DeleteAllSurface2D();
    if (!s.noDirectDraw) {
      LogWrite("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
      SetCooperativeLevel(COOP_NORMAL);
      plat::SurfaceDeviceDestroy(s.device);
      s.device = nullptr;
      LogWrite("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
      if (AcquireDirectDrawObject(&s.device) != 0) {
        LogIndentDecrease();
        return StopProgram("DirectDrawオブジェクトの作成に失敗しました");
      }
      SetCooperativeLevel(windowMode ? COOP_NORMAL : (COOP_EXCLUSIVE | COOP_FULLSCREEN));
    }
    s.displayModeChanged = 0;
    if (windowMode) {
      // A window shows the desktop's own depth, as the first change decides.
      RestoreDesktopRecord();
      if (deskBits != 24) s.requestedBitDepth = deskBits;
    } else {
      result = SwitchFullScreenWithRetries(oldWidth, oldHeight, oldDepth, oldRefresh);
      if (result == -1) {
        LogIndentDecrease();
        return -1;
      }
    }
  }
  if (!s.device && !s.noDirectDraw) {
    LogIndentDecrease();
    return -1;
  }
  if (s.device) plat::SurfaceDeviceSetDisplayFormat(s.device, plat::DisplayFormatForDepth(s.displayBits));

  SetupScreenColorInfo();
  if (windowMode || s.noDirectDraw) ApplyWindowStyle();
  if (CreateOutputSurfaces() < 0) {
    LogIndentDecrease();
    LogWrite("DirectDrawSurface の初期化に失敗しました\n");
    return -1;
  }
  if (!s.noDirectDraw && !s.noDirect3D && !s.softwareScreen) InitializeDirect3D();
  InitializeGraphicsManager();
  if (fontSaved) {
    SetDefaultFontName(fontName, -1);
    SetDefaultFontSizeThickness(0, fontSize, fontThickness);
  }
  ScreenLogInitialize();
  CreateScreenPalette();
  if (!s.softwareScreen || s.requestedBitDepth == 8) TimeSurfaceCopies();

  // This display layer reports the model's 60 Hz.
  s.measuredRefreshRate = 60;
  if (!s.noDirectDraw) {
    MeasureFrameTime();
  } else {
    s.measuredRefreshRate = 60;
    s.pacingPeriod = -1;
  }
  if (s.tablesReady) g_DrawState.transparentColor = savedTransparent;
  LogIndentDecrease();
  LogWrite("画面モード変更処理は正常に終了しました\n");
  ProcessMessage();
  s.frameCounter = 0;
  return result;
}

int SetScreenModeKeep(int width, int height, int depth, int refresh) {
  if (width == 0 || height == 0 || (depth != 8 && depth != 16 && depth != 32 && depth != -1)) return -1;
  // The change tears the screen down before it builds the new one, and a screen it cannot build
  // ends the program: a size no surface can have is refused first, and the old mode stays.
  const int newWidth = width == -1 ? g_ScreenState.width : width;
  const int newHeight = height == -1 ? g_ScreenState.height : height;
  if (newWidth < 1 || newHeight < 1 || newWidth > SCREEN_MAX_SIDE || newHeight > SCREEN_MAX_SIDE ||
      refresh < -1) {
    return LogPrintf("画面モード %d x %d は作成できません", width, height);
  }
  DeleteAllGraphHandles(0);
  int result = ChangeScreenMode(width, height, depth, 0, refresh);
  if (result != 0) return result;
  const ScreenState& s = g_ScreenState;
  if ((width != -1 && s.width != width) || (height != -1 && s.height != height) ||
      (depth != -1 && s.actualBitDepth != depth)) {
    return -1;
  }
  return 0;
}

int SetSoftwareScreenMode(int useHardware) {
  ScreenState& s = g_ScreenState;
  s.softwareScreen = s.noDirectDraw ? 1 : (useHardware ? 0 : 1);
  if (!s.device) return 0;
  DeleteAllGraphHandles(0);
  ChangeScreenMode(-1, -1, -1, 1, -1);
  if (g_DrawState.drawScreen == DRAW_SCREEN_BACK || g_DrawState.drawScreen == DRAW_SCREEN_FRONT) {
    SetDrawTargetSurface(g_DrawState.drawScreen);
  }
  return 0;
}

int SetMenuPresentMode(int state) {
  ScreenState& s = g_ScreenState;
  int effective = (state == 1 || IsMenuInUse()) ? 1 : 0;
  if (effective == s.effectiveMenuState) return 0;
  s.menuPresentMode = state;
  if (!s.device) return 0;
  RectI area = g_DrawState.drawArea;
  int screen = g_DrawState.drawScreen;
  SetDrawTargetSurface(DRAW_SCREEN_BACK);
  SetDrawTargetSurface(DRAW_SCREEN_FRONT);
  SetDrawTargetSurface(screen);
  g_DrawState.drawArea = area;
  s.effectiveMenuState = effective;
  return 0;
}
