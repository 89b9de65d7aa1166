// Compressed sound converters against fixtures encoded here.
#include <gtest/gtest.h>

#include "platform/sound_codec.h"
#include "sound_fixtures.h"

using namespace plat;
using fixture::Bytes;

namespace {

// Feeds src in pieces of `piece` bytes (at least one block) and collects all PCM.
std::vector<int16_t> Decode(const Bytes& fmt, const Bytes& src, uint32_t piece, WaveFormat* pcm) {
  EXPECT_EQ(0, CodecSuggestFormat(fmt.data(), (uint32_t)fmt.size(), pcm));
  CodecStream* s = CodecStreamOpen(fmt.data(), (uint32_t)fmt.size(), pcm);
  EXPECT_NE(nullptr, s);
  std::vector<int16_t> out;
  if (!s) return out;
  std::vector<uint8_t> dst(pcm->avgBytesPerSec);
  uint32_t at = 0;
  for (;;) {
    uint32_t len = std::min<uint32_t>(piece, (uint32_t)src.size() - at);
    uint32_t used = 0, got = 0;
    EXPECT_EQ(0, CodecStreamConvert(s, len ? src.data() + at : nullptr, len, &used, dst.data(),
                                    (uint32_t)dst.size(), &got));
    at += used;
    out.insert(out.end(), (int16_t*)dst.data(), (int16_t*)(dst.data() + got));
    if (got == 0 && (len == 0 || used == 0)) break;
  }
  CodecStreamClose(s);
  return out;
}

double MeanError(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t n) {
  double e = 0;
  for (size_t i = 0; i < n; ++i) e += std::abs(a[i] - b[i]);
  return e / (double)n;
}

TEST(SoundCodec, ImaAdpcmDecodesMonoAndStereoBlocks) {
  for (int ch = 1; ch <= 2; ++ch) {
    auto tone = fixture::Tone(20000, ch, 22050);
    int frames = 0;
    int align = 256 * ch;
    Bytes data = fixture::ImaEncode(tone, ch, align, &frames);
    Bytes fmt = fixture::ImaFormat(ch, 22050, align);
    WaveFormat pcm{};
    auto out = Decode(fmt, data, 2048, &pcm);
    EXPECT_EQ(ch, pcm.channels);
    EXPECT_EQ(16, pcm.bitsPerSample);
    EXPECT_EQ(22050u, pcm.samplesPerSec);
    ASSERT_EQ((size_t)frames * ch, out.size());
    EXPECT_EQ(tone[0], out[0]);   // block headers carry the sample itself
    EXPECT_LT(MeanError(tone, out, out.size()), 150.0) << ch;
  }
}

TEST(SoundCodec, ImaAdpcmShortLastBlockIsDecoded) {
  auto tone = fixture::Tone(4000, 1, 22050);
  int frames = 0;
  Bytes data = fixture::ImaEncode(tone, 1, 256, &frames);
  data.resize(data.size() - 128);   // cut the last block in half: 4 header bytes + 124 data bytes
  Bytes fmt = fixture::ImaFormat(1, 22050, 256);
  WaveFormat pcm{};
  auto out = Decode(fmt, data, 2048, &pcm);
  EXPECT_EQ((size_t)(frames - 505 + 1 + 248), out.size());
}

TEST(SoundCodec, MicrosoftAdpcmDecodesMonoAndStereoBlocks) {
  for (int ch = 1; ch <= 2; ++ch) {
    auto tone = fixture::Tone(30000, ch, 44100);
    int frames = 0;
    int align = 512 * ch;
    Bytes data = fixture::MsEncode(tone, ch, align, &frames);
    Bytes fmt = fixture::MsFormat(ch, 44100, align);
    WaveFormat pcm{};
    auto out = Decode(fmt, data, 2048, &pcm);
    ASSERT_EQ((size_t)frames * ch, out.size());
    EXPECT_EQ(tone[0], out[0]);
    EXPECT_EQ(tone[ch], out[ch]);
    EXPECT_LT(MeanError(tone, out, out.size()), 200.0) << ch;
  }
}

// Crafted Microsoft ADPCM blocks: a step that only grows, and the largest predictor pair on the
// largest samples. The output rides the rails instead of overflowing the arithmetic.
TEST(SoundCodec, MicrosoftAdpcmSaturatesOnCraftedBlocks) {
  Bytes fmt = fixture::MsFormat(1, 11025, 64);
  Bytes block(64, 0x77);   // every nibble 7: the largest adaption
  block[0] = 1;
  block[1] = 0xFF;
  block[2] = 0x7F;
  block[3] = block[5] = 0x00;
  block[4] = block[6] = 0x80;
  Bytes data;
  for (int i = 0; i < 4; ++i) data.insert(data.end(), block.begin(), block.end());
  WaveFormat pcm{};
  std::vector<int16_t> out = Decode(fmt, data, 64, &pcm);
  ASSERT_EQ(out.size(), 4u * (2 + 57 * 2));
  EXPECT_EQ(out.back(), 32767);

  Bytes wide = fmt;
  for (int at : {22, 24}) {   // predictor pair 0 becomes (-32768, -32768)
    wide[at] = 0x00;
    wide[at + 1] = 0x80;
  }
  Bytes low(64, 0x00);
  low[1] = 16;
  low[4] = low[6] = 0x80;
  out = Decode(wide, low, 64, &pcm);
  ASSERT_GT(out.size(), 3u);
  EXPECT_EQ(out[2], 32767);
}

TEST(SoundCodec, Mp3DecodesEveryFrame) {
  auto tone = fixture::Tone(44100, 2, 44100);
  Bytes mp3 = fixture::Mp3Encode(tone, 2, 44100);
  Bytes fmt = fixture::Format(0x55, 2, 44100, 16000, 1, 0, Bytes{1, 0, 0, 0, 0, 0, 0x9C, 0x01, 1, 0, 0xBC, 0x02});
  WaveFormat pcm{};
  auto out = Decode(fmt, mp3, 2048, &pcm);
  EXPECT_EQ(4, pcm.blockAlign);
  EXPECT_EQ(0u, out.size() % (1152 * 2));
  EXPECT_GE(out.size() / 2, 44100u);
  EXPECT_LT(out.size() / 2, 44100u + 4 * 1152);
}

TEST(SoundCodec, UnknownOrBrokenFormatsFailToOpen) {
  WaveFormat pcm{};
  Bytes gsm = fixture::Format(0x31, 1, 8000, 1625, 65, 0, Bytes{0x40, 0x01});
  EXPECT_EQ(-1, CodecSuggestFormat(gsm.data(), (uint32_t)gsm.size(), &pcm));
  Bytes plain = fixture::PcmFormat(2, 16, 44100, true);
  EXPECT_EQ(-1, CodecSuggestFormat(plain.data(), (uint32_t)plain.size(), &pcm));
  Bytes noChannels = fixture::ImaFormat(1, 22050, 256);
  noChannels[2] = 0;
  EXPECT_EQ(-1, CodecSuggestFormat(noChannels.data(), (uint32_t)noChannels.size(), &pcm));
  Bytes tinyBlock = fixture::ImaFormat(2, 22050, 4);
  EXPECT_EQ(-1, CodecSuggestFormat(tinyBlock.data(), (uint32_t)tinyBlock.size(), &pcm));
  Bytes noCoefs = fixture::MsFormat(1, 22050, 256);
  noCoefs.resize(22);   // predictor pairs promised but missing
  EXPECT_EQ(-1, CodecSuggestFormat(noCoefs.data(), (uint32_t)noCoefs.size(), &pcm));
  Bytes badRate = fixture::Format(0x55, 2, 44000, 16000, 1, 0, Bytes(12, 0));
  EXPECT_EQ(-1, CodecSuggestFormat(badRate.data(), (uint32_t)badRate.size(), &pcm));
  WaveFormat other{1, 1, 22050, 44100, 2, 16, 0};
  Bytes ima = fixture::ImaFormat(2, 22050, 512);
  EXPECT_EQ(nullptr, CodecStreamOpen(ima.data(), (uint32_t)ima.size(), &other));
}

}  // namespace
