// Sound system start-up and shut-down: the output device, the primary buffer with its recorded
// format, the silent looping buffer that keeps the output running, and the capability log.
#include "engine/input_sound/sound.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/base/log.h"

SoundSystem gSoundSystem;

namespace {

// The capability lines are written exactly as formatted, with no line end added.
__attribute__((format(printf, 1, 2))) void LogText(const char* format, ...) {
  char line[512];
  va_list ap;
  va_start(ap, format);
  vsnprintf(line, sizeof line, format, ap);
  va_end(ap);
  LogWrite(line);
}

void ResetStreamList() { ListInit(&gSoundSystem.streamHead, &gSoundSystem.streamTail); }

void LogDevice(const char* module, const char* description, void*) {
  LogText("モジュール名:%15s  ドライバ記述:%s ", module, description);
}

const char* OkNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "OK" : "NO"; }

void LogCapabilities(const plat::SoundDeviceCaps& caps) {
  LogIndentIncrease();
  LogWrite("DirectSound デバイスを列挙します\n");
  if (!plat::SoundEnumerateDevices(LogDevice, nullptr)) {
    LogWrite("DSOUND.DLL のロードに失敗しました\n");
    LogIndentDecrease();
    return;
  }
  LogText("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ",
            caps.maxSecondaryRate / 1000.0, caps.minSecondaryRate / 1000.0);
  LogText("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n",
            caps.totalHwMemBytes / 1024.0, caps.freeHwMemBytes / 1024.0);
  LogWrite("利用可能サンプリング精度\n");
  LogText(" プライマリ １６bit = %s  ８bit = %s ", OkNo(caps.flags, plat::SDCAPS_PRIMARY16BIT),
            OkNo(caps.flags, plat::SDCAPS_PRIMARY8BIT));
  LogText(" セカンダリ １６bit = %s  ８bit = %s \n", OkNo(caps.flags, plat::SDCAPS_SECONDARY16BIT),
            OkNo(caps.flags, plat::SDCAPS_SECONDARY8BIT));
  LogWrite("利用可能チャンネル\n");
  LogText(" プライマリ MONO = %s  STEREO = %s ", OkNo(caps.flags, plat::SDCAPS_PRIMARYMONO),
            OkNo(caps.flags, plat::SDCAPS_PRIMARYSTEREO));
  LogText(" セカンダリ MONO = %s  STEREO = %s \n", OkNo(caps.flags, plat::SDCAPS_SECONDARYMONO),
            OkNo(caps.flags, plat::SDCAPS_SECONDARYSTEREO));
  LogIndentDecrease();
}

void MakeSilentBuffer() {
  plat::WaveFormat f{1, 2, 44100, 176400, 4, 16, 0};
  plat::SoundBufferDesc desc{36, SOUND_BUFFER_FLAGS_SILENT, 400, &f};
  plat::SoundBuffer* b = plat::SoundBufferCreate(&desc);
  if (!b) {
    LogWrite("無音バッファの作成に失敗しました");
    return;
  }
  void* a1 = nullptr;
  void* a2 = nullptr;
  uint32_t s1 = 0, s2 = 0;
  if (plat::SoundBufferLock(b, 0, 400, &a1, &s1, &a2, &s2) != 0) {
    LogWrite("無音バッファのロックに失敗しました");
    plat::SoundBufferRelease(b);
    return;
  }
  std::memset(a1, 0, s1);
  if (a2) std::memset(a2, 0, s2);
  plat::SoundBufferUnlock(b, a1, s1, a2, s2);
  plat::SoundBufferPlay(b, plat::SBPLAY_LOOPING);
  gSoundSystem.silent = b;
}

}  // namespace

void SoundStreamListAdd(SoundRecord* r, int handle) {
  if (!gSoundSystem.streamHead.next) ResetStreamList();
  ListInsertAfter(&gSoundSystem.streamHead, &r->listNode, handle, r);
}

void SoundStreamListRemove(SoundRecord* r) {
  if (r->listNode.previous || r->listNode.next) ListRemove(&r->listNode);
}

int InitializeDirectSound() {
  if (gSoundSystem.started) return -1;
  LogWrite("DirectSound の初期化を行います\n");
  LogWrite("DirectSound インターフェースの取得を行います....  ");
  LogWrite("成功\n");
  LogWrite("引き続きインターフェースの初期化処理...  ");
  if (!plat::SoundDeviceOpen()) return LogWrite("初期化に失敗しました\n");
  LogWrite("成功\n");

  plat::SoundBufferDesc primaryDesc{36, plat::SBCAPS_PRIMARYBUFFER, 0, nullptr};
  plat::SoundBuffer* primary = plat::SoundBufferCreate(&primaryDesc);
  if (!primary) {
    plat::SoundDeviceClose();
    return LogWrite("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
  }
  gSoundSystem.primary = primary;

  plat::SoundDeviceCaps caps{};
  plat::SoundDeviceGetCaps(&caps);
  plat::WaveFormat f{};
  f.formatTag = 1;
  f.channels = (caps.flags & plat::SDCAPS_PRIMARYSTEREO) ? 2 : 1;
  f.bitsPerSample = (caps.flags & plat::SDCAPS_PRIMARY16BIT) ? 16 : 8;
  f.samplesPerSec = caps.maxSecondaryRate < 44100 ? caps.maxSecondaryRate : 44100;
  f.blockAlign = (uint16_t)(f.channels * f.bitsPerSample / 8);
  f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
  if (plat::SoundBufferSetFormat(primary, &f) != 0) {
    LogWrite("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
  }

  MakeSilentBuffer();
  gSoundSystem.createType = 0;
  gSoundSystem.bytesPerSample = 2;
  ResetStreamList();
  gSoundSystem.started = 1;

  LogCapabilities(caps);
  LogWrite("DirectSound の初期化は正常に終了しました\n");
  DeleteAllSoundHandles();
  return 0;
}

int TerminateDirectSound() {
  if (!gSoundSystem.started) return -1;
  DeleteAllSoundHandles();
  if (gSoundSystem.primary) {
    plat::SoundBufferStop(gSoundSystem.primary);
    plat::SoundBufferRelease(gSoundSystem.primary);
  }
  if (gSoundSystem.silent) {
    plat::SoundBufferStop(gSoundSystem.silent);
    plat::SoundBufferRelease(gSoundSystem.silent);
  }
  gSoundSystem.primary = nullptr;
  gSoundSystem.silent = nullptr;
  plat::SoundDeviceClose();
  gSoundSystem.started = 0;
  ResetStreamList();
  LogWrite("DirectSound の終了処理は正常に終了しました\n");
  return 0;
}
