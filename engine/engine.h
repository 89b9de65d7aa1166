// The engine's public operations: the one header the game includes. Each entry takes the engine
// lock, calls the operation, releases the lock and returns the operation's result unchanged
// (0 success, -1 failure unless stated). Objects are named by int handles; the draw targets back
// screen and front screen are -2 and -4. Strings are CP932 bytes. The six entries named ...Entry
// take no lock.
#pragma once
#include <cstdint>

struct ColorData;   // colour description record of the graphics folder
struct RectI;       // {left, top, right, bottom}, right and bottom exclusive

struct LocalDateTime {
  int32_t year;
  int32_t month;
  int32_t day;
  int32_t hour;
  int32_t minute;
  int32_t second;
};

// A screen or surface pixel format: 32 bytes, size 32, flags 0x40 when the masks describe RGB.
struct PixelFormatRecord {
  uint32_t size;
  uint32_t flags;
  uint32_t fourCC;
  uint32_t rgbBitCount;
  uint32_t redMask;
  uint32_t greenMask;
  uint32_t blueMask;
  uint32_t alphaMask;
};

// Start-up, shut-down and messages.
int LibraryInitializeLocked();
int LibraryTerminateLocked();              // 0; the lock is destroyed afterwards
int ProcessMessageLocked();                // 0 running, -1 once the program is to end

// Window.
void* GetMainWindowHwndLocked();           // null before the window exists
// The single-copy mark, taken before start-up and held until shut-down or the release: 0 this
// copy holds it, 1 another copy runs, -1 it cannot be made. `why` gets the reason in the system's
// encoding (for the terminal), cut to whySize bytes.
int ClaimSingleCopyLocked(char* why, int whySize);
int ReleaseSingleCopyLocked();             // 0
// 1 when the main window could be shown, 0 when no display answers (`why` as above).
int CanCreateMainWindowLocked(char* why, int whySize);
int ChangeWindowModeLocked(int windowed);  // 1 window, 0 full screen
int SetMainWindowCaptionLocked(const char* text);
int SetMainWindowIconLocked(int iconId);
int SetWindowScaleRateLocked(double scale);   // -1 for a scale past 64 or not finite

// Log.
int SetLogFileOutputFlagLocked(int flag);

// Files and archives.
int SetArchiveUseFlagLocked(int flag);
int SetArchiveExtensionLocked(const char* text);
int SetArchiveExtensionEntry(const char* text);
int SetArchiveKeyStringLocked(const char* text);
int SetArchiveKeyStringEntry(const char* text);

// Mouse, clocks and waits.
int SetMouseCursorVisibleFlagLocked(int flag);
int GetMousePositionLocked(int* x, int* y);
int GetMouseButtonBitsLocked();
int WaitMillisecondsPumpingEntry(int milliseconds);     // 0
int GetMillisecondCountLocked(int unused);              // wrapping millisecond clock; pass 0
int GetLocalDateTimeLocked(LocalDateTime* out);         // 0

// Random numbers.
int GetRandomUpToLocked(int n);                         // 0..n
int SeedRandomLocked(uint32_t seed);                    // 0
// A generator of the same kind held by the caller (the same seeding and draws as the two above),
// apart from the engine's own: it touches no engine state and takes no lock.
struct RandomGenerator {
  uint32_t state[624];
  uint32_t output[624];
  int next;
};
void SeedRandomGenerator(RandomGenerator* g, uint32_t seed);
int RandomGeneratorUpTo(RandomGenerator* g, int n);     // 0..n; the generator must be seeded

// Input.
int IsKeyDownLocked(int keyCode);                       // 1 down, 0 up
int GetPadCountLocked();
int GetPadInputBitsLocked(int pad);

// Screen.
int SetFlipWaitsVBlankLocked(int flag);
int GetFlipWaitsVBlankLocked();                         // 1: presents wait for the blank
int GetScreenSizeLocked(int* width, int* height);
const PixelFormatRecord* GetScreenPixelFormatRecordLocked();
uint32_t GetScreenColorLocked(int red, int green, int blue);
int CreateColorDataEntry(ColorData* cd, int bits, uint32_t redMask, uint32_t greenMask,
                         uint32_t blueMask, uint32_t alphaMask);
int CreatePixelFormatFromMasksEntry(PixelFormatRecord* pf, int bits, uint32_t redMask,
                                    uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);
int WaitVerticalBlankLocked(int count);
int PresentScreenLocked();
int SetScreenModeKeepLocked(int width, int height, int bits, int refreshRate);   // 0 / -1 / -2
int SaveDrawScreenToBmpLocked(int x1, int y1, int x2, int y2, const char* fileName);
int SetNoTextureSplitFlagLocked(int flag);

