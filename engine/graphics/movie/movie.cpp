// Movie graphs: the movie table, opening a movie's streams (through a temporary copy when the file
// lies inside an archive), frame updates with their throttle and pending requests, play and pause,
// and releasing and reopening the streams around a rebuild of the display.
#include "engine/graphics/movie/movie.h"

#include <cstdio>
#include <cstring>

#include "engine/base/file_access.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/graphics/draw/draw_services.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/texture_graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen.h"
#include "platform/files.h"

static void* g_MovieSlots[MOVIE_TABLE_SIZE];
static HandleTable g_Movies{HANDLE_KIND_MOVIE, HANDLE_KIND_MASK, MOVIE_TABLE_SIZE, true, g_MovieSlots, 0, 0, 0};

MovieRecord* GetMovieRecord(int movie) { return static_cast<MovieRecord*>(HandleLookup(&g_Movies, movie)); }

int GetMovieCount() { return g_Movies.count; }

static MovieRecord* RecordInSlot(int slot) { return static_cast<MovieRecord*>(g_MovieSlots[slot]); }

// Lets go of the sample, its surface and the stream; the record, its frame copy and event stay.
static void ReleaseMovieObjects(MovieRecord* rec) {
  plat::MovieSampleRelease(rec->sample);
  if (rec->madeSurface) plat::SurfaceRelease(rec->madeSurface);
  plat::MovieStreamRelease(rec->stream);
  rec->sample = nullptr;
  rec->sampleSurface = rec->frameSurface = rec->overlaySurface = rec->madeSurface = nullptr;
  rec->stream = nullptr;
  rec->device = nullptr;
  rec->updatePending = 0;
}

static int FailOpen(MovieRecord* rec, const char* message) {
  ReleaseMovieObjects(rec);
  TrackedFree(rec->frameCopy);
  rec->frameCopy = nullptr;
  return LogWrite(message);
}

// Copies a file the stream cannot open (one inside an archive) to a new temporary file, whose
// path replaces the record's file name. 0, or -1 with nothing left behind.
static int CopyToTemporaryFile(MovieRecord* rec) {
  const FileHandle in = FileOpen(rec->fileName, 0);
  if (in == 0) return -1;
  FileSeek(in, 0, 2);
  const int64_t size = FileTell(in);
  FileSeek(in, 0, 0);
  uint8_t* buffer = size >= 0 ? static_cast<uint8_t*>(TRACKED_ALLOC(MOVIE_COPY_CHUNK)) : nullptr;
  if (!buffer) {
    FileClose(in);
    return -1;
  }
  char path[MOVIE_FILE_NAME_SIZE];
  plat::File* out = CreateTempFile(path, sizeof(path));
  if (!out) {
    TrackedFree(buffer);
    FileClose(in);
    return -1;
  }
  // A copy cut short by a full disk or a failing read would play a truncated movie: it is refused.
  int64_t done = 0;
  bool whole = true;
  while (done < size) {
    const int64_t want = size - done < MOVIE_COPY_CHUNK ? size - done : MOVIE_COPY_CHUNK;
    const size_t got = FileRead(buffer, 1, static_cast<size_t>(want), in);
    if (got == 0 || plat::FileWrite(out, buffer, static_cast<int64_t>(got)) != static_cast<int64_t>(got)) {
      whole = false;
      break;
    }
    done += static_cast<int64_t>(got);
  }
  plat::FileClose(out);
  FileClose(in);
  TrackedFree(buffer);
  if (!whole) {
    plat::FileDelete(path);
    return -1;
  }
  std::memcpy(rec->fileName, path, sizeof(path));
  rec->temporaryFile = 1;
  return 0;
}

static plat::PixelFormat SampleSurfaceFormat(int mode, plat::SurfaceDevice* device) {
  if (mode == 2) return plat::PixelFormat{32, plat::PIXFMT_RGB, 0, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0};
  if (ScreenIsSoftware()) return ToSurfacePixelFormat(GetStandardPixelFormat(ScreenActualBitDepth() == 32 ? 1 : 0, 0, 0));
  return plat::SurfaceDeviceDisplayFormat(device);
}

