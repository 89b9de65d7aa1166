#include "game/framework/replay.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"
#include "platform/files.h"

static_assert(std::endian::native == std::endian::little, "replay files are the buffer's bytes");

const int kReplayAreaVars[26] = {53, 54, 55, 56, 57, 58, 59, 60, 72, 73, 74, 75, 76,
                                 77, 78, 79, 80, 81, 86, 87, 88, 89, 90, 91, 93, 94};

namespace {

uint32_t g_words[kReplayWords];
int g_pos = 0;
bool g_full = false;

void (*g_endHook)() = nullptr;
void (*g_areaHook)(int) = nullptr;
bool g_endAtNextFrame = false;
constexpr int kMaxSearchAdvances = kReplayWords;

bool Inside(int index) { return index >= 0 && index < kReplayWords; }

int DrawKey() { return GameRandom(0x3FFFFFFF); }

void ReplayFileName(char* out, size_t size, int n) {
  std::snprintf(out, size, "replay\\vlxrep%04d.rpy", n);
}

// Reads a replay file into the cleared buffer. Files the buffer cannot hold, cut short, or whose
// header names a difficulty, character, loadout or area count that play has no tables for are
// refused, so a damaged file can never steer play out of its ranges. Every refusal says so.
bool LoadReplayFile(const char* name) {
  BeginReplay(false);
  const int64_t size = GetFileSizeByName(name);
  if (size < 0) return false;
  if (size < 4 * kReplayHeaderWords || size > kReplayBytes) {
    std::fprintf(stderr, "velmarondix: replay %s refused: %lld bytes, %s\n", name, static_cast<long long>(size),
                 size < 4 * kReplayHeaderWords ? "cut inside its header" : "more than a replay holds");
    return false;
  }
  const int want = static_cast<int>(size);
  if (ReadFileToBuffer(name, g_words, want) != want) {
    std::fprintf(stderr, "velmarondix: replay %s refused: read short\n", name);
    std::memset(g_words, 0, sizeof g_words);
    return false;
  }
  if (g_words[kRepMagic0] != kReplayMagic0 || g_words[kRepMagic1] != kReplayMagic1) {
    std::fprintf(stderr, "velmarondix: replay %s refused: not a replay (its first words are wrong)\n", name);
    return false;
  }
  // The size word is written as the play ends: a file shorter than it lost its end, and would play
  // its missing frames as an idle pad.
  if (size < g_words[kRepFileSize]) {
    std::fprintf(stderr, "velmarondix: replay %s refused: cut short (%lld of the %u bytes its header gives)\n", name,
                 static_cast<long long>(size), g_words[kRepFileSize]);
    std::memset(g_words, 0, sizeof g_words);
    return false;
  }
  const uint32_t areas = (g_words[kRepAreas] >> 24) & 15u;
  if (g_words[kRepDifficulty] > 3u || g_words[kRepCharacter] > 1u || g_words[kRepLoadout] > 63u ||
      areas > static_cast<uint32_t>(kReplayMaxAreas)) {
    std::fprintf(stderr, "velmarondix: replay %s refused: header out of range\n", name);
    std::memset(g_words, 0, sizeof g_words);
    return false;
  }
  return true;
}

}  // namespace

void AdvanceReplayPos() {
  if (++g_pos >= kReplayWords) {
    g_pos = 0;
    g_full = true;
  }
}

bool IsReplayFull() { return g_full; }
int GetReplayPosition() { return g_pos; }

void SetReplayWord(int index, uint32_t word) {
  if (Inside(index)) g_words[index] = word;
}

uint32_t GetReplayWord(int index) { return Inside(index) ? g_words[index] : 0u; }

void PushReplayWord(uint32_t word) {
  SetReplayWord(g_pos, word);
  AdvanceReplayPos();
}

uint32_t PopReplayWord() {
  const uint32_t w = GetReplayWord(g_pos);
  AdvanceReplayPos();
  return w;
}

void IncReplayWord(int index) {
  if (index >= 1 && index < kReplayWords) ++g_words[index];
}

