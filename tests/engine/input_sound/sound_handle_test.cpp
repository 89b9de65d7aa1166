// Sound table, records, buffers and start-up, on the manual device.
#include "sound_test_util.h"

#include <string>

#include "platform/text.h"

using soundtest::SoundSystemTest;

namespace {

plat::WaveFormat Stereo16() { return plat::WaveFormat{1, 2, 44100, 176400, 4, 16, 0}; }

int32_t VolumeOf(SoundRecord* r, int i) {
  int32_t v = 1;
  EXPECT_EQ(0, plat::SoundBufferGetVolume(r->buffers[i].buffer, &v));
  return v;
}

TEST_F(SoundSystemTest, HandlesCarryKindCheckAndSlotAndAreaEndFollowsTheHighestSlot) {
  int a = AddSoundData(-1);
  int b = AddSoundData(-1);
  int c = AddSoundData(-1);
  // Kind tag, then the check number (going on from wherever the counter stood), then the slot.
  const int check = (a >> 16) & 0x7FF;
  auto handle = [](int k, int slot) { return static_cast<int>(0x10000000u | ((k & 0x7FFu) << 16) | slot); };
  EXPECT_EQ(handle(check, 0), a);
  EXPECT_EQ(handle(check + 1, 1), b);
  EXPECT_EQ(handle(check + 2, 2), c);
  EXPECT_EQ(3, SoundHandleAreaEnd());
  // A freed hole below the end is not reused while the end can still grow.
  EXPECT_EQ(0, DeleteSoundHandle(b));
  EXPECT_EQ(3, SoundHandleAreaEnd());
  int d = AddSoundData(-1);
  EXPECT_EQ(3, d & 0xFFFF);
  // Freeing the highest pulls the end back over the hole.
  EXPECT_EQ(0, DeleteSoundHandle(d));
  EXPECT_EQ(0, DeleteSoundHandle(c));
  EXPECT_EQ(1, SoundHandleAreaEnd());
  EXPECT_EQ(-1, DeleteSoundHandle(c));   // stale
  EXPECT_EQ(nullptr, GetSoundRecord(b));
  EXPECT_EQ(nullptr, GetSoundRecord(a | 0x08000000));   // another kind's tag
  EXPECT_EQ(nullptr, GetSoundRecord(-1));
  EXPECT_EQ(nullptr, GetSoundRecord((a & ~0xFFFF) | 4096));
  EXPECT_NE(nullptr, GetSoundRecord(a));
}

TEST_F(SoundSystemTest, TableFullAndHolesAfterTheEndIsReached) {
  std::vector<int> h;
  for (int i = 0; i < kMaxSoundHandles; ++i) h.push_back(AddSoundData(-1));
  EXPECT_EQ(kMaxSoundHandles, SoundHandleCount());
  EXPECT_EQ(-1, AddSoundData(-1));
  EXPECT_EQ(0, DeleteSoundHandle(h[100]));
  EXPECT_EQ(0, DeleteSoundHandle(h[7]));
  int n = AddSoundData(-1);
  EXPECT_EQ(7, n & 0xFFFF);
  EXPECT_EQ(100, AddSoundData(-1) & 0xFFFF);
  EXPECT_EQ(0, DeleteAllSoundHandles());
  EXPECT_EQ(0, SoundHandleCount());
  EXPECT_EQ(0, SoundHandleAreaEnd());
}

TEST_F(SoundSystemTest, CheckNumbersWrapAndStaleHandlesFail) {
  int first = AddSoundData(-1);
  ASSERT_EQ(0, DeleteSoundHandle(first));
  int last = -1;
  for (int i = 1; i < 2048; ++i) {
    int h = AddSoundData(-1);
    ASSERT_EQ(0, DeleteSoundHandle(h));
    last = h;
  }
  // Check numbers go on from wherever the table's counter stood, wrapping after 2047.
  EXPECT_EQ((((first >> 16) & 0x7FF) + 2047) & 0x7FF, (last >> 16) & 0x7FF);
  int again = AddSoundData(-1);
  EXPECT_EQ(first, again);   // 2048 makes later, the same handle comes back
  EXPECT_EQ(nullptr, GetSoundRecord(last));
}

TEST_F(SoundSystemTest, RecreatingUnderAHandleNeedsItsEmptySlot) {
  int a = AddSoundData(-1);
  int b = AddSoundData(-1);
  EXPECT_EQ(-1, AddSoundData(b));   // occupied
  ASSERT_EQ(0, DeleteSoundHandle(b));
  EXPECT_EQ(b, AddSoundData(b));
  EXPECT_NE(nullptr, GetSoundRecord(b));
  EXPECT_EQ(-1, AddSoundData(0x08000005));   // not a sound handle
  // A slot above the end is still counted, so that later allocations never land on it.
  int far = (int)(0x10000000u | (5u << 16) | 50u);
  EXPECT_EQ(far, AddSoundData(far));
  EXPECT_EQ(51, SoundHandleAreaEnd());
  DeleteSoundHandle(a);
}

TEST_F(SoundSystemTest, VolumeMapsToHundredthsOfADecibelOnEveryBuffer) {
  int h = AddSoundData(-1);
  plat::WaveFormat f = Stereo16();
  ASSERT_EQ(0, CreateSoundBuffers(&f, 4000, SOUND_KIND_MEMORY, 3, h));
  SoundRecord* r = GetSoundRecord(h);
  ASSERT_EQ(3, r->bufferCount);
  struct { int in; int32_t out; } cases[] = {{10000, 0}, {5000, -5000}, {-3, -10000}, {12000, 0},
                                             {0, -10000}, {-2147483647 - 1, -10000}, {2147483647, 0}};
  for (auto c : cases) {
    EXPECT_EQ(0, SetSoundHandleVolume(c.in, h));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(c.out, VolumeOf(r, i)) << c.in;
  }
  EXPECT_EQ(-1, SetSoundHandleVolume(5000, h + 1));
}

TEST_F(SoundSystemTest, DuplicatesStopAtTheFirstFailure) {
  int h = AddSoundData(-1);
  plat::WaveFormat f = Stereo16();
  plat::ManualSoundInjectFault(plat::ManualSoundFault::Duplicate, 2, 1);
  ASSERT_EQ(0, CreateSoundBuffers(&f, 4000, SOUND_KIND_MEMORY, 5, h));
  SoundRecord* r = GetSoundRecord(h);
  EXPECT_EQ(3, r->bufferCount);
  EXPECT_EQ(1, r->buffers[2].valid);
  EXPECT_EQ(0, r->buffers[3].valid);
  // Duplicates share the data of buffer 0.
  void *a1, *a2;
  uint32_t s1, s2;
  ASSERT_EQ(0, LockBufferSlot(&r->buffers[0], 0, 4, &a1, &s1, &a2, &s2));
  std::memset(a1, 0x5A, s1);
  ASSERT_EQ(0, UnlockBufferSlot(&r->buffers[0], a1, s1, a2, s2));
  ASSERT_EQ(0, LockBufferSlot(&r->buffers[2], 0, 4, &a1, &s1, &a2, &s2));
  EXPECT_EQ(0x5A, static_cast<uint8_t*>(a1)[3]);
  UnlockBufferSlot(&r->buffers[2], a1, s1, a2, s2);
  // Empty slots refuse every operation.
  uint32_t st;
  EXPECT_EQ(-1, GetBufferSlotStatus(&r->buffers[3], &st));
  EXPECT_EQ(-1, PlayBufferSlot(&r->buffers[3], 0));
  EXPECT_EQ(-1, SetBufferSlotVolume(&r->buffers[3], 0));
  EXPECT_EQ(-1, ReleaseBufferSlot(&r->buffers[3]));
  EXPECT_EQ(-1, CreateBufferSlot(&r->buffers[0], nullptr));   // already valid
  EXPECT_EQ(-1, DuplicateBufferSlot(&r->buffers[3], &r->buffers[4]));
  EXPECT_EQ(0, DeleteSoundHandle(h));
}

TEST_F(SoundSystemTest, MemoryBufferRetriesWithPlainFlagsAndStreamsJoinTheList) {
  int h = AddSoundData(-1);
  plat::WaveFormat f = Stereo16();
  plat::ManualSoundInjectFault(plat::ManualSoundFault::Create, 0, 1);
  ASSERT_EQ(0, CreateSoundBuffers(&f, 4000, SOUND_KIND_MEMORY, 15, h));
  EXPECT_EQ(10, GetSoundRecord(h)->bufferCount);
  int s = AddSoundData(-1);
  ASSERT_EQ(0, CreateSoundBuffers(&f, 6 * 176400, SOUND_KIND_STREAM, 1, s));
  SoundRecord* r = GetSoundRecord(s);
  EXPECT_EQ(SOUND_KIND_STREAM, r->kind);
  EXPECT_EQ(1, r->bufferCount);
  EXPECT_EQ(&r->listNode, gSoundSystem.streamHead.next);
  EXPECT_EQ(s, gSoundSystem.streamHead.next->value);
  EXPECT_EQ(0, DeleteSoundHandle(s));
  EXPECT_EQ(&gSoundSystem.streamTail, gSoundSystem.streamHead.next);
  EXPECT_EQ(-1, CreateSoundBuffers(&f, 4000, SOUND_KIND_MEMORY, 1, s));   // stale handle
}

TEST_F(SoundSystemTest, RingMasterLingersUntilItsLastSharerGoes) {
  plat::WaveFormat f = Stereo16();
  int m = AddSoundData(-1);
  ASSERT_EQ(0, CreateSoundBuffers(&f, 6 * 176400, SOUND_KIND_STREAM, 1, m));
  int s1 = AddSoundData(-1);
  int s2 = AddSoundData(-1);
  for (int s : {s1, s2}) {
    SoundRecord* r = GetSoundRecord(s);
    r->kind = SOUND_KIND_STREAM;
    r->bufferCount = 1;
    r->ringMaster = m;
    SoundStreamListAdd(r, s);
    GetSoundRecord(m)->sharers += 1;
  }
  EXPECT_EQ(0, DeleteSoundHandle(m));
  ASSERT_NE(nullptr, GetSoundRecord(m));
  EXPECT_EQ(1, GetSoundRecord(m)->deletePending);
  EXPECT_EQ(0, DeleteSoundHandle(s1));
  EXPECT_NE(nullptr, GetSoundRecord(m));
  EXPECT_EQ(0, DeleteSoundHandle(s2));
  EXPECT_EQ(nullptr, GetSoundRecord(m));
  EXPECT_EQ(0, SoundHandleCount());
}

TEST_F(SoundSystemTest, CreateTypeAndTotalSamples) {
  EXPECT_EQ(0, gSoundSystem.createType);
  EXPECT_EQ(0, SetSoundCreateType(3));
  EXPECT_EQ(-1, SetSoundCreateType(4));
  EXPECT_EQ(-1, SetSoundCreateType(-1));
  EXPECT_EQ(3, gSoundSystem.createType);
  int h = AddSoundData(-1);
  SoundRecord* r = GetSoundRecord(h);
  r->format = Stereo16();
  r->pcmSize = 4000;
  EXPECT_EQ(1000, GetSoundTotalSamples(h));
  r->kind = SOUND_KIND_STREAM;
  r->totalFrames = 77;
  EXPECT_EQ(77, GetSoundTotalSamples(h));
  EXPECT_EQ(-1, GetSoundTotalSamples(h ^ 0x10000));
}

TEST_F(SoundSystemTest, StartUpTwiceFailsAndNothingWorksWhileStopped) {
  int h = AddSoundData(-1);
  plat::SoundBuffer* silent = gSoundSystem.silent;
  EXPECT_EQ(-1, InitializeDirectSound());
  EXPECT_EQ(silent, gSoundSystem.silent);
  EXPECT_NE(nullptr, GetSoundRecord(h));
  // The silent buffer keeps the output running.
  uint32_t st = 0;
  EXPECT_EQ(0, plat::SoundBufferGetStatus(silent, &st));
  EXPECT_EQ(plat::SBSTATUS_PLAYING | plat::SBSTATUS_LOOPING, st);
  EXPECT_EQ(0, TerminateDirectSound());
  EXPECT_EQ(-1, TerminateDirectSound());
  EXPECT_EQ(0, SoundHandleCount());
  EXPECT_EQ(-1, SetSoundHandleVolume(100, h));
  EXPECT_EQ(-1, GetSoundTotalSamples(h));
  EXPECT_EQ(0, InitializeDirectSound());
}

TEST(SoundStartUp, PrimaryFormatFollowsTheDeviceAndAMissingDeviceListOnlyShortensTheLog) {
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  plat::ManualSoundSetCaps(plat::SoundDeviceCaps{plat::SDCAPS_PRIMARYMONO | plat::SDCAPS_PRIMARY8BIT |
                                                     plat::SDCAPS_SECONDARYSTEREO | plat::SDCAPS_SECONDARY16BIT,
                                                 100, 22050, 0, 0});
  plat::ManualSoundSetEnumerable(false);
  ASSERT_EQ(0, InitializeDirectSound());
  plat::WaveFormat f{};
  ASSERT_EQ(0, plat::SoundBufferGetFormat(gSoundSystem.primary, &f));
  EXPECT_EQ(1, f.channels);
  EXPECT_EQ(8, f.bitsPerSample);
  EXPECT_EQ(22050u, f.samplesPerSec);
  EXPECT_EQ(1, f.blockAlign);
  EXPECT_EQ(22050u, f.avgBytesPerSec);
  // Secondary buffers are unaffected.
  int h = AddSoundData(-1);
  plat::WaveFormat s = Stereo16();
  EXPECT_EQ(0, CreateSoundBuffers(&s, 4000, SOUND_KIND_MEMORY, 1, h));
  EXPECT_EQ(0, TerminateDirectSound());

  plat::ManualSoundReset();
  plat::ManualSoundInjectFault(plat::ManualSoundFault::Open, 0, 1);
  EXPECT_EQ(-1, InitializeDirectSound());
  plat::ManualSoundInjectFault(plat::ManualSoundFault::Create, 0, 1);   // the primary buffer
  EXPECT_EQ(-1, InitializeDirectSound());
  EXPECT_FALSE(plat::SoundDeviceIsOpen());
  // Without the silent buffer start-up still succeeds.
  plat::ManualSoundInjectFault(plat::ManualSoundFault::Create, 1, 1);
  EXPECT_EQ(0, InitializeDirectSound());
  EXPECT_EQ(nullptr, gSoundSystem.silent);
  EXPECT_EQ(0, TerminateDirectSound());
}

}  // namespace