int OpenMovieStreams(MovieRecord* rec, plat::SurfaceDevice* device, const char* fileName, int* width, int* height,
                     int mode) {
  rec->frameCopy = nullptr;
  plat::PixelFormat overlay;
  if (mode == 1 && (!GetOverlayPixelFormat() || !plat::MovieOverlayPixelFormat(device, &overlay))) mode = 2;
  if (mode == 2 && ScreenActualBitDepth() == 32) mode = 0;

  rec->stream = plat::MovieStreamCreate();
  if (!rec->stream) return FailOpen(rec, "CLSID_FilterGraph の作成に失敗しました");
  if (!device) return FailOpen(rec, "DirectDraw4オブジェクトを取得できませんでした");
  rec->device = device;
  if (plat::MovieStreamAddVideo(rec->stream, device) != plat::MOVIE_OK) {
    return FailOpen(rec, "プライマリビデオストリームを追加できませんでした！");
  }
  if (plat::MovieStreamAddSound(rec->stream) != plat::MOVIE_OK) {
    return FailOpen(rec, "デフォルトサウンドレンダラを追加できませんでした！\n");
  }

  char failMessage[MOVIE_FILE_NAME_SIZE + 64];
  std::snprintf(failMessage, sizeof(failMessage), "ファイル:%s が開けませんでした", fileName);
  if (std::strlen(fileName) >= MOVIE_FILE_NAME_SIZE) return FailOpen(rec, failMessage);
  if (rec->fileName != fileName) std::memmove(rec->fileName, fileName, std::strlen(fileName) + 1);
  if (plat::MovieStreamOpenFile(rec->stream, rec->fileName) != plat::MOVIE_OK) {
    // A plain file the decoder refused would only be refused again as a copy (and a large one
    // would be copied whole first); only a file inside an archive is worth copying out.
    if (rec->temporaryFile || plat::FileExists(rec->fileName) || CopyToTemporaryFile(rec) != 0) {
      return FailOpen(rec, failMessage);
    }
    if (plat::MovieStreamOpenFile(rec->stream, rec->fileName) != plat::MOVIE_OK) {
      plat::FileDelete(rec->fileName);
      return FailOpen(rec, failMessage);
    }
  }
  rec->stopPosition = plat::MovieStreamStopPosition(rec->stream);

  int32_t w = 0, h = 0;
  if (plat::MovieStreamDesiredFormat(rec->stream, &w, &h) != plat::MOVIE_OK || w == 0 || h == 0) {
    return FailOpen(rec, "動画ファイルではない可能性があります！");
  }
  plat::SurfaceDesc desc{};
  desc.caps = plat::SURFCAPS_OFFSCREENPLAIN | plat::SURFCAPS_SYSTEMMEMORY;
  desc.width = w;
  desc.height = h;
  desc.hasFormat = true;
  desc.format = SampleSurfaceFormat(mode, device);
  plat::Surface* surface = nullptr;
  if (plat::SurfaceCreate(device, desc, &surface) != plat::SURF_OK) {
    return FailOpen(rec, "DirectDrawSurface オブジェクトの作成に失敗しました");
  }
  rec->madeSurface = surface;
  rec->mode = mode;
  rec->sample = plat::MovieSampleCreate(rec->stream, surface, nullptr, nullptr);
  if (!rec->sample) {
    plat::SurfaceRelease(surface);
    rec->madeSurface = nullptr;
    rec->mode = 0;
    rec->sample = plat::MovieSampleCreate(rec->stream, nullptr, nullptr, nullptr);
    if (!rec->sample) return FailOpen(rec, "ストリームサンプルを作成できませんでした！");
  }

  plat::SurfRect r;
  rec->sampleSurface = plat::MovieSampleSurface(rec->sample, &r);
  if (!rec->sampleSurface) {
    return FailOpen(rec, "ストリームサンプルからIDirectDrawSurfaceインターフェイスを取得できませんでした！");
  }
  rec->sampleRect = RectI{r.left, r.top, r.right, r.bottom};
  rec->width = r.right - r.left;
  rec->height = r.bottom - r.top;
  if (width) *width = rec->width;
  if (height) *height = rec->height;
  rec->systemMemory = (plat::SurfaceCaps(rec->sampleSurface) & plat::SURFCAPS_SYSTEMMEMORY) ? 1 : 0;
  PixelFormatRecord pf;
  const plat::PixelFormat& sf = plat::SurfaceFormat(rec->sampleSurface);
  std::memcpy(&pf, &sf, sizeof(pf));
  ColorDataFromPixelFormat(&pf, &rec->colorData);
  if (rec->mode == 1) {
    rec->overlaySurface = rec->sampleSurface;
  } else {
    rec->frameSurface = rec->sampleSurface;
    rec->copyWidth = rec->width;
    rec->copyHeight = rec->height;
    rec->copyPitch = (rec->colorData.pixelBytes * rec->width + 3) & ~3;
    rec->frameCopy = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(rec->copyPitch) * rec->copyHeight));
    if (!rec->frameCopy) return FailOpen(rec, "メモリの確保に失敗しました in OpenMovieStreams");
  }

  // A reopen makes a new event; the one from before goes.
  if (rec->frameEvent) plat::EventDestroy(rec->frameEvent);
  rec->frameEvent = plat::EventCreate(true, false);
  rec->updatePending = 0;
  rec->lastFrameCounter = -1;
  rec->lastUpdateTime = -1;
  rec->openTime = GetMicrosecondCount(0);
  rec->timePerFrame = plat::MovieStreamTimePerFrame(rec->stream);
  return 0;
}

