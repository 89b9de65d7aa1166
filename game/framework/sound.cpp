// Sound effects and music: handles loaded once at start-up, the per-effect guard, the music's
// fades and loop points, all stepped once a frame by UpdateSound.
#include "game/framework/sound.h"

#include <cstdio>

#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"

namespace {

constexpr int kPlayOnce = 1;
constexpr int kPlayLoop = 3;
constexpr int kGuardFrames = 4;

struct SoundState {
  int se[kEffectCount];
  int guard[kEffectCount];
  int bgm[kTrackCount];
  int volume[kTrackCount];
  int step[kTrackCount];
  int current;
  int voiceOnChannel[2];
};
SoundState g_sound = {
    {}, {}, {-1, -1, -1, -1}, {}, {}, -1, {-1, -1},
};

struct EffectsStart {
  EffectsStart() {
    for (int& h : g_sound.se) h = -1;
  }
} g_effectsStart;

// Volume slots read as 0-100 whatever the file held.
int MusicVolume() { return GetSettingsSlotClamped(kSlotMusicVolume, 0, 100); }
int EffectVolume() { return GetSettingsSlotClamped(kSlotEffectVolume, 0, 100); }

bool IsPlaying(int sound) { return g_Engine.IsSoundHandlePlayingLocked(sound) == 1; }

}  // namespace

void LoadSounds() {
  RedrawLoadingScreen();
  // Without a sound device every load fails: the files are not to blame, and the game plays silent.
  const bool heard = g_Engine.IsSoundSystemRunningLocked() == 1;
  g_Engine.SetSoundCreateTypeLocked(0);
  for (int n = 0; n < kEffectCount; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "vlxdat\\se%02d.wav", n);
    g_sound.se[n] = g_Engine.LoadSoundFileLocked(name, 3, -1);
    if (g_sound.se[n] == -1 && heard) SayDataFileUnreadable(name, true);
  }
  RedrawLoadingScreen();
  g_Engine.SetSoundCreateTypeLocked(3);
  for (int n = 0; n < kTrackCount; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "dat\\vlxbgm%02d.ogg", n);
    g_sound.bgm[n] = g_Engine.LoadSoundFileLocked(name, 3, -1);
    if (g_sound.bgm[n] == -1 && heard) SayDataFileUnreadable(name, true);
    if (kBgmLoopTable[n] > 0) g_Engine.SetStreamLoopMillisecondsLocked(kBgmLoopTable[n], g_sound.bgm[n]);
    g_sound.volume[n] = 0;
    g_sound.step[n] = 0;
    RedrawLoadingScreen();
  }
  ApplySoundVolumes();
  g_sound.current = -1;
}

void ApplySoundVolumes() {
  const int effects = EffectVolume() * 100;
  for (int n = 0; n < kEffectCount; ++n) {
    g_Engine.SetSoundHandleVolumeLocked(effects, g_sound.se[n]);
    g_sound.guard[n] = 0;
  }
  const int music = MusicVolume() * 100;
  for (int n = 0; n < kTrackCount; ++n) g_Engine.SetSoundHandleVolumeLocked(music, g_sound.bgm[n]);
}

void PlaySeAt(int x, int y, int n) {
  if (n < 0 || n >= kEffectCount) return;
  if (x < -320 || x > 320 || y < -240 || y > 240 || g_sound.guard[n] != 0) return;
  g_Engine.PlaySoundHandleLocked(g_sound.se[n], kPlayOnce, 1);
  g_sound.guard[n] = kGuardFrames;
}

void PlaySe(int n) { PlaySeAt(0, 0, n); }

void StopAllSe() {
  for (int n = 0; n < kEffectCount; ++n) {
    if (IsPlaying(g_sound.se[n])) g_Engine.StopSoundHandleLocked(g_sound.se[n]);
  }
}

void PlayBgm(int track) {
  // Tracks past the four (the area intro asks for 7) are not there: the music goes on.
  if (track < -1 || track >= kTrackCount) return;
  if (track == g_sound.current) return;
  FadeOutBgm();
  if (track >= 0) {
    const int type = kBgmLoopTable[track] < 1 ? kPlayOnce : kPlayLoop;
    g_Engine.PlaySoundHandleLocked(g_sound.bgm[track], type, 1);
    g_sound.volume[track] = MusicVolume();
    g_sound.step[track] = 1;
  }
  g_sound.current = track;
}

void FadeOutBgm() {
  if (g_sound.current >= 0) g_sound.step[g_sound.current] = -1;
}

void StopBgm() {
  if (g_sound.current >= 0) g_Engine.StopSoundHandleLocked(g_sound.bgm[g_sound.current]);
  g_sound.current = -1;
}

int GetCurrentBgm() { return g_sound.current; }

void UpdateSound() {
  const int music = MusicVolume();
  for (int n = 0; n < kTrackCount; ++n) {
    if (g_sound.step[n] == 0 || !IsPlaying(g_sound.bgm[n])) continue;
    int v = g_sound.volume[n] + g_sound.step[n];
    if (v < 1) {
      v = 0;
      g_Engine.StopSoundHandleLocked(g_sound.bgm[n]);
    }
    if (v > music) v = music;
    g_sound.volume[n] = v;
    g_Engine.SetSoundHandleVolumeLocked(v * 100, g_sound.bgm[n]);
  }
  for (int& guard : g_sound.guard) {
    if (guard > 0) --guard;
  }
  // A track without a loop point repeats from its start while it is the current one.
  const int c = g_sound.current;
  if (c > 0 && kBgmLoopTable[c] < 0 && !IsPlaying(g_sound.bgm[c])) {
    g_Engine.PlaySoundHandleLocked(g_sound.bgm[c], kPlayOnce, 1);
  }
}

// Voices: start-up loads none, so these only keep their bookkeeping; nothing calls them.
void PlayVoiceChannel(int n) {
  if (GetSettingsSlot(22) <= 0) return;
  g_sound.voiceOnChannel[n < 32 ? 0 : 1] = n;
}

void PlayVoice(int) {}

void StopAllVoices() {}