#include "engine/base/log.h"
#include "engine/base/test_folder.h"

namespace {

TEST(SoundStartUpLog, StartUpAndShutDownWriteTheirLines) {
  TestFolder folder;
  folder.Enter();
  g_LogOffFlag = 0;
  g_LogTimeStampOffFlag = 1;
  LogFileInitialize();
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  ASSERT_EQ(0, InitializeDirectSound());
  ASSERT_EQ(0, TerminateDirectSound());
  plat::ManualSoundSetEnumerable(false);
  ASSERT_EQ(0, InitializeDirectSound());
  ASSERT_EQ(0, TerminateDirectSound());
  std::string log = plat::Cp932ToUtf8(folder.Read("Log.txt"));
  g_LogTimeStampOffFlag = 0;
  folder.Leave();
  const char* expected =
      "DirectSound の初期化を行います\r\n"
      "DirectSound インターフェースの取得を行います....  成功\r\n"
      "引き続きインターフェースの初期化処理...  成功\r\n"
      "\tDirectSound デバイスを列挙します\r\n"
      "\tモジュール名:         manual  ドライバ記述:manual test device "
      "最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz "
      "総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB \r\n"
      "\t利用可能サンプリング精度\r\n"
      "\t プライマリ １６bit = OK  ８bit = OK  セカンダリ １６bit = OK  ８bit = OK \r\n"
      "\t利用可能チャンネル\r\n"
      "\t プライマリ MONO = OK  STEREO = OK  セカンダリ MONO = OK  STEREO = OK \r\n"
      "DirectSound の初期化は正常に終了しました\r\n"
      "DirectSound の終了処理は正常に終了しました\r\n";
  EXPECT_EQ(0u, log.find(plat::Cp932ToUtf8(expected)));
  // Without the device list only the list and what follows it in the capability log go.
  EXPECT_NE(std::string::npos,
            log.find(plat::Cp932ToUtf8("\tDirectSound デバイスを列挙します\r\n\tDSOUND.DLL のロードに失敗しました\r\n"
                                       "DirectSound の初期化は正常に終了しました\r\n")));
}

}  // namespace

namespace {

void MakeBufferThatCannotBeMade() {
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  InitializeDirectSound();
  int h = AddSoundData(-1);
  plat::WaveFormat f{1, 2, 44100, 176400, 4, 16, 0};
  plat::ManualSoundInjectFault(plat::ManualSoundFault::Create, 0, 2);   // both flag sets
  CreateSoundBuffers(&f, 4000, SOUND_KIND_MEMORY, 1, h);
  std::exit(0);
}

TEST(SoundBufferDeathTest, AMemorySoundWithoutBufferZeroEndsTheEngine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(MakeBufferThatCannotBeMade(), ::testing::ExitedWithCode(255), "");
}

}  // namespace