int OpenMovieToGraph(const char* fileName, int* width, int* height, int mode) {
  if (!fileName || g_Movies.count >= MOVIE_TABLE_SIZE) return -1;
  const int movie = HandleCreate(&g_Movies, sizeof(MovieRecord));
  if (movie < 0) {
    LogWrite("メモリの確保に失敗しました in OpenMovieToGraph");
    return -1;
  }
  MovieRecord* rec = GetMovieRecord(movie);
  rec->temporaryFile = 0;
  if (OpenMovieStreams(rec, ScreenSurfaceDevice(), fileName, width, height, mode) != 0) {
    if (rec->temporaryFile) plat::FileDelete(rec->fileName);
    HandleDestroy(&g_Movies, movie);
    // A failed open uses no check number.
    g_Movies.nextCheck = (g_Movies.nextCheck + 0x7FF) & 0x7FF;
    return LogWrite("ムービーファイルオープン処理時にエラーが発生しました");
  }
  rec->playing = 0;
  return movie;
}

int CloseMovieOfGraph(int movie) {
  MovieRecord* rec = GetMovieRecord(movie);
  if (!rec) return -1;
  if (rec->temporaryFile) plat::FileDelete(rec->fileName);
  TrackedFree(rec->frameCopy);
  rec->frameCopy = nullptr;
  ReleaseMovieObjects(rec);
  if (rec->frameEvent) plat::EventDestroy(rec->frameEvent);
  rec->frameEvent = nullptr;
  HandleDestroy(&g_Movies, movie);
  return 0;
}

void RestoreMovieSurfaces(int movie) {
  MovieRecord* rec = GetMovieRecord(movie);
  if (!rec) return;
  if (rec->frameSurface && plat::SurfaceIsLost(rec->frameSurface)) plat::SurfaceRestore(rec->frameSurface);
  if (rec->overlaySurface && plat::SurfaceIsLost(rec->overlaySurface)) plat::SurfaceRestore(rec->overlaySurface);
}

int GetMovieModeField(int movie) {
  const MovieRecord* rec = GetMovieRecord(movie);
  return rec ? rec->mode : 0;
}

// The record keeps no alpha half: movie frames are colour only.
int MovieFramesCarryAlpha(int) { return 0; }

// Takes the frame the sample received into the frame copy and the graph's pixels.
static void CompleteFrame(MovieRecord* rec, GraphRecord* g) {
  if (rec->frameCopy) {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    const plat::SurfRect r{rec->sampleRect.left, rec->sampleRect.top, rec->sampleRect.right, rec->sampleRect.bottom};
    if (plat::SurfaceLock(rec->frameSurface, &r, plat::SURFLOCK_WAIT, &pixels, &pitch) == plat::SURF_OK) {
      const size_t rowBytes = static_cast<size_t>(rec->copyWidth) * rec->colorData.pixelBytes;
      for (int y = 0; y < rec->copyHeight; ++y) {
        std::memcpy(rec->frameCopy + static_cast<int64_t>(y) * rec->copyPitch, pixels + static_cast<int64_t>(y) * pitch,
                    rowBytes);
      }
      plat::SurfaceUnlock(rec->frameSurface);
    }
  }
  if (rec->mode != 1 && rec->frameCopy) {
    PictureImage frame{rec->colorData, rec->copyWidth, rec->copyHeight, rec->copyPitch, rec->frameCopy};
    if (g->create.texture) {
      TransferMovieFrameToTextures(&frame, 0, g);
    } else {
      TransferMovieFrameToSurface2D(&frame, rec->mode == 2, 0, g);
    }
  }
  rec->lastFrameCounter = static_cast<int64_t>(GetPresentFrameCount());
  rec->lastUpdateTime = static_cast<int32_t>(GetMillisecondCount());
  plat::EventReset(rec->frameEvent);
  rec->updatePending = 0;
}

int UpdateMovieFrame(int graph, int force) {
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  if (g->movieHandle == -1) return 0;
  MovieRecord* rec = GetMovieRecord(g->movieHandle);
  if (!rec) return -1;
  if (!rec->stream) return 0;
  const bool running = plat::MovieStreamIsRunning(rec->stream);
  if (!force) {
    if (!rec->playing || !running) return 0;
    const uint32_t since = GetMillisecondCount() - static_cast<uint32_t>(rec->lastUpdateTime);
    if (static_cast<int64_t>(GetPresentFrameCount()) == rec->lastFrameCounter && since < MOVIE_THROTTLE_MS) return 0;
  }
  int completed = 0;
  if (rec->updatePending && !force) {
    plat::MovieSampleCompletionStatus(rec->sample);
    if (!plat::EventIsSet(rec->frameEvent)) return 0;
    CompleteFrame(rec, g);
    completed = 1;
  }
  for (;;) {
    const int r = force ? plat::MovieSampleUpdate(rec->sample, 0, nullptr)
                        : plat::MovieSampleUpdate(rec->sample, plat::MOVIE_UPDATE_ASYNC, rec->frameEvent);
    if (r == plat::MOVIE_OK) {
      CompleteFrame(rec, g);
      if (force || ++completed >= 2) return 0;
      continue;
    }
    if (r == plat::MOVIE_S_PENDING) {
      rec->updatePending = 1;
    } else {
      rec->playing = 0;
    }
    return 0;
  }
}

