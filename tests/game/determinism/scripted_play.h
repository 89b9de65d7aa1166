// The determinism tests' scripted play, also played back by the frame-time benchmark: one play of
// the first area on REVISED (moves, shots, a bomb, M ACTION, a pause during the bomb, longer than
// its cooldown, whose KEY ASSIGN binds DSHIFT and saves the settings, BOMBER tapped on the resume,
// a demonic shift started with the new key, play to the game over, the replay saved through the
// results), recorded headless on the virtual clock with scripted keys.
#pragma once
#include <cstdint>
#include <string>

#include "game/harness/harness.h"

constexpr int kScriptedPlayStart = 150;      // GAME START once the title runs
constexpr int kScriptedPlayFrameLimit = 9000;

// What the script saw along the way: each step it set out to do, done.
struct ScriptedPlaySeen {
  bool torpedo = false;                   // M ACTION's sub weapon flew
  bool paused = false, keyAssigned = false, resumed = false;
  bool settingsSaved = false;             // the file changed while paused
  int32_t bombsBeforePause = 0, cooldownAtPause = 0, shifts = 0;
  int32_t bombsAfterResumeTap = -1;       // BOMBER tapped at once after the pause
  int pausedFrames = 0;
  bool shiftEnded = false, gameOver = false, saved = false, backAtTitle = false;
  int firstPlayed = -1;
};

struct ScriptedPlayRecording {
  ScriptedPlaySeen seen;
  HarnessResult result;
  std::string replay;                     // the file the results saved ("replay/vlxrep0000.rpy")
};

// Records the play in `folder`, a data set as make-data writes it with no replays saved yet; the
// run ends as the title shows again.
ScriptedPlayRecording RecordScriptedPlay(const std::string& folder);

std::string ReadWholeText(const std::string& path);
