// The public entries: lock, operation, unlock, the operation's result unchanged.
#include "engine/engine.h"

#include "engine/base/lock.h"
#include "engine/base/log.h"
#include "engine/base/network.h"
#include "engine/base/operations.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"
#include "engine/graphics/operations.h"
#include "engine/input_sound/operations.h"
#include "platform/clock.h"

namespace {

template <typename F, typename... A>
auto Locked(F op, A... args) {
  LibraryLock();
  auto result = op(args...);
  LibraryUnlock();
  return result;
}

int ReadMillisecondClock() { return static_cast<int>(plat::MillisecondClock()); }

}  // namespace

int LibraryInitializeLocked() { return Locked(LibraryInitialize); }

int LibraryTerminateLocked() {
  int result = Locked(LibraryTerminate);
  LibraryLockDestroy();
  return result;
}

int ProcessMessageLocked() { return Locked(ProcessMessage); }

void* GetMainWindowHwndLocked() { return Locked(GetMainWindowHwnd); }
int ClaimSingleCopyLocked(char* why, int whySize) { return Locked(ClaimSingleCopy, why, whySize); }
int ReleaseSingleCopyLocked() { return Locked(ReleaseSingleCopy); }
int CanCreateMainWindowLocked(char* why, int whySize) { return Locked(CanCreateMainWindow, why, whySize); }
int ChangeWindowModeLocked(int windowed) { return Locked(ChangeWindowMode, windowed); }
int SetMainWindowCaptionLocked(const char* text) { return Locked(SetMainWindowCaption, text); }
int SetMainWindowIconLocked(int iconId) { return Locked(SetMainWindowIcon, iconId); }
int SetWindowScaleRateLocked(double scale) { return Locked(SetWindowScaleRate, scale); }

int SetLogFileOutputFlagLocked(int flag) { return Locked(SetLogFileOutputFlag, flag); }

int SetArchiveUseFlagLocked(int flag) { return Locked(SetArchiveUseFlag, flag); }
int SetArchiveExtensionEntry(const char* text) { return SetArchiveExtension(text); }
int SetArchiveExtensionLocked(const char* text) { return Locked(SetArchiveExtensionEntry, text); }
int SetArchiveKeyStringEntry(const char* text) { return SetArchiveKeyString(text); }
int SetArchiveKeyStringLocked(const char* text) { return Locked(SetArchiveKeyStringEntry, text); }

int SetMouseCursorVisibleFlagLocked(int flag) { return Locked(SetMouseCursorVisibleFlag, flag); }
int GetMousePositionLocked(int* x, int* y) { return Locked(GetMousePosition, x, y); }
int GetMouseButtonBitsLocked() { return Locked(GetMouseButtonBits); }
int WaitMillisecondsPumpingEntry(int milliseconds) { return WaitMillisecondsPumping(milliseconds); }
int GetMillisecondCountLocked(int /*unused*/) { return Locked(ReadMillisecondClock); }
int GetLocalDateTimeLocked(LocalDateTime* out) { return Locked(GetLocalDateTime, out); }

int GetRandomUpToLocked(int n) { return Locked(GetRandomUpTo, n); }
int SeedRandomLocked(uint32_t seed) { return Locked(SeedRandom, seed); }

int IsKeyDownLocked(int keyCode) { return Locked(IsKeyDown, keyCode); }
int GetPadCountLocked() { return Locked(GetPadCount); }
int GetPadInputBitsLocked(int pad) { return Locked(GetPadInputBits, pad); }