// The movie of a graph, when both handles are good; *rec stays null for a graph without a movie.
static int MovieOfGraph(int graph, MovieRecord** rec) {
  *rec = nullptr;
  const GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  if (g->movieHandle == -1) return 0;
  *rec = GetMovieRecord(g->movieHandle);
  return *rec ? 0 : -1;
}

int PlayMovieOfGraph(int graph) {
  MovieRecord* rec;
  if (MovieOfGraph(graph, &rec) != 0) return -1;
  if (!rec || !rec->stream) return 0;
  plat::MovieStreamRun(rec->stream);
  if (!rec->playing) rec->playing = 1;
  return 0;
}

int PauseMovieOfGraph(int graph) {
  MovieRecord* rec;
  if (MovieOfGraph(graph, &rec) != 0) return -1;
  if (!rec || !rec->stream) return 0;
  plat::MovieStreamPause(rec->stream);
  if (rec->playing) rec->playing = 0;
  return 0;
}

static void ForEachMovieGraph(int (*fn)(int graph)) {
  const int end = GetGraphAreaEnd();
  for (int slot = 0; slot < end; ++slot) {
    const int graph = GraphHandleFromSlot(slot);
    const GraphRecord* g = graph >= 0 ? GetGraphRecord(graph) : nullptr;
    if (g && g->movieHandle != -1) fn(graph);
  }
}

int ResumeAllMovies() {
  ForEachMovieGraph(PlayMovieOfGraph);
  return 0;
}

int SuspendAllMovies() {
  ForEachMovieGraph(PauseMovieOfGraph);
  return 0;
}

int ReleaseAllMovieStreams() {
  for (int slot = 0; slot < MOVIE_TABLE_SIZE; ++slot) {
    MovieRecord* rec = RecordInSlot(slot);
    if (!rec || !rec->stream) continue;
    rec->savedTime = plat::MovieStreamTime(rec->stream);
    ReleaseMovieObjects(rec);
  }
  return 0;
}

int ReopenAllMovieStreams() {
  for (int slot = 0; slot < MOVIE_TABLE_SIZE; ++slot) {
    MovieRecord* rec = RecordInSlot(slot);
    if (!rec || rec->stream) continue;
    TrackedFree(rec->frameCopy);
    rec->frameCopy = nullptr;
    int w, h;
    if (OpenMovieStreams(rec, ScreenSurfaceDevice(), rec->fileName, &w, &h, rec->mode) != 0) return -1;
    plat::MovieStreamSeek(rec->stream, rec->savedTime);
    if (rec->playing) plat::MovieStreamRun(rec->stream);
  }
  return 0;
}

// What the draw dispatch asks before it draws a movie graph.
int UpdateMovieFrameForDraw(int graph) {
  const GraphRecord* g = GetGraphRecord(graph);
  if (!g || g->movieHandle == -1) return -1;
  const MovieRecord* rec = GetMovieRecord(g->movieHandle);
  if (!rec) return -1;
  UpdateMovieFrame(graph, 0);
  return rec->mode == 1 && rec->overlaySurface ? 1 : 0;
}

// Overlays are never made here (the movie layer reports no overlay format), so a movie is never
// shown through one; these answer for the draw dispatch's overlay path all the same.
int GetMovieOverlaySize(int movie, int* width, int* height) {
  const MovieRecord* rec = GetMovieRecord(movie);
  if (!rec || rec->mode != 1 || !rec->overlaySurface) return -1;
  *width = rec->width;
  *height = rec->height;
  return 0;
}

int ShowMovieOverlay(int movie, const RectI*, const RectI*, int) {
  const MovieRecord* rec = GetMovieRecord(movie);
  return rec && rec->overlaySurface ? 0 : -1;
}

void GetOverlayAlignment(OverlayAlignment* out) { *out = OverlayAlignment{0, 0, 0, 0}; }

// What the window procedure calls.
void SuspendMovies() { SuspendAllMovies(); }
void ResumeMovies() { ResumeAllMovies(); }
void ReleaseMovieStreams() { ReleaseAllMovieStreams(); }
