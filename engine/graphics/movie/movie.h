// Room movie/: movie graphs, the movie table and frame updates. It may use graph/, draw/
// (draw_services.h), image/, screen/, the top headers, the base's handles, log, memory and file
// access, and the platform's movie decoder.
//
// Movie graphs: a graph whose pixels come from a movie file, decoded frame by frame into a sample
// surface and copied into the graph before it is drawn. Movies are named by movie handles; the
// graph record keeps its movie's handle.
#pragma once
#include <cstdint>

#include "engine/base/handle.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"
#include "platform/movie.h"

constexpr int MOVIE_TABLE_SIZE = 100;
constexpr int MOVIE_FILE_NAME_SIZE = 260;
constexpr int MOVIE_COPY_CHUNK = 0x100000;
constexpr int MOVIE_THROTTLE_MS = 18;

struct MovieRecord {
  HandleRecordHead head;               // check number
  RectI sampleRect;                    // the frame's rectangle on the sample surface
  plat::MovieStream* stream;           // reads the file; its clock, seeking and sound; null while released
  plat::MovieSample* sample;           // receives frames
  plat::Surface* sampleSurface;
  plat::Surface* overlaySurface;       // overlay mode only; overlays do not exist here
  plat::Surface* frameSurface;         // other modes: the sample surface
  plat::Surface* madeSurface;          // the surface this record made for the sample, if any
  plat::SurfaceDevice* device;         // the display object the surfaces belong to
  int64_t timePerFrame;                // stream units
  int64_t openTime;                    // microseconds
  int64_t lastFrameCounter;            // presented-frame count at the last frame update; -1 at open
  int32_t lastUpdateTime;              // millisecond clock at the last frame update; -1 at open
  int64_t stopPosition;
  int32_t systemMemory;
  int32_t width, height;
  int32_t playing;
  int32_t mode;                        // 1 overlay, 2 24-bit RGB surface, 0 surface in the screen's format
  int64_t savedTime;                   // stream time kept while the streams are released
  int32_t temporaryFile;               // plays from a temporary copy named by fileName
  char fileName[MOVIE_FILE_NAME_SIZE];
  plat::Event* frameEvent;             // set when an asynchronous frame update completes
  int32_t updatePending;
  ColorData colorData;                 // the frame surface's pixel format
  int32_t copyWidth, copyHeight, copyPitch;
  uint8_t* frameCopy;                  // the last frame; null in overlay mode
};

int OpenMovieToGraph(const char* fileName, int* width, int* height, int mode);   // movie handle or -1
int OpenMovieStreams(MovieRecord* rec, plat::SurfaceDevice* device, const char* fileName, int* width, int* height,
                     int mode);
MovieRecord* GetMovieRecord(int movie);
int CloseMovieOfGraph(int movie);      // 0, -1 for a bad movie handle
int UpdateMovieFrame(int graph, int force);
int PlayMovieOfGraph(int graph);
int PauseMovieOfGraph(int graph);
int ResumeAllMovies();
int SuspendAllMovies();
int ReleaseAllMovieStreams();
int ReopenAllMovieStreams();
int GetMovieCount();