void BeginReplay(bool playback) {
  g_full = false;
  g_endAtNextFrame = false;
  if (!playback) {
    LocalDateTime now{};
    g_Engine.GetLocalDateTimeLocked(&now);
    std::memset(g_words, 0, sizeof g_words);
    g_words[kRepVersion] = kReplayVersion;
    g_words[kRepMagic0] = kReplayMagic0;
    g_words[kRepMagic1] = kReplayMagic1;
    g_words[kRepDate] = static_cast<uint32_t>((now.year % 100) * 10000 + now.month * 100 + now.day);
    g_words[kRepDifficulty] = static_cast<uint32_t>(GetSettingsSlot(kSlotDifficulty));
    g_words[kRepPlayMode] = static_cast<uint32_t>(GetSettingsSlot(kSlotPlayMode));
    g_words[kRepCharacter] = static_cast<uint32_t>(GetSettingsSlot(kSlotCharacter));
    if (GetSettingsSlot(kSlotCharacter) == 1) g_words[kRepLoadout] = static_cast<uint32_t>(GetGameVar(52));
    g_Engine.SeedRandomLocked(static_cast<uint32_t>(g_Engine.GetMillisecondCountLocked()) |
                              static_cast<uint32_t>(GetSettingsSlot(kSlotReplaySeedMix)));
    for (int i = 0; i < 100; ++i) DrawKey();
    g_words[kRepSeed] = static_cast<uint32_t>(DrawKey());
  } else {
    SetSettingsSlot(kSlotDifficulty, static_cast<int32_t>(g_words[kRepDifficulty]));
  }
  g_pos = kReplayHeaderWords;
  g_Engine.SeedRandomLocked(g_words[kRepSeed]);
  SeedXorShift(g_words[kRepSeed]);
}

void ReseedLibraryRandom() { g_Engine.SeedRandomLocked(g_words[kRepSeed]); }

void RecordFrameInput(bool playback) {
  AdvanceReplayPos();
  if (!playback) SetReplayWord(g_pos, g_endAtNextFrame ? kReplayEndTag : ReadButtons());
  g_endAtNextFrame = false;
}

void EndRecordingAtNextFrame() { g_endAtNextFrame = true; }

uint32_t GetFrameInput() { return GetReplayWord(g_pos); }

int SyncReplayArea(bool playback, int area) {
  ReseedLibraryRandom();
  if (!playback) {
    PushReplayWord(kReplayAreaTag);
    const int key = DrawKey();
    PushReplayWord(static_cast<uint32_t>(key ^ area));
    for (int v : kReplayAreaVars) PushReplayWord(static_cast<uint32_t>(GetGameVar(v)));
    for (int i = 0; i < 4; ++i) PushReplayWord(0);
    ReseedLibraryRandom();
    return area;
  }
  const int drawn = DrawKey();
  const uint32_t key = static_cast<uint32_t>(drawn ^ area);
  g_pos = kReplayHeaderWords;
  // A buffer holding neither the block nor an end tag would be walked for ever: one full round
  // of the buffer is enough to know the block is not there.
  int advances = 0;
  for (int pass = 0;; ++pass) {
    if (g_words[g_pos] == kReplayAreaTag) {
      AdvanceReplayPos();
      ++advances;
      if (g_words[g_pos] == key) break;
    }
    AdvanceReplayPos();
    ++advances;
    if (pass % 256 == 0 &&
        (g_Engine.ProcessMessageLocked() == -1 || g_Engine.IsKeyDownLocked(kKeyEscape) == 1))
      return -1;
    if (g_words[g_pos] == kReplayEndTag) return -1;
    if (advances >= kMaxSearchAdvances) return -1;
  }
  PopReplayWord();
  DrawKey();
  for (int v : kReplayAreaVars) SetGameVar(v, static_cast<int32_t>(PopReplayWord()));
  for (int i = 0; i < 4; ++i) PopReplayWord();
  ReseedLibraryRandom();
  return area;
}