int SetFlipWaitsVBlankLocked(int flag) { return Locked(SetFlipWaitsVBlank, flag); }
int GetFlipWaitsVBlankLocked() { return Locked(GetFlipWaitsVBlank); }
int GetScreenSizeLocked(int* width, int* height) { return Locked(GetScreenSize, width, height); }
const PixelFormatRecord* GetScreenPixelFormatRecordLocked() { return Locked(GetScreenPixelFormatRecord); }
uint32_t GetScreenColorLocked(int red, int green, int blue) { return Locked(GetScreenColor, red, green, blue); }
int CreateColorDataEntry(ColorData* cd, int bits, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                         uint32_t alphaMask) {
  return CreateColorData(cd, bits, redMask, greenMask, blueMask, alphaMask);
}
int CreatePixelFormatFromMasksEntry(PixelFormatRecord* pf, int bits, uint32_t redMask, uint32_t greenMask,
                                    uint32_t blueMask, uint32_t alphaMask) {
  return CreatePixelFormatFromMasks(pf, bits, redMask, greenMask, blueMask, alphaMask);
}
int WaitVerticalBlankLocked(int count) { return Locked(WaitVerticalBlank, count); }
int PresentScreenLocked() { return Locked(PresentScreen); }
int SetScreenModeKeepLocked(int width, int height, int bits, int refreshRate) {
  return Locked(SetScreenModeKeep, width, height, bits, refreshRate);
}
int SaveDrawScreenToBmpLocked(int x1, int y1, int x2, int y2, const char* fileName) {
  return Locked(SaveDrawScreenToBmp, x1, y1, x2, y2, fileName);
}
int SetNoTextureSplitFlagLocked(int flag) { return Locked(SetNoTextureSplitFlag, flag); }

int CreateBlankGraphLocked(int width, int height) { return Locked(CreateBlankGraph, width, height); }
int DeleteGraphHandleLocked(int graph, int logFlag) { return Locked(DeleteGraphHandle, graph, logFlag); }
int DeleteAllGraphHandlesLocked(int logFlag) { return Locked(DeleteAllGraphHandles, logFlag); }
int LoadGraphFileCallLocked(const char* fileName) { return Locked(LoadGraphFileCall, fileName); }
int GetDrawScreenGraphLocked(int x1, int y1, int x2, int y2, int graph, int flag) {
  return Locked(GetDrawScreenGraph, x1, y1, x2, y2, graph, flag);
}
int GetGraphDimensionsLocked(int graph, int* width, int* height) {
  return Locked(GetGraphDimensions, graph, width, height);
}
int DeriveGraphRegionLocked(int x, int y, int width, int height, int sourceGraph) {
  return Locked(DeriveGraphRegion, x, y, width, height, sourceGraph);
}

int ClearDrawTargetLocked() { return Locked(ClearDrawTarget); }
int DrawGraphAtPointLocked(int x, int y, int graph, int transparent) {
  return Locked(DrawGraphAtPoint, x, y, graph, transparent);
}
int DrawGraphStretchedLocked(int x1, int y1, int x2, int y2, int graph, int transparent) {
  return Locked(DrawGraphStretched, x1, y1, x2, y2, graph, transparent);
}
int DrawGraphRotatedCallLocked(int x, int y, double scale, double angle, int graph, int transparent, int mirror) {
  return Locked(DrawGraphRotatedCall, x, y, scale, angle, graph, transparent, mirror);
}
int DrawGraphMirroredLocked(int x, int y, int graph, int transparent) {
  return Locked(DrawGraphMirrored, x, y, graph, transparent);
}
int DrawGraphTiledRotatedLocked(int x1, int y1, int x2, int y2, int ox, int oy, double scale, double angle,
                                int graph, int transparent) {
  return Locked(DrawGraphTiledRotated, x1, y1, x2, y2, ox, oy, scale, angle, graph, transparent);
}
int DrawGraphRotatedAboutCenterLocked(int x1, int y1, int x2, int y2, int ox, int oy, double scale,
                                      double angle, int graph, int transparent) {
  return DrawGraphTiledRotatedLocked(x1, y1, x2, y2, ox, oy, scale, angle, graph, transparent);
}
int DrawBoxShapeLocked(int x1, int y1, int x2, int y2, uint32_t color, int fill) {
  return Locked(DrawBoxShape, x1, y1, x2, y2, color, fill);
}
int DrawOvalShapeLocked(int cx, int cy, int rx, int ry, uint32_t color, int fill) {
  return Locked(DrawOvalShape, cx, cy, rx, ry, color, fill);
}
int SetDrawModeStateLocked(int mode) { return Locked(SetDrawModeState, mode); }
int SetBlendModeStateLocked(int mode, int param) { return Locked(SetBlendModeState, mode, param); }
int SetDrawBrightRgbLocked(int red, int green, int blue) { return Locked(SetDrawBrightRgb, red, green, blue); }
int SetDrawTargetLocked(int target) { return Locked(SetDrawTarget, target); }
int SetTransparentColorLocked(int red, int green, int blue) {
  return Locked(SetTransparentColor, red, green, blue);
}
int SetCreateGraphAlphaFlagLocked(int flag) { return Locked(SetCreateGraphAlphaFlag, flag); }
int ClipRectToRectEntry(RectI* rect, const RectI* clip) { return ClipRectToRect(rect, clip); }

