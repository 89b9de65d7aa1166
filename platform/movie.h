// Movies: a multimedia stream reads one movie file and feeds its frames into a sample, a rectangle
// of a screen surface, in that surface's pixel format; its sound, when it has one, plays through the
// mixer (audio.h) and follows run, pause and seek. Time is counted in stream units of 100 ns on the
// platform clock (clock.h), so the virtual clock drives movies in tests. No thread: an asynchronous
// update whose frame is not due yet stays pending until a later call finds its time has come.
// Hardware overlays do not exist here. Back ends: FFmpeg's libraries, and a fake decoder whose
// frames are exact, computed from the frame number.
#pragma once
#include <cstdint>

#include "platform/surface.h"
#include "platform/sync.h"

namespace plat {

constexpr int64_t kMovieUnitsPerSecond = 10000000;

// Results: 0 success, the two informational values the engine compares, or a negative error.
enum : int {
  MOVIE_OK = 0,
  MOVIE_S_PENDING = 0x40001,       // the update completes later and sets its event
  MOVIE_S_ENDOFSTREAM = 0x40003,   // no frame is left
  MOVIE_E_FAIL = -1,               // bad arguments, or the object is not in a state to do it
  MOVIE_E_NOFILE = -2,             // the file is missing or the decoder cannot read it
  MOVIE_E_FORMAT = -3,             // the surface's pixel format cannot take frames
  MOVIE_E_NOTRUNNING = -4,         // a synchronous update on a stream that does not run
  MOVIE_E_NOMEMORY = -5,
};

enum : uint32_t { MOVIE_UPDATE_ASYNC = 0x1 };

enum class MovieBackend { Ffmpeg, Fake };
void MovieSetBackend(MovieBackend backend);   // for streams created afterwards (default Ffmpeg)
MovieBackend MovieGetBackend();

struct MovieStream;
struct MovieSample;

MovieStream* MovieStreamCreate();                              // null when memory is short
void MovieStreamRelease(MovieStream* m);                       // stops its sound; samples must be gone
int MovieStreamAddVideo(MovieStream* m, SurfaceDevice* dev);   // frames for surfaces of dev
int MovieStreamAddSound(MovieStream* m);                       // plays through the mixer when it is open
// Opens an engine path (CP932, Windows rules). Before this, the stream has no format or time.
int MovieStreamOpenFile(MovieStream* m, const char* path);
int64_t MovieStreamStopPosition(const MovieStream* m);         // the length, in stream units
int MovieStreamDesiredFormat(const MovieStream* m, int32_t* width, int32_t* height);   // 0 x 0: no video
int64_t MovieStreamTimePerFrame(const MovieStream* m);
int MovieStreamRun(MovieStream* m);                            // the clock runs from the current time
int MovieStreamPause(MovieStream* m);                          // the clock and the sound stop there
bool MovieStreamIsRunning(const MovieStream* m);
int MovieStreamSeek(MovieStream* m, int64_t time);             // clamped to 0..stop position
int64_t MovieStreamTime(const MovieStream* m);                 // current stream time
int MovieStreamSetVolume(MovieStream* m, int32_t volume);      // hundredths of a decibel, -10000..0
bool MovieSoundIsPlaying(const MovieStream* m);                // its sound sounds right now

// A sample on rect of surface (whole surface when rect is null); surface null: the stream makes a
// system-memory surface of its own in 32-bit RGB. Null with *result set when it cannot be made.
MovieSample* MovieSampleCreate(MovieStream* m, Surface* surface, const SurfRect* rect, int* result);
void MovieSampleRelease(MovieSample* s);                       // a surface it made goes with it
Surface* MovieSampleSurface(MovieSample* s, SurfRect* rect);
// Brings the frame due at the stream's current time into the surface, or the next frame when that
// one was delivered already. Synchronous: sleeps until the next frame is due. Asynchronous: a frame
// already due is delivered at once (MOVIE_OK, event set); otherwise MOVIE_S_PENDING and the event is
// set when MovieSampleCompletionStatus or another update finds it due. The end of the stream gives
// MOVIE_S_ENDOFSTREAM.
int MovieSampleUpdate(MovieSample* s, uint32_t flags, Event* event);
// Completes a pending update whose frame has come due: MOVIE_OK (also when none is pending),
// MOVIE_S_PENDING, or MOVIE_S_ENDOFSTREAM.
int MovieSampleCompletionStatus(MovieSample* s);

// The overlay pixel format a movie could play through; there is none here.
bool MovieOverlayPixelFormat(const SurfaceDevice* dev, PixelFormat* out);

// Fake back end. A fake movie file is a text line "FAKEMOVIE width height frames unitsPerFrame
// soundMs". Frame n is filled with FakeMovieFrameColour(n) as 0x00RRGGBB in the surface's format.
uint32_t FakeMovieFrameColour(int frame);
int FakeMovieDecodedFrameCount();                              // frames converted since start (tests)

}  // namespace plat