void RecordAreaResult(bool playback, int area) {
  if (g_areaHook) g_areaHook(area);
  if (playback) return;
  const uint32_t k = (g_words[kRepAreas] >> 24) & 15u;
  // A seventh area would overwrite the count with its number: the header keeps six.
  if (k >= static_cast<uint32_t>(kReplayMaxAreas)) return;
  g_words[kRepAreaScore0 + k] = static_cast<uint32_t>(GetGameVar(81)) * 10u;
  g_words[kRepAreas] = (g_words[kRepAreas] & 0x00FFFFFFu) | ((k + 1) << 24) |
                       ((static_cast<uint32_t>(area) & 15u) << (4 * k));
}

void EndReplay() {
  g_words[kRepFinalScore] = static_cast<uint32_t>(GetGameVar(81));
  g_words[kRepEndVar50] = static_cast<uint32_t>(GetGameVar(50));
  PushReplayWord(kReplayEndTag);
  g_words[kRepFileSize] = static_cast<uint32_t>(g_pos) * 4u;
  if (g_endHook) g_endHook();
}

void SetReplayEndHook(void (*hook)()) { g_endHook = hook; }
void SetReplayAreaHook(void (*hook)(int area)) { g_areaHook = hook; }

void WriteReplayCheckWord() {
  uint32_t sum = 0;
  for (int i = 0; i <= 30; ++i) sum += g_words[i];
  SeedDataKeystream(g_words[kRepSeed]);
  for (int i = 0; i < 32; ++i) NextDataKeystream();
  g_words[kRepCheck] = NextDataKeystream() ^ sum;
}

void ClearStaleReplayTemps() {
  // A save writes beside its file and renames over it, deleting what it wrote when it fails: only a
  // run killed during a save leaves the temporary file behind, so each folder is swept once a run.
  static char swept[4096];
  const std::string here = CurrentFolderPath();
  if (here == swept || !plat::DirectoryExists("replay")) return;
  std::snprintf(swept, sizeof swept, "%s", here.c_str());
  for (int n = 0; n <= kReplayLastNumber; ++n) {
    char name[64];
    ReplayFileName(name, sizeof name, n);
    std::strcat(name, ".tmp");
    if (plat::FileDelete(name)) {
      std::fprintf(stderr, "velmarondix: removed %s/replay/vlxrep%04d.rpy.tmp, left by a replay save that did not finish\n",
                   here.c_str(), n);
    }
  }
}

bool SaveReplay(int n) {
  ClearStaleReplayTemps();
  if (g_full) {
    std::fprintf(stderr, "velmarondix: replay not saved: the play ran longer than a replay holds\n");
    return false;
  }
  if (n < 0 || n > kReplayLastNumber) {
    // REPLAY MODE lists 0000-0999 only; a file past them could never be found again.
    std::fprintf(stderr, "velmarondix: replay not saved: %s/replay holds vlxrep0000.rpy to vlxrep%04d.rpy "
                         "already; delete some in REPLAY MODE\n", CurrentFolderPath().c_str(), kReplayLastNumber);
    return false;
  }
  if (!plat::DirectoryExists("replay") && !plat::DirectoryCreate("replay")) {
    std::fprintf(stderr, "velmarondix: replay not saved: cannot make the folder %s/replay: %s\n",
                 CurrentFolderPath().c_str(), std::strerror(errno));
    return false;
  }
  char name[64];
  ReplayFileName(name, sizeof name, n);
  const int bytes = g_pos * 4;
  if (WriteWholeFile(name, g_words, bytes) == bytes) return true;
  std::fprintf(stderr, "velmarondix: replay not saved to %s/replay/vlxrep%04d.rpy: %s\n", CurrentFolderPath().c_str(), n,
               WholeFileWriteError());
  return false;
}

bool DeleteReplay(int n) {
  char name[64];
  ReplayFileName(name, sizeof name, n);
  return plat::FileDelete(name);
}

int GetReplayFileSize(int n) {
  char name[64];
  ReplayFileName(name, sizeof name, n);
  const int64_t size = GetFileSizeByName(name);
  if (size < 0) return -1;
  return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
}

int LoadReplay(int n) {
  char name[64];
  ReplayFileName(name, sizeof name, n);
  return LoadReplayFile(name) ? 1 : -1;
}

int LoadDemoReplay(int n) {
  char name[64];
  std::snprintf(name, sizeof name, "dat\\vlxdemo%1d.rpy", n);
  return LoadReplayFile(name) ? 0 : -1;
}
