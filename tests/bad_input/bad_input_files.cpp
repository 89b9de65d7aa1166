#include "bad_input/bad_input_files.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <unistd.h>

#include "movie_fixtures.h"
#include "sound_fixtures.h"
#include "tools/common/archive_writer.h"
#include "tools/common/picture_writer.h"

namespace badinput {
namespace {

constexpr int64_t kSparseSize = int64_t{3} << 29;   // 1.5 GB

Bytes Ramp(size_t n, uint32_t seed = 1) {
  Bytes b(n);
  uint32_t v = seed;
  for (size_t i = 0; i < n; ++i) {
    v = v * 1103515245u + 12345u;
    b[i] = static_cast<uint8_t>(v >> 16);
  }
  return b;
}

void Put32At(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16At(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutBe32At(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void PutBe16At(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 8);
  b[at + 1] = static_cast<uint8_t>(v);
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

Bytes Head(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(std::min(n, b.size()))); }

// The common damages of one valid file: nothing, zeros, noise, and the file cut at each boundary
// (plus once in the middle of the last piece).
void AddDamages(std::vector<BadFile>* out, const std::string& stem, const std::string& ext, const Bytes& valid,
                std::vector<size_t> cuts) {
  out->push_back({stem + "-empty" + ext, {}});
  out->push_back({stem + "-zeros" + ext, Bytes(4096, 0)});
  out->push_back({stem + "-random" + ext, Ramp(4096, static_cast<uint32_t>(valid.size()))});
  cuts.push_back(valid.size() - valid.size() / 3);
  for (size_t c : cuts) {
    if (c == 0 || c >= valid.size()) continue;
    out->push_back({stem + "-cut" + std::to_string(c) + ext, Head(valid, c)});
  }
}

// ---- pictures ----

Bytes ValidPng() { return WritePng(PngSpec{24, 16, 8, 6, false, {}, {}, Ramp(24 * 16 * 4)}); }

// Offsets after the signature and after each chunk.
std::vector<size_t> PngChunkEnds(const Bytes& png) {
  std::vector<size_t> ends{8};
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const size_t len = (size_t{png[at]} << 24) | (size_t{png[at + 1]} << 16) | (size_t{png[at + 2]} << 8) | png[at + 3];
    at += 12 + len;
    ends.push_back(at);
  }
  return ends;
}

void PngGroup(std::vector<BadFile>* out) {
  const Bytes png = ValidPng();
  AddDamages(out, "png", ".png", png, PngChunkEnds(png));
  // A data byte changed: the chunk's CRC no longer matches.
  Bytes badCrc = png;
  badCrc[PngChunkEnds(png)[1] + 10] ^= 0x55;
  out->push_back({"png-badcrc.png", badCrc});
  // Header of a huge picture (CRC made right) over a few bytes of data.
  for (uint32_t side : {16000u, 0x7FFFFFFFu}) {
    Bytes big = png;
    PutBe32At(big, 16, side);
    PutBe32At(big, 20, side);
    PutBe32At(big, 29, Crc32(big.data() + 12, 17));
    out->push_back({"png-huge" + std::to_string(side) + ".png", big});
  }
}

// Offsets of each marker of a JPEG file up to its scan data.
std::vector<size_t> JpegMarkers(const Bytes& j) {
  std::vector<size_t> at;
  size_t i = 2;
  while (i + 4 <= j.size() && j[i] == 0xFF) {
    at.push_back(i);
    const uint8_t m = j[i + 1];
    const size_t len = (size_t{j[i + 2]} << 8) | j[i + 3];
    i += 2 + len;
    if (m == 0xDA) {
      at.push_back(i);   // the first byte of scan data
      break;
    }
  }
  return at;
}

void JpegGroup(std::vector<BadFile>* out) {
  const Bytes jpeg = WriteJpeg(32, 24, 3, Ramp(32 * 24 * 3), 80);
  const std::vector<size_t> markers = JpegMarkers(jpeg);
  AddDamages(out, "jpeg", ".jpg", jpeg, markers);
  // A picture header for 16000 x 16000 (and for the largest size) followed by no scan data.
  for (uint32_t side : {16000u, 65535u}) {
    Bytes big = Head(jpeg, markers.back());
    for (size_t m : markers) {
      if (m + 9 <= big.size() && big[m + 1] == 0xC0) {
        PutBe16At(big, m + 5, side);
        PutBe16At(big, m + 7, side);
      }
    }
    out->push_back({"jpeg-huge" + std::to_string(side) + ".jpg", big});
  }
}

void BmpGroup(std::vector<BadFile>* out) {
  std::vector<uint32_t> pal(256);
  for (uint32_t i = 0; i < 256; ++i) pal[i] = i * 0x010101;
  const Bytes bmp24 = WriteBmp(20, 12, 24, 0, {}, Ramp(60 * 12));
  AddDamages(out, "bmp24", ".bmp", bmp24, {2, 14, 54, 54 + 60});
  const Bytes rle = WriteBmp(8, 4, 8, 1, pal, {8, 1, 0, 0, 8, 2, 0, 0, 0, 3, 1, 2, 3, 0, 0, 0, 8, 7, 0, 1});
  AddDamages(out, "bmprle", ".bmp", rle, {54, 54 + 1024, 54 + 1024 + 6});
  // A few bytes of run-length data for a 16000 x 16000 picture, and sizes at the integer limits.
  Bytes huge = WriteBmp(16000, 16000, 8, 1, pal, {0, 1});
  out->push_back({"bmp-huge16000.bmp", huge});
  Bytes wide = bmp24;
  Put32At(wide, 18, 0x7FFFFFFF);
  Put32At(wide, 22, 0x80000001u);
  out->push_back({"bmp-hugewidth.bmp", wide});
  Bytes offset = bmp24;
  Put32At(offset, 10, 0xFFFFFFF0u);
  out->push_back({"bmp-offset.bmp", offset});
}

void TgaGroup(std::vector<BadFile>* out) {
  const Bytes tga = WriteTga(2, 16, 8, 24, 0, 0, 0, {}, Ramp(16 * 8 * 3), true);
  AddDamages(out, "tga", ".tga", tga, {3, 18, 18 + 100});
  Bytes packets;
  for (int i = 0; i < 40; ++i) {
    packets.push_back(0xFF);   // 128 pixels each: runs far past the picture
    packets.insert(packets.end(), {1, 2, 3, 4});
  }
  out->push_back({"tga-overrun.tga", WriteTga(10, 8, 8, 32, 0x20, 0, 0, {}, packets, false)});
  out->push_back({"tga-huge.tga", WriteTga(10, 4095, 4095, 32, 0x20, 0, 0, {}, {0x80, 1, 2, 3, 4}, false)});
  out->push_back({"tga-map.tga", WriteTga(9, 8, 8, 8, 0x20, 250, 24, Ramp(60), {0xBF, 7}, false)});
}

void DdsGroup(std::vector<BadFile>* out) {
  const Bytes dds = WriteDds(8, 8, 8, 32, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, Ramp(256));
  AddDamages(out, "dds", ".dds", dds, {3, 4, 128, 128 + 32});
  out->push_back({"dds-huge.dds", WriteDds(65535, 65535, 8, 0x7FFFFFFF, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, Ramp(64))});
  out->push_back({"dds-fourcc.dds", WriteDds(16, 16, 0, 0, 4, 21, 0, 0, 0, 0, 0, Ramp(64))});
  const Bytes bgra = WriteBgra(0x08080808, 4, 4, Ramp(64));
  AddDamages(out, "bgra", ".bgra", bgra, {4, 16, 16 + 20});
  out->push_back({"bgra-huge.bgra", WriteBgra(0x10101010, 0x7FFFFFFF, 0x7FFFFFFF, Ramp(64))});
}

// ---- sounds ----

std::vector<int16_t> ShortTone(int channels) { return fixture::Tone(11025 / 2, channels, 11025); }

// Offsets of each RIFF chunk and of its body.
std::vector<size_t> RiffCuts(const Bytes& w) {
  std::vector<size_t> cuts{4, 12};
  size_t at = 12;
  while (at + 8 <= w.size()) {
    cuts.push_back(at + 8);
    at += 8 + (static_cast<size_t>(w[at + 4]) | static_cast<size_t>(w[at + 5]) << 8 | static_cast<size_t>(w[at + 6]) << 16);
    cuts.push_back(at);
  }
  return cuts;
}

void WavGroup(std::vector<BadFile>* out) {
  const Bytes wav = fixture::Wav(fixture::PcmFormat(1, 16, 11025), fixture::PcmBytes(ShortTone(1)));
  AddDamages(out, "wav", ".wav", wav, RiffCuts(wav));
  Bytes bigData = wav;
  Put32At(bigData, 40, 0x7FFFFFF0u);
  out->push_back({"wav-datasize.wav", bigData});
  Bytes bigFormat = wav;
  Put32At(bigFormat, 16, 0xFFFFFFF0u);
  out->push_back({"wav-fmtsize.wav", bigFormat});
  out->push_back({"wav-nodata.wav", fixture::Riff({{"fmt ", fixture::PcmFormat(2, 16, 22050)}, {"data", {}}})});
}

void AdpcmGroup(std::vector<BadFile>* out) {
  int frames = 0;
  const Bytes ms = fixture::Wav(fixture::MsFormat(1, 11025, 256), fixture::MsEncode(ShortTone(1), 1, 256, &frames));
  AddDamages(out, "msadpcm", ".wav", ms, RiffCuts(ms));
  const Bytes ima = fixture::Wav(fixture::ImaFormat(2, 11025, 512), fixture::ImaEncode(ShortTone(2), 2, 512, &frames));
  AddDamages(out, "ima", ".wav", ima, RiffCuts(ima));
  // Blocks whose step only grows: the largest step, then nibbles of the largest adaption.
  Bytes block(256, 0x77);
  block[0] = 1;
  block[1] = 0xFF;
  block[2] = 0x7F;
  Put16At(block, 3, 0x8000);
  Put16At(block, 5, 0x8000);
  Bytes blocks;
  for (int i = 0; i < 8; ++i) blocks.insert(blocks.end(), block.begin(), block.end());
  out->push_back({"msadpcm-growing.wav", fixture::Wav(fixture::MsFormat(1, 11025, 256), blocks)});
  Bytes coefs = fixture::MsFormat(1, 11025, 256);
  Put16At(coefs, 20, 0xFFFF);   // more predictor pairs than the record holds
  out->push_back({"msadpcm-coefs.wav", fixture::Wav(coefs, blocks)});
  Bytes align = fixture::MsFormat(2, 11025, 256);
  Put16At(align, 12, 0xFFFF);
  out->push_back({"msadpcm-align.wav", fixture::Wav(align, blocks)});
}

// Start of each MPEG frame after the first few.
std::vector<size_t> Mp3Frames(const Bytes& m) {
  std::vector<size_t> at;
  for (size_t i = 0; i + 1 < m.size() && at.size() < 4; ++i)
    if (m[i] == 0xFF && (m[i + 1] & 0xE0) == 0xE0) at.push_back(i), i += 100;
  return at;
}

void Mp3Group(std::vector<BadFile>* out) {
  const Bytes mp3 = fixture::Mp3Encode(fixture::Tone(22050 / 2, 1, 22050), 1, 22050, 64);
  std::vector<size_t> cuts = Mp3Frames(mp3);
  for (size_t c : Mp3Frames(mp3)) cuts.push_back(c + 2);   // inside a frame header
  AddDamages(out, "mp3", ".mp3", mp3, cuts);
  Bytes id3 = {'I', 'D', '3', 4, 0, 0x10, 0x7F, 0x7F, 0x7F, 0x7F};
  id3.insert(id3.end(), mp3.begin(), mp3.end());
  out->push_back({"mp3-id3size.mp3", id3});
  Bytes headers;
  for (int i = 0; i < 2000; ++i) headers.insert(headers.end(), {0xFF, 0xFB, 0xE0, 0x00});
  out->push_back({"mp3-badheaders.mp3", headers});
  // 16 MB that hold no frame: the scan for one must give up soon.
  Bytes noSync(16u << 20);
  for (size_t i = 0; i < noSync.size(); ++i) noSync[i] = static_cast<uint8_t>(i % 251);
  out->push_back({"mp3-nosync.mp3", noSync});
}

void OggGroup(std::vector<BadFile>* out) {
  const Bytes ogg = fixture::OggEncode(fixture::Tone(22050, 2, 22050), 2, 22050);
  std::vector<size_t> pages;
  for (size_t i = 1; i + 4 <= ogg.size(); ++i)
    if (std::memcmp(ogg.data() + i, "OggS", 4) == 0) pages.push_back(i);
  AddDamages(out, "ogg", ".ogg", ogg, pages);
  Bytes hole = ogg;
  for (size_t i = hole.size() / 2; i < hole.size() / 2 + 300 && i < hole.size(); ++i) hole[i] = 0xFF;
  out->push_back({"ogg-hole.ogg", hole});
  Bytes segs = ogg;
  if (pages.size() > 1) segs[pages[1] + 26] = 0xFF;   // segment table longer than the page
  out->push_back({"ogg-segments.ogg", segs});
}

// ---- movies and archives ----

Bytes ReadBack(const std::string& path) {
  Bytes b;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    std::fclose(f);
  }
  return b;
}

void MovieGroup(std::vector<BadFile>* out) {
  char path[] = "/tmp/vlx_badinput_movie_XXXXXX";
  const int fd = mkstemp(path);
  if (fd >= 0) close(fd);
  const std::string file = std::string(path) + ".mkv";
  Bytes movie;
  if (WriteTestMovie(file, 32, 24, 12, 12, 440)) movie = ReadBack(file);
  std::remove(file.c_str());
  std::remove(path);
  if (movie.empty()) return;
  AddDamages(out, "movie", ".mkv", movie, {4, 40, 200, movie.size() / 8, movie.size() / 2});
  Bytes middle = movie;
  for (size_t i = movie.size() / 3; i < movie.size() / 3 + 512 && i < movie.size(); ++i) middle[i] = 0xFF;
  out->push_back({"movie-middle.mkv", middle});
  Bytes header = movie;
  for (size_t i = 4; i < 64 && i < header.size(); ++i) header[i] = 0xFF;   // lengths of the first elements
  out->push_back({"movie-header.mkv", header});
}

void ArchiveGroup(std::vector<BadFile>* out) {
  std::vector<ArchiveWriterEntry> entries(2);
  entries[0].path = "pic.png";
  entries[0].data = ValidPng();
  entries[1].path = "se.wav";
  entries[1].data = fixture::Wav(fixture::PcmFormat(1, 16, 11025), fixture::PcmBytes(ShortTone(1)));
  ArchiveWriteOptions options;
  Bytes image;
  std::string error;
  if (!BuildArchiveImage(entries, options, &image, &error)) return;
  std::vector<BadFile> files;
  AddDamages(&files, "archive", ".dat", image, {2, 24, image.size() / 4, image.size() / 2, image.size() - 40});
  // Each size field of the header made absurd (the bytes are scrambled, so the high byte is
  // flipped rather than set).
  for (size_t at : {7u, 11u, 15u, 19u, 23u}) {
    Bytes b = image;
    b[at] ^= 0x7F;
    files.push_back({"archive-field" + std::to_string(at) + ".dat", b});
  }
  for (BadFile& f : files) {
    f.archive = true;
    out->push_back(f);
  }
}

void SparseGroup(std::vector<BadFile>* out) {
  out->push_back({"sparse-zeros.bin", {}, kSparseSize});
  out->push_back({"sparse-zeros.mp3", {}, kSparseSize});
  std::vector<uint32_t> pal(256, 0);
  out->push_back({"sparse-picture.bmp", WriteBmp(16000, 16000, 8, 1, pal, {}), kSparseSize});
  Bytes png = ValidPng();
  out->push_back({"sparse-picture.png", Head(png, PngChunkEnds(png)[1]), kSparseSize});
  Bytes wav = fixture::Wav(fixture::PcmFormat(2, 16, 44100), {});
  Put32At(wav, 40, 0x7FFFFFF0u);
  out->push_back({"sparse-sound.wav", wav, kSparseSize});
  out->push_back({"sparse-sound.ogg", Head(fixture::OggEncode(fixture::Tone(4410, 1, 22050), 1, 22050), 200),
                  kSparseSize});
}

}  // namespace

const std::vector<std::string>& GroupNames() {
  static const std::vector<std::string> names = {"png", "jpeg", "bmp", "tga", "dds", "wav", "adpcm",
                                                 "mp3", "ogg", "movie", "archive", "sparse"};
  return names;
}

std::vector<BadFile> MakeGroup(const std::string& group) {
  static const std::map<std::string, std::function<void(std::vector<BadFile>*)>> makers = {
      {"png", PngGroup},     {"jpeg", JpegGroup},   {"bmp", BmpGroup},     {"tga", TgaGroup},
      {"dds", DdsGroup},     {"wav", WavGroup},     {"adpcm", AdpcmGroup}, {"mp3", Mp3Group},
      {"ogg", OggGroup},     {"movie", MovieGroup}, {"archive", ArchiveGroup}, {"sparse", SparseGroup},
  };
  std::vector<BadFile> out;
  auto it = makers.find(group);
  if (it != makers.end()) it->second(&out);
  return out;
}

}  // namespace badinput
