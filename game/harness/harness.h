// The game harness: runs the whole program (GameMain) in a folder of its own, headless on the
// virtual clock or in the real window, with keys scripted per frame, scripted message-box answers,
// the manual sound device, and a per-frame hook that stops the run, hashes and saves the picture,
// counts the generator's draws and records or plays back replays. The game itself reads no command
// line; HarnessMain is the entry of the game-harness program, RunHarness the one tests call.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

constexpr int kLoadingShot = -1;

struct HarnessOptions {
  std::string folder;                   // made current for the run; empty: the current folder
  int frames = 0;                       // frames before the run ends as a closed window would; 0: none
  std::string inputScript;              // per-frame keys (see ParseInputScript)
  std::vector<int> screenshotFrames;    // PNG pictures "shot%06d.png" of these frames; -1 (kLoadingShot):
                                        // the loading picture before the first frame, "shot_loading.png"
  std::string screenshotDir;            // default: the run's folder
  std::string screensDir;               // a tour of every screen, driven by what the screen shows
                                        // (title, menus, both portraits, a play, pause, results,
                                        // records, QUIT GAME); each screen's picture NAME.png
                                        // goes here, and "loading.png"
  std::string hashLog;                  // a line per frame: frame, play mode, picture hash, draws
  bool hashFrames = false;              // keep the per-frame hashes in the result
  std::vector<int> boxAnswers;          // message boxes answered in order (6 Yes, 7 No, 1 OK, 2 Cancel)
  std::string recordReplay;             // the replay of the play is written here once it ends
  int startPlayFrame = -1;              // a play starts at this frame, as GAME START would with the
                                        // difficulty, character and area the settings hold
  std::string playbackReplay;           // this replay is played back once the title runs
  int playbackFrame = -1;               // ... or from this frame on (the title must be running)
  bool window = false;                  // the real SDL window (for a display or the virtual X server)
  bool virtualClock = false;            // a window run on the virtual clock too (always so headless,
                                        // and whenever keys are scripted): passes run flat out
  std::string renderer;                 // "full", "soft" or "nodisplay"; empty: the environment's
  std::string padControl;               // window runs: a virtual pad whose state another process
                                        // appends to this file, a line "BUTTONS X Y" per change
  std::string stateLog;                 // a line per frame, written at once: frame, play mode, the
                                        // current menu or scene task's kind and cursor, the player's
                                        // x and y (-1 without one) and the player's plain shots
  bool drawNothing = false;             // the engine's draw and present calls do nothing: for runs
                                        // that need no pictures (play never reads them back)
  std::vector<std::pair<int, int32_t>> slots;   // settings slots set before the first pass
  std::vector<std::pair<int, int32_t>> fileSlots;   // a settings file written before the start:
                                        // the defaults (window, timer pacing) with these slots,
                                        // as a damaged or edited file would hold them
  int quitAfterTitle = -1;              // Escape this many frames after the title first runs
  int endRecordingFrame = -1;           // from this frame on, the first recorded frame reads the end
                                        // tag as its input: the play ends there through the results,
                                        // as its playback will
  std::string summary;                  // the play's state at its end is written here (below)
  bool stopAtPlayEnd = false;           // the run ends with the pass in which the play ended
  std::function<void(int frame)> onFrame;   // after every presented pass
};

// The state of a play at its end, taken as EndReplay finishes (the results end a play that way, in
// recording and playback alike), so a playback can be checked against its recording: the score,
// the replay position, the header words the end writes, the areas as play reached them (area 0's
// score and the packed areas word: the header holds them only while recording), the 26 game values
// an area block carries, and the engine generator's state: the seed it was last given, the numbers
// drawn since and a hash of them. Nothing here comes from the clock.
struct HarnessPlayEnd {
  int frame = -1;                       // the pass (differs where a recording paused)
  int32_t score = 0;                    // game variable 81, in tens
  int position = 0;                     // replay position after the end tag
  uint32_t finalScore = 0, areaScore0 = 0, areas = 0, fileSize = 0;   // as header words 16, 17, 29, 30
  int32_t values[26] = {};
  uint32_t seed = 0;
  uint64_t drawsSinceSeed = 0, drawHash = 0;
};
bool operator==(const HarnessPlayEnd& a, const HarnessPlayEnd& b);   // every field but the pass
std::string FormatPlayEnd(const HarnessPlayEnd& e);                   // lines "name value..."
bool ParsePlayEnd(const std::string& text, HarnessPlayEnd* out);

struct HarnessMessageBox {
  std::string text, caption;            // CP932
  uint32_t type;
  int answer;
};

struct HarnessResult {
  int status = 0;                       // GameMain's result
  int frames = 0;                       // passes of the frame loop run
  uint64_t draws = 0;                   // generator draws over the run
  int restarts = 0;                     // restarts the program asked for (recorded, not done)
  int firstPlayFrame = -1;              // first frame with frames being played (mode bit 16)
  int titleFrame = -1;                  // first frame of the title (play mode 0)
  bool replayRecorded = false;
  bool playbackStarted = false;
  int playsEnded = 0;
  HarnessPlayEnd playEnd;               // of the last play that ended
  std::vector<uint64_t> hashes;         // per frame, when asked for
  std::vector<uint64_t> drawCounts;     // generator draws up to each frame, when hashing
  std::vector<int32_t> playModes;       // PlayModeWord after each frame, when hashing
  std::vector<HarnessMessageBox> boxes;
  std::vector<std::string> screenshots; // files written
  bool tourDone = false;                // the screen tour reached its last screen
};

// Key script: lines "FRAME [KEY...]", from that frame on exactly those keys are held (no key:
// all released), until a later line. KEY: UP DOWN LEFT RIGHT Z X C A S D Q W ESC SPACE ENTER, or
// CLOSE (the window's close box at that frame). '#' starts a comment. False on a bad line.
struct HarnessKeyStep {
  int frame;
  std::vector<int> scancodes;
  bool close;
};
bool ParseInputScript(const std::string& text, std::vector<HarnessKeyStep>* out, std::string* error);

// A picture as the presenter shows it: 16 or 32 bits a pixel, channels by mask.
struct HarnessPicture {
  const uint8_t* pixels;
  int pitch, width, height, bits;
  uint32_t redMask, greenMask, blueMask;
};
uint64_t HashPicture(const HarnessPicture& p);         // FNV-1a over the visible bytes
bool SavePicturePng(const char* path, const HarnessPicture& p);

// A path taken from the working folder made absolute; an empty path stays empty.
std::string HarnessAbsolutePath(const std::string& path);

int RunHarness(const HarnessOptions& options, HarnessResult* result);
int HarnessMain(int argc, char** argv);