// Graphs.
int CreateBlankGraphLocked(int width, int height);      // graph, or -1
int DeleteGraphHandleLocked(int graph, int logFlag);
int DeleteAllGraphHandlesLocked(int logFlag);
int LoadGraphFileCallLocked(const char* fileName);      // graph, or -1
int GetDrawScreenGraphLocked(int x1, int y1, int x2, int y2, int graph, int flag);
int GetGraphDimensionsLocked(int graph, int* width, int* height);   // graph, -2 or -4
int DeriveGraphRegionLocked(int x, int y, int width, int height, int sourceGraph);   // graph, or -1

// Draw state and drawing.
int ClearDrawTargetLocked();
int DrawGraphAtPointLocked(int x, int y, int graph, int transparent);
int DrawGraphStretchedLocked(int x1, int y1, int x2, int y2, int graph, int transparent);
int DrawGraphRotatedCallLocked(int x, int y, double scale, double angle, int graph, int transparent,
                               int mirror);
int DrawGraphMirroredLocked(int x, int y, int graph, int transparent);
int DrawGraphTiledRotatedLocked(int x1, int y1, int x2, int y2, int ox, int oy, double scale,
                                double angle, int graph, int transparent);
int DrawGraphRotatedAboutCenterLocked(int x1, int y1, int x2, int y2, int ox, int oy, double scale,
                                      double angle, int graph, int transparent);   // the same entry
int DrawBoxShapeLocked(int x1, int y1, int x2, int y2, uint32_t color, int fill);
int DrawOvalShapeLocked(int cx, int cy, int rx, int ry, uint32_t color, int fill);
int SetDrawModeStateLocked(int mode);
int SetBlendModeStateLocked(int mode, int param);       // param 0..255
int SetDrawBrightRgbLocked(int red, int green, int blue);
int SetDrawTargetLocked(int target);                    // graph, -2 back screen, -4 front screen
int SetTransparentColorLocked(int red, int green, int blue);
int SetCreateGraphAlphaFlagLocked(int flag);
int ClipRectToRectEntry(RectI* rect, const RectI* clip);

// Default font and text.
int DrawTextDefaultFontLocked(int x, int y, const char* text, uint32_t color, uint32_t edgeColor);
int SetDefaultFontSizeLocked(int size);
int SetDefaultFontThicknessLocked(int thickness);
int SetDefaultFontNameLocked(const char* faceName, int charset);
int SetDefaultFontTypeLocked(int type);

// Sounds.
int LoadSoundFileLocked(const char* fileName, int bufferCount, int shareHandle);   // sound, or -1
int PlaySoundHandleLocked(int sound, int playType, int fromTop);
int StopSoundHandleLocked(int sound);
int IsSoundHandlePlayingLocked(int sound);              // 1 / 0 / -1
int SetSoundHandleVolumeLocked(int volume, int sound);
int SetStreamLoopMillisecondsLocked(int milliseconds, int sound);
int SetSoundCreateTypeLocked(int type);                 // 0..3
int IsSoundSystemRunningLocked();                       // 1, or 0 when start-up had no sound device

// Network: TCP connections named by network handles. The layer starts with the first connect or
// listen. Framed handles (the default) carry each send as a 4-byte little-endian length and the
// bytes, and receive into a buffer read with NetWorkRecv; raw handles read and write the socket
// as it stands. HTTP/1.0 transfers run on raw handles and advance inside ProcessMessage.
int ConnectNetWorkLocked(const char* host, int port);                 // handle, or -1
int PreparationListenNetWorkLocked(const char* address, int port);    // bound port, or -1; null: any
int StopListenNetWorkLocked();
int GetNewAcceptNetWorkLocked();                        // an accepted handle not yet handed out, or -1
int GetNetWorkAcceptStateLocked(int handle);            // 1 connected, 0 not, -1
int NetWorkRecvLocked(int handle, void* buffer, int length);
int NetWorkRecvToPeekLocked(int handle, void* buffer, int length);
int NetWorkSendLocked(int handle, const void* data, int length);
int GetNetWorkDataLengthLocked(int handle);
int CloseNetWorkHandleLocked(int handle);
int SetNetWorkFramingOffFlagLocked(int flag);           // 1: new handles are raw
int SetNetWorkAutoCloseOffFlagLocked(int flag);         // 1: closed connections stay until closed here
// kind 0 GET, 1 POST, 2 HEAD; the body goes to fileName, or (fileName null) into a block whose
// address is stored in *memoryBody once the length is known: slot, or -1.
int HttpTransferStartLocked(int kind, const char* host, int port, const char* path, const void* postBody,
                            int postLength, const char* fileName, void** memoryBody);
// status -1 running, 0 done, 2 failed; result -1, or 0 bad status, 1 404, 2 no memory, 3 closed.
int HttpGetTransferStateLocked(int slot, int* status, int* result, int* contentLength, int* received);
int HttpTransferDeleteLocked(int slot);
int HttpMemoryBodyFreeLocked(void* body);               // gives back a finished memory body
