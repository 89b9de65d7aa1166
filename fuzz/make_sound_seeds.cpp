// Writes a starting corpus of sound files into the folder given: PCM WAV of each layout, IMA and
// Microsoft ADPCM, MP3 and Ogg Vorbis. With --select each file gets the leading byte that
// fuzz_sound_create reads (memory sound, then each stream kind, plain and looping).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/sound_fixtures.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_sound_seeds FOLDER [--select]\n");
    return 1;
  }
  const std::string dir = argv[1];
  const bool select = argc >= 3 && std::strcmp(argv[2], "--select") == 0;
  using fixture::Bytes;
  int frames = 0;
  const auto mono = fixture::Tone(2205, 1, 11025), stereo = fixture::Tone(2205, 2, 11025);
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"pcm16s", fixture::Wav(fixture::PcmFormat(2, 16, 11025), fixture::PcmBytes(stereo))},
      {"pcm8m", fixture::Wav(fixture::PcmFormat(1, 8, 11025, true), Bytes(800, 0x80))},
      {"pcmchunks", fixture::Riff({{"fmt ", fixture::PcmFormat(1, 16, 8000)}, {"LIST", Bytes(5, 1)},
                                   {"data", fixture::PcmBytes(fixture::Tone(400, 1, 8000))}})},
      {"ima", fixture::Wav(fixture::ImaFormat(2, 11025, 256), fixture::ImaEncode(stereo, 2, 256, &frames))},
      {"msadpcm", fixture::Wav(fixture::MsFormat(1, 11025, 128), fixture::MsEncode(mono, 1, 128, &frames))},
      {"mp3", fixture::Mp3Encode(fixture::Tone(4410, 1, 22050), 1, 22050, 32)},
      {"ogg", fixture::OggEncode(fixture::Tone(4410, 1, 22050), 1, 22050)},
  };
  const std::vector<uint8_t> selectors = select ? std::vector<uint8_t>{0x00, 0x01, 0x02, 0x03, 0x07, 0x1A}
                                                : std::vector<uint8_t>{0xFF};
  for (const auto& [name, bytes] : files) {
    for (uint8_t s : selectors) {
      const std::string path = dir + "/" + name + (select ? "-" + std::to_string(s) : "");
      FILE* f = std::fopen(path.c_str(), "wb");
      if (!f) return 1;
      if (select) std::fputc(s, f);
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }
  return 0;
}
