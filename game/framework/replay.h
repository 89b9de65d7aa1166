// The replay buffer: a 32-word header, then for each area a 32-word block of game values and the
// button word of every played frame, and an end tag. Play always reads its input from here, so
// recording and playback share one path; the engine's generator is reseeded from the header's seed
// at play start and around every area block. The first position x 4 bytes are the replay file.
#pragma once
#include <cstdint>

constexpr int kReplayWords = 216000;                  // an hour of frames
constexpr int kReplayBytes = kReplayWords * 4;
constexpr int kReplayHeaderWords = 32;
constexpr uint32_t kReplayMagic0 = 0xDA070301u;
constexpr uint32_t kReplayMagic1 = 0x5045525Fu;       // "_REP"
constexpr uint32_t kReplayVersion = 90;
constexpr uint32_t kReplayAreaTag = 0x41455241u;      // "AREA"
constexpr uint32_t kReplayEndTag = 0x50455245u;       // "EREP"
constexpr int kReplayMaxAreas = 6;
constexpr int kReplayLastNumber = 999;                // "replay\vlxrep0000.rpy" to 0999: saved,
                                                      // listed, loaded and deleted alike

// Header words.
enum ReplayHeaderWord : int {
  kRepMagic0 = 0, kRepMagic1 = 1, kRepVersion = 2, kRepDate = 3, kRepSeed = 4, kRepPlayMode = 5,
  kRepDifficulty = 6, kRepCharacter = 7, kRepLoadout = 8, kRepFinalScore = 16, kRepAreaScore0 = 17,
  kRepEndVar50 = 27, kRepAreas = 29, kRepFileSize = 30, kRepCheck = 31,
};

// Buffer access. Indexes outside the buffer read 0 and are not written.
void AdvanceReplayPos();                 // wraps to word 0 at the end and sets the full flag
bool IsReplayFull();
int GetReplayPosition();
void SetReplayWord(int index, uint32_t word);
uint32_t GetReplayWord(int index);
void PushReplayWord(uint32_t word);      // store at the position, then advance
uint32_t PopReplayWord();                // read at the position, then advance
void IncReplayWord(int index);           // word + 1 for indexes 1 to the buffer's end

// Play.
void BeginReplay(bool playback);
void ReseedLibraryRandom();
void RecordFrameInput(bool playback);
uint32_t GetFrameInput();
int SyncReplayArea(bool playback, int area);    // the area, or -1 when playback lost its place
void RecordAreaResult(bool playback, int area);
void EndReplay();
void WriteReplayCheckWord();

// The game values an area block carries, in their order (game variables).
extern const int kReplayAreaVars[26];
// For tools that record plays (the game never calls it): the next recorded frame takes the end tag
// as its input, as that frame will in playback, so that the play ends there through the results
// (and EndReplay) alike in the recording and every playback of it.
void EndRecordingAtNextFrame();
// For tools that check replays (null in the game): called as EndReplay finishes, while the play's
// state still stands, in recording and playback alike.
void SetReplayEndHook(void (*hook)());
// Likewise, called at every area result with the area, in playback too, where the header keeps the
// loaded file's words.
void SetReplayAreaHook(void (*hook)(int area));

// Files "replay\vlxrep%04d.rpy" and the demo replays "dat\vlxdemo%1d.rpy".
bool SaveReplay(int n);                  // false for a wrapped buffer, a number outside 0-999 or a
                                         // failed write (each said on stderr)
bool DeleteReplay(int n);
// Removes the temporary files "replay\vlxrep%04d.rpy.tmp" (0-999, regular files only) that a save
// cut off by a kill left; nothing else. Once per folder and run; the list scan and saves call it.
void ClearStaleReplayTemps();
int GetReplayFileSize(int n);            // -1 when missing
int LoadReplay(int n);                   // 1, or -1 when missing or refused (also a file
                                         // shorter than its header's size word)
int LoadDemoReplay(int n);               // 0, or -1 when missing or refused