int DrawTextDefaultFontLocked(int x, int y, const char* text, uint32_t color, uint32_t edgeColor) {
  return Locked(DrawTextDefaultFont, x, y, text, color, edgeColor);
}
int SetDefaultFontSizeLocked(int size) { return Locked(SetDefaultFontSize, size); }
int SetDefaultFontThicknessLocked(int thickness) { return Locked(SetDefaultFontThickness, thickness); }
int SetDefaultFontNameLocked(const char* faceName, int charset) {
  return Locked(SetDefaultFontName, faceName, charset);
}
int SetDefaultFontTypeLocked(int type) { return Locked(SetDefaultFontType, type); }

int LoadSoundFileLocked(const char* fileName, int bufferCount, int shareHandle) {
  return Locked(LoadSoundFile, fileName, bufferCount, shareHandle);
}
int PlaySoundHandleLocked(int sound, int playType, int fromTop) {
  return Locked(PlaySoundHandle, sound, playType, fromTop);
}
int StopSoundHandleLocked(int sound) { return Locked(StopSoundHandle, sound); }
int IsSoundHandlePlayingLocked(int sound) { return Locked(IsSoundHandlePlaying, sound); }
int SetSoundHandleVolumeLocked(int volume, int sound) { return Locked(SetSoundHandleVolume, volume, sound); }
int SetStreamLoopMillisecondsLocked(int milliseconds, int sound) {
  return Locked(SetStreamLoopMilliseconds, milliseconds, sound);
}
int SetSoundCreateTypeLocked(int type) { return Locked(SetSoundCreateType, type); }
int IsSoundSystemRunningLocked() { return Locked(IsSoundSystemRunning); }

int ConnectNetWorkLocked(const char* host, int port) { return Locked(ConnectNetWork, host, port); }
int PreparationListenNetWorkLocked(const char* address, int port) {
  return Locked(PreparationListenNetWork, address, port);
}
int StopListenNetWorkLocked() { return Locked(StopListenNetWork); }
int GetNewAcceptNetWorkLocked() { return Locked(GetNewAcceptNetWork); }
int GetNetWorkAcceptStateLocked(int handle) { return Locked(GetNetWorkAcceptState, handle); }
int NetWorkRecvLocked(int handle, void* buffer, int length) { return Locked(NetWorkRecv, handle, buffer, length); }
int NetWorkRecvToPeekLocked(int handle, void* buffer, int length) {
  return Locked(NetWorkRecvToPeek, handle, buffer, length);
}
int NetWorkSendLocked(int handle, const void* data, int length) { return Locked(NetWorkSend, handle, data, length); }
int GetNetWorkDataLengthLocked(int handle) { return Locked(GetNetWorkDataLength, handle); }
int CloseNetWorkHandleLocked(int handle) { return Locked(CloseNetWorkHandle, handle); }
int SetNetWorkFramingOffFlagLocked(int flag) { return Locked(SetNetWorkFramingOffFlag, flag); }
int SetNetWorkAutoCloseOffFlagLocked(int flag) { return Locked(SetNetWorkAutoCloseOffFlag, flag); }
int HttpTransferStartLocked(int kind, const char* host, int port, const char* path, const void* postBody,
                            int postLength, const char* fileName, void** memoryBody) {
  return Locked(HttpTransferStart, kind, host, port, path, postBody, postLength, fileName, memoryBody);
}
int HttpGetTransferStateLocked(int slot, int* status, int* result, int* contentLength, int* received) {
  return Locked(HttpGetTransferState, slot, status, result, contentLength, received);
}
int HttpTransferDeleteLocked(int slot) { return Locked(HttpTransferDelete, slot); }
int HttpMemoryBodyFreeLocked(void* body) { return Locked(HttpMemoryBodyFree, body); }
