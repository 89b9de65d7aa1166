// Sound and music control: 50 effects loaded whole, 4 streamed music tracks with fixed loop points,
// a four-frame guard per effect, a 640 x 480 area test, fades of one volume unit per frame.
#pragma once

constexpr int kEffectCount = 50;
constexpr int kTrackCount = 4;
// Loop points in milliseconds; below 1 the track plays once (track 1 is restarted instead). The
// data set's music is written to loop there.
constexpr int kBgmLoopTable[kTrackCount] = {1, -1, 6846, 6800};

void LoadSounds();
void ApplySoundVolumes();
void PlaySeAt(int x, int y, int n);      // ignored for effects outside 0-49
void PlaySe(int n);
void StopAllSe();
void PlayBgm(int track);                 // -1 stops choosing; tracks outside -1..3 are ignored
void FadeOutBgm();
void StopBgm();
int GetCurrentBgm();
void UpdateSound();
void PlayVoiceChannel(int n);
void PlayVoice(int n);
void StopAllVoices();
