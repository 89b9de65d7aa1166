// Writes a starting corpus for fuzz_movie_fallback into the folder given: a small movie made with
// FFmpeg's encoders, whole and cut, and pictures whole and cut, each behind the byte that picks
// its extension.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/movie_fixtures.h"
#include "tools/common/picture_writer.h"

namespace {

void Save(const std::string& path, uint8_t first, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputc(first, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes ReadFile(const std::string& path) {
  Bytes b;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) b.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_movie_seeds FOLDER\n");
    return 1;
  }
  const std::string dir = argv[1];
  const std::string tmp = dir + "/.movie.mkv";
  if (!WriteTestMovie(tmp, 16, 12, 4, 8, 440)) return 1;
  const Bytes movie = ReadFile(tmp);
  std::remove(tmp.c_str());
  Save(dir + "/movie", 0x00, movie);
  Save(dir + "/movie-texture", 0x18, movie);
  Save(dir + "/movie-cut", 0x01, Bytes(movie.begin(), movie.begin() + static_cast<long>(movie.size() / 2)));
  Bytes rows(8 * 6 * 4);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 13);
  const Bytes png = WritePng(PngSpec{8, 6, 8, 6, false, {}, {}, rows});
  Save(dir + "/png", 0x03, png);
  Save(dir + "/png-cut", 0x03, Bytes(png.begin(), png.begin() + 33));
  const Bytes bmp = WriteBmp(8, 6, 24, 0, {}, Bytes(24 * 6, 0x40));
  Save(dir + "/bmp-cut", 0x04, Bytes(bmp.begin(), bmp.end() - 30));
  const Bytes tga = WriteTga(2, 8, 6, 24, 0, 0, 0, {}, Bytes(8 * 6 * 3, 0x50), false);
  Save(dir + "/tga-cut", 0x05, Bytes(tga.begin(), tga.end() - 30));
  return 0;
}
