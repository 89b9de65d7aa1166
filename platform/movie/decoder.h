// What the movie stream needs of a decoder back end: the video's shape and timing, frames in
// display order converted into a surface's pixel format, seeking, and the whole sound as PCM.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/surface.h"

namespace plat {

class MovieDecoder {
public:
  virtual ~MovieDecoder() = default;
  // MOVIE_OK or MOVIE_E_NOFILE; on success width, height, timePerFrame and duration are set.
  virtual int Open(const std::string& posixPath) = 0;
  // False when frames cannot be written in this format.
  virtual bool SetOutputFormat(const PixelFormat& format) = 0;
  // Decodes the next frame in display order: 0 with its time in stream units, 1 at the end (the
  // previous frame stays convertible), negative on an error.
  virtual int ReadFrame(int64_t* time) = 0;
  // Writes the last frame read (width x height) in the output format.
  virtual void ConvertFrame(uint8_t* dst, int32_t pitch) = 0;
  // The next ReadFrame starts at a frame at or before time.
  virtual int SeekTo(int64_t time) = 0;
  // The whole sound as 8- or 16-bit PCM of 1 or 2 channels; false when there is none.
  virtual bool DecodeSound(WaveFormat* format, std::vector<uint8_t>* pcm) = 0;

  int32_t width = 0, height = 0;
  int64_t timePerFrame = 0;
  int64_t duration = 0;
};

MovieDecoder* CreateFfmpegMovieDecoder();
MovieDecoder* CreateFakeMovieDecoder();

// Packs 0x00RRGGBB into a pixel of an RGB format given by its masks.
uint32_t PackMoviePixel(const PixelFormat& format, uint32_t rgb);

}  // namespace plat
