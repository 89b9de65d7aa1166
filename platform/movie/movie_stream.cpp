// The multimedia stream: its clock, the sample that receives frames, and the sound buffer that
// follows the clock. The decoder back end only decodes and converts.
#include <cstring>
#include <new>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/movie.h"
#include "platform/movie/decoder.h"

namespace plat {

// Sound past this many bytes is left out, so a long movie cannot take unbounded memory.
constexpr size_t kMaxMovieSoundBytes = 64u << 20;

struct MovieSample {
  MovieStream* stream;
  Surface* surface;
  SurfRect rect;
  bool ownSurface;
  bool pending;
  Event* event;
};

struct MovieStream {
  MovieDecoder* decoder = nullptr;
  SurfaceDevice* device = nullptr;
  bool video = false, sound = false, opened = false;
  bool running = false;
  int64_t baseTime = 0;          // stream time when the clock last started or stopped
  uint64_t runStartUs = 0;
  SoundBuffer* soundBuffer = nullptr;
  WaveFormat soundFormat{};
  uint32_t soundBytes = 0;
  int32_t volume = 0;
  MovieSample* sample = nullptr;
  // The decoder's last frame: its time, and whether a sample received it already.
  bool haveFrame = false, frameDelivered = false, atEnd = false;
  int64_t frameTime = 0;
};

static MovieBackend g_Backend = MovieBackend::Ffmpeg;

void MovieSetBackend(MovieBackend backend) { g_Backend = backend; }
MovieBackend MovieGetBackend() { return g_Backend; }

static int64_t CurrentTime(const MovieStream* m) {
  int64_t t = m->baseTime;
  if (m->running) t += static_cast<int64_t>(MicrosecondClock() - m->runStartUs) * 10;
  return t;
}

MovieStream* MovieStreamCreate() {
  MovieStream* m = new (std::nothrow) MovieStream;
  if (!m) return nullptr;
  m->decoder = g_Backend == MovieBackend::Fake ? CreateFakeMovieDecoder() : CreateFfmpegMovieDecoder();
  if (!m->decoder) {
    delete m;
    return nullptr;
  }
  return m;
}

void MovieStreamRelease(MovieStream* m) {
  if (!m) return;
  if (m->sample) m->sample->stream = nullptr;
  if (m->soundBuffer) SoundBufferRelease(m->soundBuffer);
  delete m->decoder;
  delete m;
}

int MovieStreamAddVideo(MovieStream* m, SurfaceDevice* dev) {
  if (!m || !dev || m->opened) return MOVIE_E_FAIL;
  m->device = dev;
  m->video = true;
  return MOVIE_OK;
}

int MovieStreamAddSound(MovieStream* m) {
  if (!m || m->opened) return MOVIE_E_FAIL;
  m->sound = true;
  return MOVIE_OK;
}

static void SetUpSound(MovieStream* m) {
  if (!m->sound || !SoundDeviceIsOpen()) return;
  std::vector<uint8_t> pcm;
  WaveFormat wf{};
  if (!m->decoder->DecodeSound(&wf, &pcm) || pcm.empty() || wf.blockAlign == 0) return;
  size_t bytes = pcm.size() < kMaxMovieSoundBytes ? pcm.size() : kMaxMovieSoundBytes;
  bytes -= bytes % wf.blockAlign;
  if (bytes == 0) return;
  const SoundBufferDesc desc{36, SBCAPS_STATIC | SBCAPS_CTRLVOLUME | SBCAPS_GLOBALFOCUS | SBCAPS_GETCURRENTPOSITION2,
                             static_cast<uint32_t>(bytes), &wf};
  SoundBuffer* b = SoundBufferCreate(&desc);
  if (!b) return;
  void *a1, *a2;
  uint32_t s1, s2;
  if (SoundBufferLock(b, 0, static_cast<uint32_t>(bytes), &a1, &s1, &a2, &s2) != 0) {
    SoundBufferRelease(b);
    return;
  }
  std::memcpy(a1, pcm.data(), s1);
  if (a2) std::memcpy(a2, pcm.data() + s1, s2);
  SoundBufferUnlock(b, a1, s1, a2, s2);
  SoundBufferSetVolume(b, m->volume);
  m->soundBuffer = b;
  m->soundFormat = wf;
  m->soundBytes = static_cast<uint32_t>(bytes);
}

int MovieStreamOpenFile(MovieStream* m, const char* path) {
  if (!m || !path || m->opened || !m->video) return MOVIE_E_FAIL;
  const std::string posix = ResolvePath(path);
  if (posix.empty()) return MOVIE_E_NOFILE;
  const int r = m->decoder->Open(posix);
  if (r != MOVIE_OK) {
    // A decoder that failed holds whatever its library left half made; a later open (the copy of
    // an archived file) gets a fresh one.
    MovieDecoder* fresh = g_Backend == MovieBackend::Fake ? CreateFakeMovieDecoder() : CreateFfmpegMovieDecoder();
    if (fresh) {
      delete m->decoder;
      m->decoder = fresh;
    }
    return r;
  }
  m->opened = true;
  // A file without pictures is refused by its caller; its sound is not worth decoding.
  if (m->decoder->width > 0 && m->decoder->height > 0) SetUpSound(m);
  return MOVIE_OK;
}

int64_t MovieStreamStopPosition(const MovieStream* m) { return m && m->opened ? m->decoder->duration : 0; }

int MovieStreamDesiredFormat(const MovieStream* m, int32_t* width, int32_t* height) {
  if (!m || !m->opened) return MOVIE_E_FAIL;
  *width = m->decoder->width;
  *height = m->decoder->height;
  return MOVIE_OK;
}

int64_t MovieStreamTimePerFrame(const MovieStream* m) { return m && m->opened ? m->decoder->timePerFrame : 0; }

// The sound buffer plays from the stream's time while the clock runs and stays silent otherwise.
static void SyncSound(MovieStream* m) {
  if (!m->soundBuffer) return;
  SoundBufferStop(m->soundBuffer);
  if (!m->running) return;
  const int64_t t = CurrentTime(m);
  const int64_t offset = t / 10 * m->soundFormat.avgBytesPerSec / 1000000;
  if (offset < 0 || offset >= m->soundBytes) return;
  SoundBufferSetPosition(m->soundBuffer, static_cast<uint32_t>(offset));
  SoundBufferPlay(m->soundBuffer, 0);
}

int MovieStreamRun(MovieStream* m) {
  if (!m || !m->opened) return MOVIE_E_FAIL;
  if (m->running) return MOVIE_OK;
  m->running = true;
  m->runStartUs = MicrosecondClock();
  SyncSound(m);
  return MOVIE_OK;
}

int MovieStreamPause(MovieStream* m) {
  if (!m || !m->opened) return MOVIE_E_FAIL;
  if (!m->running) return MOVIE_OK;
  m->baseTime = CurrentTime(m);
  m->running = false;
  SyncSound(m);
  return MOVIE_OK;
}

bool MovieStreamIsRunning(const MovieStream* m) { return m && m->running; }

int MovieStreamSeek(MovieStream* m, int64_t time) {
  if (!m || !m->opened) return MOVIE_E_FAIL;
  if (time < 0) time = 0;
  if (m->decoder->duration > 0 && time > m->decoder->duration) time = m->decoder->duration;
  m->baseTime = time;
  m->runStartUs = MicrosecondClock();
  if (m->decoder->SeekTo(time) < 0) return MOVIE_E_FAIL;
  // A pending update stays pending and is met by the frame of the new time.
  m->haveFrame = m->frameDelivered = m->atEnd = false;
  SyncSound(m);
  return MOVIE_OK;
}

int64_t MovieStreamTime(const MovieStream* m) {
  if (!m || !m->opened) return 0;
  const int64_t t = CurrentTime(m);
  return m->decoder->duration > 0 && t > m->decoder->duration ? m->decoder->duration : t;
}

int MovieStreamSetVolume(MovieStream* m, int32_t volume) {
  if (!m || volume < kSoundVolumeSilent || volume > kSoundVolumeFull) return MOVIE_E_FAIL;
  m->volume = volume;
  if (m->soundBuffer) SoundBufferSetVolume(m->soundBuffer, volume);
  return MOVIE_OK;
}

MovieSample* MovieSampleCreate(MovieStream* m, Surface* surface, const SurfRect* rect, int* result) {
  int dummy;
  if (!result) result = &dummy;
  *result = MOVIE_E_FAIL;
  if (!m || !m->opened || m->sample) return nullptr;
  const int32_t w = m->decoder->width, h = m->decoder->height;
  bool own = false;
  if (!surface) {
    SurfaceDesc d{};
    d.caps = SURFCAPS_OFFSCREENPLAIN | SURFCAPS_SYSTEMMEMORY;
    d.width = w;
    d.height = h;
    d.hasFormat = true;
    d.format = PixelFormat{32, PIXFMT_RGB, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0};
    if (SurfaceCreate(m->device, d, &surface) != SURF_OK) {
      *result = MOVIE_E_NOMEMORY;
      return nullptr;
    }
    own = true;
  }
  SurfRect r = rect ? *rect : SurfRect{0, 0, SurfaceWidth(surface), SurfaceHeight(surface)};
  const bool fits = r.left >= 0 && r.top >= 0 && r.right - r.left == w && r.bottom - r.top == h &&
                    r.right <= SurfaceWidth(surface) && r.bottom <= SurfaceHeight(surface);
  if (!fits || !m->decoder->SetOutputFormat(SurfaceFormat(surface))) {
    if (own) SurfaceRelease(surface);
    *result = fits ? MOVIE_E_FORMAT : MOVIE_E_FAIL;
    return nullptr;
  }
  MovieSample* s = new (std::nothrow) MovieSample{m, surface, r, own, false, nullptr};
  if (!s) {
    if (own) SurfaceRelease(surface);
    *result = MOVIE_E_NOMEMORY;
    return nullptr;
  }
  m->sample = s;
  *result = MOVIE_OK;
  return s;
}

void MovieSampleRelease(MovieSample* s) {
  if (!s) return;
  if (s->stream) s->stream->sample = nullptr;
  if (s->ownSurface) SurfaceRelease(s->surface);
  delete s;
}

Surface* MovieSampleSurface(MovieSample* s, SurfRect* rect) {
  if (!s) return nullptr;
  if (rect) *rect = s->rect;
  return s->surface;
}

// Moves the decoder to the frame shown at time t (frames whose time has passed are dropped), or to
// the first frame after t. False when nothing is left to deliver.
static bool AdvanceFrames(MovieStream* m, int64_t t) {
  const int64_t step = m->decoder->timePerFrame > 0 ? m->decoder->timePerFrame : 1;
  while (!m->haveFrame || m->frameDelivered || m->frameTime + step <= t) {
    if (m->atEnd) break;
    int64_t time = 0;
    const int r = m->decoder->ReadFrame(&time);
    if (r != 0) {
      m->atEnd = true;
      break;
    }
    m->haveFrame = true;
    m->frameDelivered = false;
    m->frameTime = time;
    if (time > t) break;
  }
  return m->haveFrame && !m->frameDelivered;
}

static int Deliver(MovieSample* s) {
  MovieStream* m = s->stream;
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  const int lr = SurfaceLock(s->surface, &s->rect, SURFLOCK_WAIT | SURFLOCK_WRITEONLY, &pixels, &pitch);
  if (lr != SURF_OK) return MOVIE_E_FAIL;
  m->decoder->ConvertFrame(pixels, pitch);
  SurfaceUnlock(s->surface);
  m->frameDelivered = true;
  return MOVIE_OK;
}

int MovieSampleUpdate(MovieSample* s, uint32_t flags, Event* event) {
  if (!s || !s->stream) return MOVIE_E_FAIL;
  MovieStream* m = s->stream;
  const bool async = (flags & MOVIE_UPDATE_ASYNC) != 0;
  if (!async && !m->running) return MOVIE_E_NOTRUNNING;
  s->pending = false;
  if (event) EventReset(event);
  for (;;) {
    const int64_t t = CurrentTime(m);
    if (!AdvanceFrames(m, t)) return MOVIE_S_ENDOFSTREAM;
    if (m->frameTime <= t) {
      const int r = Deliver(s);
      if (r == MOVIE_OK && event) EventSet(event);
      return r;
    }
    if (async) {
      s->pending = true;
      s->event = event;
      return MOVIE_S_PENDING;
    }
    const int64_t waitUnits = m->frameTime - t;
    Sleep(static_cast<uint32_t>((waitUnits + 9999) / 10000));
  }
}

int MovieSampleCompletionStatus(MovieSample* s) {
  if (!s || !s->stream) return MOVIE_E_FAIL;
  if (!s->pending) return MOVIE_OK;
  MovieStream* m = s->stream;
  const int64_t t = CurrentTime(m);
  // The frame asked for completes the update even when late (it came due in between); after a
  // seek it is the frame of the new time.
  const bool held = m->haveFrame && !m->frameDelivered;
  if (!held && !AdvanceFrames(m, t)) {
    s->pending = false;
    if (s->event) EventSet(s->event);
    return MOVIE_S_ENDOFSTREAM;
  }
  if (m->frameTime > t) return MOVIE_S_PENDING;
  s->pending = false;
  const int r = Deliver(s);
  if (r == MOVIE_OK && s->event) EventSet(s->event);
  return r;
}

bool MovieOverlayPixelFormat(const SurfaceDevice*, PixelFormat*) { return false; }

bool MovieSoundIsPlaying(const MovieStream* m) {
  uint32_t status = 0;
  return m && m->soundBuffer && SoundBufferGetStatus(m->soundBuffer, &status) == 0 && (status & SBSTATUS_PLAYING);
}

uint32_t PackMoviePixel(const PixelFormat& f, uint32_t rgb) {
  auto channel = [](uint32_t value8, uint32_t mask) -> uint32_t {
    if (mask == 0) return 0;
    int shift = 0, width = 0;
    while (!((mask >> shift) & 1)) ++shift;
    while (shift + width < 32 && ((mask >> (shift + width)) & 1)) ++width;
    const uint32_t v = width >= 8 ? value8 << (width - 8) : value8 >> (8 - width);
    return (v << shift) & mask;
  };
  return channel((rgb >> 16) & 0xFF, f.redMask) | channel((rgb >> 8) & 0xFF, f.greenMask) |
         channel(rgb & 0xFF, f.blueMask) | f.alphaMask;
}

}  // namespace plat
