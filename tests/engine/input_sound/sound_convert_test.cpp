// Source conversion: WAV, compressed WAV, MP3 and Ogg Vorbis fixtures made here decode to the
// right lengths, formats and seek positions; broken sources fail or end instead of looping.
#include "sound_fixtures.h"
#include "sound_test_util.h"

using fixture::Bytes;
using soundtest::Source;

namespace {

struct Opened {
  Source src;
  SoundConvert c{};
  int rc;
  explicit Opened(Bytes b) : src(std::move(b)) { rc = OpenSoundConvert(&src.src, &c); }
  ~Opened() {
    if (c.open) CloseSoundConvert(&c);
  }
  Bytes ReadAll() {
    Bytes out;
    uint8_t buf[5000];
    int n;
    while ((n = ReadSoundConvert(&c, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
  }
};

class SoundConvertTest : public ::testing::Test {
protected:
  void SetUp() override { gSoundSystem.bytesPerSample = 2; }
};

TEST_F(SoundConvertTest, PcmWaveInEveryLayoutCopiesThrough) {
  for (int ch = 1; ch <= 2; ++ch) {
    for (int bits : {8, 16}) {
      Bytes data(1000 * ch * bits / 8 + (ch == 1 && bits == 8 ? 1 : 0));
      for (size_t i = 0; i < data.size(); ++i) data[i] = (uint8_t)(i * 7);
      if (data.size() % (ch * bits / 8)) data.pop_back();
      // Odd-sized chunks (with their pad bytes) before the data, one after.
      Bytes wav = fixture::Riff({{"fmt ", fixture::PcmFormat((uint16_t)ch, (uint16_t)bits, 22050)},
                                 {"LIST", Bytes(3, 'x')},
                                 {"fact", Bytes(5, 1)},
                                 {"data", data},
                                 {"junk", Bytes(7, 2)}});
      Opened o(wav);
      ASSERT_EQ(0, o.rc) << ch << " " << bits;
      EXPECT_EQ(SOUND_CONVERT_PCM, o.c.method);
      plat::WaveFormat f;
      GetSoundConvertFormat(&o.c, &f);
      EXPECT_EQ(ch, f.channels);
      EXPECT_EQ(bits, f.bitsPerSample);
      EXPECT_EQ(0, f.extraSize);
      EXPECT_EQ((int)data.size(), GetSoundConvertSize(&o.c));
      EXPECT_EQ(data, o.ReadAll());
      EXPECT_EQ(1, o.c.atEnd);
      EXPECT_EQ(0, ReadSoundConvert(&o.c, data.data(), 4));
      // Seeking goes to whole frames and clears the end.
      int align = ch * bits / 8;
      EXPECT_EQ(0, SeekSoundConvert(&o.c, 300));
      EXPECT_EQ(0, o.c.atEnd);
      uint8_t b[8];
      ASSERT_EQ(8, ReadSoundConvert(&o.c, b, 8));
      EXPECT_EQ(0, std::memcmp(b, data.data() + 300 * align, 8));
      uint8_t* pcm = nullptr;
      int size = 0;
      ASSERT_EQ(0, ConvertSoundToPcmBuffer(&o.c, &f, &pcm, &size));
      EXPECT_EQ(Bytes(pcm, pcm + size), data);
      TrackedFree(pcm);
    }
  }
}

TEST_F(SoundConvertTest, SeekWithinFifteenBytesChangesNothing) {
  Bytes data(4000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = (uint8_t)i;
  Opened o(fixture::Wav(fixture::PcmFormat(2, 16, 44100, true), data));
  ASSERT_EQ(0, o.rc);
  uint8_t b[100];
  ASSERT_EQ(100, ReadSoundConvert(&o.c, b, 100));
  EXPECT_EQ(0, SeekSoundConvert(&o.c, 22));   // byte 88: 12 bytes back
  EXPECT_EQ(100, o.c.outputPosition);
  ASSERT_EQ(4, ReadSoundConvert(&o.c, b, 4));
  EXPECT_EQ(100, b[0]);
  EXPECT_EQ(0, SeekSoundConvert(&o.c, 21));   // byte 84: 20 bytes back
  ASSERT_EQ(4, ReadSoundConvert(&o.c, b, 4));
  EXPECT_EQ(84, b[0]);
}

TEST_F(SoundConvertTest, BrokenWavesAreRefusedOrEndInsteadOfLooping) {
  Bytes data(400, 1);
  Bytes fmt = fixture::PcmFormat(2, 16, 44100);
  // "fmt " not first after "WAVE": refused by every method.
  EXPECT_EQ(-1, Opened(fixture::Riff({{"LIST", Bytes(4)}, {"fmt ", fmt}, {"data", data}})).rc);
  // No data chunk.
  EXPECT_EQ(-1, Opened(fixture::Riff({{"fmt ", fmt}, {"LIST", Bytes(4)}})).rc);
  // Zero channels, block align or rate.
  for (int field : {2, 12, 4}) {
    Bytes f = fmt;
    f[field] = 0;
    f[field + 1] = 0;
    if (field == 4) f[6] = f[7] = 0;
    EXPECT_EQ(-1, Opened(fixture::Wav(f, data)).rc) << field;
  }
  // Absurd or short format chunks.
  EXPECT_EQ(-1, Opened(fixture::Riff({{"fmt ", fmt, 0x7FFFFFF0}, {"data", data}})).rc);
  EXPECT_EQ(-1, Opened(fixture::Riff({{"fmt ", Bytes(fmt.begin(), fmt.begin() + 12)}, {"data", data}})).rc);
  // A chunk size that runs past the stream.
  EXPECT_EQ(-1, Opened(fixture::Riff({{"fmt ", fmt}, {"LIST", Bytes(4), 0xFFFFFFF0}, {"data", data}})).rc);
  // A data size past the end of the file means what is there.
  Opened cut(fixture::Riff({{"fmt ", fmt}, {"data", data, 1000000}}));
  ASSERT_EQ(0, cut.rc);
  EXPECT_EQ(400, GetSoundConvertSize(&cut.c));
  EXPECT_EQ(400u, cut.ReadAll().size());
  // A compressed WAV with an empty data chunk opens and ends at once.
  Opened empty(fixture::Wav(fixture::ImaFormat(1, 22050, 256), Bytes()));
  ASSERT_EQ(0, empty.rc);
  EXPECT_EQ(0u, empty.ReadAll().size());
  // Not a sound at all, and nothing at all.
  EXPECT_EQ(-1, Opened(Bytes(3000, 0x41)).rc);
  EXPECT_EQ(-1, Opened(Bytes()).rc);
  // A closed converter refuses reads.
  SoundConvert c{};
  uint8_t b[4];
  EXPECT_EQ(-1, ReadSoundConvert(&c, b, 4));
  EXPECT_EQ(-1, CloseSoundConvert(&c));
}

TEST_F(SoundConvertTest, BuiltWaveImageReadsBack) {
  plat::WaveFormat f{1, 1, 8000, 8000, 1, 8, 0};
  Bytes data = {1, 2, 3, 4, 5};
  uint8_t* img = nullptr;
  int size = 0;
  ASSERT_EQ(0, BuildWaveImage(&img, &size, &f, 18, data.data(), 5));
  EXPECT_EQ(18 + 5 + 28, size);
  EXPECT_EQ(0, std::memcmp(img, "RIFF", 4));
  EXPECT_EQ(size - 8, img[4]);
  EXPECT_EQ(18, img[16]);
  Opened o(Bytes(img, img + size));
  TrackedFree(img);
  ASSERT_EQ(0, o.rc);
  EXPECT_EQ(data, o.ReadAll());
}

// ADPCM through the compressed method: length, format, and seeks that go back to the standby stream.
TEST_F(SoundConvertTest, AdpcmWavesDecodeAndSeekBackThroughTheStandbyStream) {
  for (int tag : {0x11, 0x02}) {
    auto tone = fixture::Tone(3 * 22050, 2, 22050);
    int frames = 0;
    Bytes data = tag == 0x11 ? fixture::ImaEncode(tone, 2, 1024, &frames) : fixture::MsEncode(tone, 2, 1024, &frames);
    Bytes fmt = tag == 0x11 ? fixture::ImaFormat(2, 22050, 1024) : fixture::MsFormat(2, 22050, 1024);
    Bytes wav = fixture::Riff({{"fmt ", fmt}, {"fact", Bytes(4)}, {"data", data}});
    Opened ref(wav);
    ASSERT_EQ(0, ref.rc) << tag;
    EXPECT_EQ(SOUND_CONVERT_ACM, ref.c.method);
    plat::WaveFormat f;
    GetSoundConvertFormat(&ref.c, &f);
    EXPECT_EQ(2, f.channels);
    EXPECT_EQ(16, f.bitsPerSample);
    EXPECT_EQ(22050u, f.samplesPerSec);
    EXPECT_EQ(frames * 4, GetSoundConvertSize(&ref.c));
    Bytes all = ref.ReadAll();
    ASSERT_EQ((size_t)frames * 4, all.size());

    Opened o(wav);
    ASSERT_EQ(0, o.rc);
    const int loopFrame = 30000;
    o.c.standbyTarget = loopFrame * 4;
    Bytes buf(2 * 88200);
    ASSERT_EQ((int)buf.size(), ReadSoundConvert(&o.c, buf.data(), (int)buf.size()));
    // The standby stream has crept up to just short of the loop start.
    EXPECT_GT(o.c.acm.standbyOutputPos, 0);
    EXPECT_LE(o.c.acm.standbyOutputPos, loopFrame * 4);
    int standbyAt = o.c.acm.standbyOutputPos;
    plat::CodecStream* standby = o.c.acm.standby;
    EXPECT_EQ(0, SeekSoundConvert(&o.c, loopFrame));
    EXPECT_EQ(standby, o.c.acm.main);   // resumed from the standby, not from the start
    EXPECT_GE(o.c.outputPosition, standbyAt);
    uint8_t b[64];
    ASSERT_EQ(64, ReadSoundConvert(&o.c, b, 64));
    EXPECT_EQ(0, std::memcmp(b, all.data() + loopFrame * 4, 64));
    // Forward seek, and a seek back before the standby goes from the start.
    EXPECT_EQ(0, SeekSoundConvert(&o.c, 50000));
    ASSERT_EQ(64, ReadSoundConvert(&o.c, b, 64));
    EXPECT_EQ(0, std::memcmp(b, all.data() + 50000 * 4, 64));
    EXPECT_EQ(0, SeekSoundConvert(&o.c, 10));
    ASSERT_EQ(64, ReadSoundConvert(&o.c, b, 64));
    EXPECT_EQ(0, std::memcmp(b, all.data() + 40, 64));
    // Past the end: the source ends.
    EXPECT_EQ(0, SeekSoundConvert(&o.c, frames + 5000));
    EXPECT_EQ(0, ReadSoundConvert(&o.c, b, 64));
    EXPECT_EQ(1, o.c.atEnd);
  }
}

Bytes Id3v24WithFooter(int size) {
  Bytes b = {'I', 'D', '3', 4, 0, 0x10, 0, 0, (uint8_t)(size >> 7), (uint8_t)(size & 0x7F)};
  b.insert(b.end(), (size_t)size, 0xFF);   // tag body full of bytes that look like sync
  Bytes footer = {'3', 'D', 'I', 4, 0, 0x10, 0, 0, (uint8_t)(size >> 7), (uint8_t)(size & 0x7F)};
  b.insert(b.end(), footer.begin(), footer.end());
  return b;
}

int CountFrames(const Bytes& mp3) {
  int n = 0;
  size_t at = 0;
  while (at + 4 <= mp3.size()) {
    if (mp3[at] == 0xFF && (mp3[at + 1] & 0xF0) == 0xF0) {
      int br[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
      size_t len = 144000 * br[mp3[at + 2] >> 4] / 44100 + ((mp3[at + 2] >> 1) & 1);
      if (at + len > mp3.size()) break;
      ++n;
      at += len;
    } else {
      ++at;
    }
  }
  return n;
}

TEST_F(SoundConvertTest, Mp3CountsFramesSkipsTagsAndSeeks) {
  auto tone = fixture::Tone(44100, 2, 44100);
  Bytes mp3 = fixture::Mp3Encode(tone, 2, 44100);
  int frames = CountFrames(mp3);
  ASSERT_GT(frames, 38);
  Bytes file = Id3v24WithFooter(300);
  file.insert(file.end(), mp3.begin(), mp3.end());
  Bytes tag(128, 0xFF);
  tag[0] = 'T';
  tag[1] = 'A';
  tag[2] = 'G';
  file.insert(file.end(), tag.begin(), tag.end());
  Opened o(file);
  ASSERT_EQ(0, o.rc);
  EXPECT_EQ(SOUND_CONVERT_ACM, o.c.method);
  EXPECT_EQ(320, o.c.dataStart);
  EXPECT_EQ((int)mp3.size(), o.c.dataSize);   // the last frame ends exactly at the tag and counts
  EXPECT_EQ(frames * 1152, o.c.acm.mp3TotalSamples);
  EXPECT_EQ(0x55, o.c.acm.sourceFormat[0]);
  EXPECT_EQ(30u, o.c.acm.sourceFormatSize);
  EXPECT_EQ(frames * 1152 * 4, GetSoundConvertSize(&o.c));
  Bytes all = o.ReadAll();
  EXPECT_EQ((size_t)frames * 1152 * 4, all.size());

  Opened s(file);
  ASSERT_EQ(0, s.rc);
  EXPECT_EQ(0, SeekSoundConvert(&s.c, 20000));
  uint8_t b[64];
  ASSERT_EQ(64, ReadSoundConvert(&s.c, b, 64));
  EXPECT_EQ(0, std::memcmp(b, all.data() + 20000 * 4, 64));
  uint8_t* pcm = nullptr;
  int size = 0;
  plat::WaveFormat f;
  ASSERT_EQ(0, ConvertSoundToPcmBuffer(&s.c, &f, &pcm, &size));
  EXPECT_EQ((int)all.size(), size);
  EXPECT_EQ(0, std::memcmp(pcm, all.data(), all.size()));
  TrackedFree(pcm);

  // A stray sync word that does not parse fails the open.
  Bytes bad = {0xFF, 0xFF, 0xFF, 0xFF};
  bad.insert(bad.end(), mp3.begin(), mp3.end());
  EXPECT_EQ(-1, Opened(bad).rc);
}

// A long stream that is no sound is given up after a look at its start: few reads of whole
// buffers, never a read per byte and never a scan to its end.
struct CountedReads {
  static inline Source* inner = nullptr;
  static inline int64_t calls = 0, bytes = 0;
  static size_t Read(void* dst, size_t size, size_t count, FileHandle h) {
    ++calls;
    const size_t n = inner->src.fn.read(dst, size, count, h);
    bytes += static_cast<int64_t>(n * size);
    return n;
  }
};

TEST_F(SoundConvertTest, NoSoundIsGivenUpAfterABoundedBufferedLook) {
  Bytes noise(16u << 20);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i % 251);
  Source src(noise);
  CountedReads::inner = &src;
  CountedReads::calls = CountedReads::bytes = 0;
  StreamSource counted = src.src;
  counted.fn.read = CountedReads::Read;
  SoundConvert c{};
  EXPECT_EQ(-1, OpenSoundConvert(&counted, &c));
  EXPECT_LT(CountedReads::calls, 200);
  EXPECT_LT(CountedReads::bytes, int64_t{1} << 20);

  // Frames after a long stretch of other bytes are not looked for; frames before it count.
  Bytes mp3 = fixture::Mp3Encode(fixture::Tone(11025, 2, 44100), 2, 44100);
  Bytes late(256u << 10, 0);
  late.insert(late.end(), mp3.begin(), mp3.end());
  EXPECT_EQ(-1, Opened(late).rc);
  Bytes early = mp3;
  early.insert(early.end(), late.begin(), late.end());
  Opened o(early);
  ASSERT_EQ(0, o.rc);
  EXPECT_EQ(CountFrames(mp3) * 1152, o.c.acm.mp3TotalSamples);
}

TEST_F(SoundConvertTest, OggVorbisReportsOneSecondMoreAndSeeksBySample) {
  auto tone = fixture::Tone(100000, 2, 44100);
  Bytes ogg = fixture::OggEncode(tone, 2, 44100);
  Opened o(ogg);
  ASSERT_EQ(0, o.rc);
  EXPECT_EQ(SOUND_CONVERT_OGG, o.c.method);
  EXPECT_EQ(4096, o.c.blockSize);
  plat::WaveFormat f;
  GetSoundConvertFormat(&o.c, &f);
  EXPECT_EQ(1, f.formatTag);
  EXPECT_EQ(2, f.channels);
  EXPECT_EQ(44100u, f.samplesPerSec);
  EXPECT_EQ(16, f.bitsPerSample);
  EXPECT_EQ(4, f.blockAlign);
  EXPECT_EQ(176400u, f.avgBytesPerSec);
  EXPECT_EQ(576400, GetSoundConvertSize(&o.c));
  Bytes all = o.ReadAll();
  EXPECT_EQ(400000u, all.size());
  EXPECT_EQ(1, o.c.atEnd);
  uint8_t b[64];
  EXPECT_EQ(0, ReadSoundConvert(&o.c, b, 64));
  EXPECT_EQ(0, SeekSoundConvert(&o.c, 54321));
  EXPECT_EQ(54321 * 4, o.c.outputPosition);
  ASSERT_EQ(64, ReadSoundConvert(&o.c, b, 64));
  const int16_t* got = reinterpret_cast<const int16_t*>(b);
  const int16_t* want = reinterpret_cast<const int16_t*>(all.data() + 54321 * 4);
  for (int i = 0; i < 32; ++i) EXPECT_NEAR(want[i], got[i], 2) << i;
  uint8_t* pcm = nullptr;
  int size = 0;
  ASSERT_EQ(0, ConvertSoundToPcmBuffer(&o.c, &f, &pcm, &size));
  EXPECT_EQ(400000, size);
  TrackedFree(pcm);

  // Mono 22050 Hz, and a damaged stream that ends early instead of failing.
  Bytes mono = fixture::OggEncode(fixture::Tone(30000, 1, 22050), 1, 22050);
  Opened m(mono);
  ASSERT_EQ(0, m.rc);
  EXPECT_EQ(60000u, m.ReadAll().size());
  Bytes damaged = mono;
  for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 200; ++i) damaged[i] ^= 0x5A;
  Opened d(damaged);
  if (d.rc == 0) {
    EXPECT_LE(d.ReadAll().size(), 60000u);
    EXPECT_EQ(1, d.c.atEnd);
  }
}

TEST_F(SoundConvertTest, NotOggGoesOnToMp3) {
  Bytes mp3 = fixture::Mp3Encode(fixture::Tone(11025, 1, 22050), 1, 22050, 32);
  Opened o(mp3);
  ASSERT_EQ(0, o.rc);
  EXPECT_EQ(SOUND_CONVERT_ACM, o.c.method);
  plat::WaveFormat f;
  GetSoundConvertFormat(&o.c, &f);
  EXPECT_EQ(1, f.channels);
  EXPECT_EQ(22050u, f.samplesPerSec);
  EXPECT_EQ(0, o.c.acm.mp3TotalSamples % 576);
  EXPECT_EQ((size_t)o.c.acm.mp3TotalSamples * 2, o.ReadAll().size());
}

}  // namespace
