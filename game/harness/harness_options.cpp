// The game-harness program's options.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/framework/boot.h"
#include "game/framework/game_math.h"
#include "game/harness/harness.h"

namespace {

const char kUsage[] =
    "usage: game-harness [options]\n"
    "Runs the game in a folder of its own (headless on a virtual clock unless --window) until the\n"
    "program ends or the frame limit is reached.\n"
    "  --folder DIR          run in DIR (the game's data beside it); default: as the game, the\n"
    "                        folder holding this program when it holds a data set, else the\n"
    "                        current folder\n"
    "  --frames N            end after N frames as a closed window would\n"
    "  --keys FILE           keys held per frame: lines \"FRAME KEY...\" (UP DOWN LEFT RIGHT Z X C\n"
    "                        A S D Q W ESC SPACE ENTER, CLOSE; no key releases all)\n"
    "  --screenshot N[,N..]  save the picture of frame N as shotNNNNNN.png; \"loading\": the\n"
    "                        loading picture before the first frame, shot_loading.png\n"
    "  --screenshot-dir DIR  where the pictures go; default: the run's folder\n"
    "  --screens DIR         a tour of every screen (title, menus, both portraits, a play, pause,\n"
    "                        results, records, QUIT GAME), answered by what the screen shows;\n"
    "                        a picture of each screen goes to DIR as NAME.png\n"
    "  --hash-log FILE       a line per frame: frame, play mode, picture hash, generator draws\n"
    "  --answer A[,A..]      answers of the message boxes in order: yes no ok cancel\n"
    "  --record FILE         write the replay of the play once it ends\n"
    "  --record-demo         the same into dat/vlxdemo0.rpy of the run's folder\n"
    "  --start-play N        start a play at frame N (the title must run), as GAME START would\n"
    "  --playback FILE       play this replay back once the title runs\n"
    "  --window              the real window instead of the headless one\n"
    "  --virtual-clock       with --window: run on the virtual clock, as fast as the machine goes\n"
    "                        (so already when --keys is given)\n"
    "  --renderer R          full, soft or nodisplay\n"
    "  --pad-control FILE    with --window: a virtual pad, its state read from FILE as another\n"
    "                        program appends lines \"BUTTONS X Y\" (buttons a bit mask, bit n for\n"
    "                        button n; stick axes -32768..32767)\n"
    "  --state-log FILE      a line per frame, flushed at once, for a program that drives the\n"
    "                        run: \"FRAME MODE KIND CURSOR X Y SHOTS\" (play mode word; the current\n"
    "                        menu or scene task's kind in hexadecimal and its cursor; the player's\n"
    "                        position, -1 -1 without one, and the player's plain shots in flight)\n"
    "  --draw-nothing        the engine draws and presents nothing (play runs the same)\n"
    "  --slot S=V            settings slot S holds V from the first frame (18=1: FRAME RATE 30)\n"
    "  --file-slot S=V       the run starts on a settings file of the defaults (a window, timer\n"
    "                        pacing) with slot S = V, as a damaged or edited file would hold it\n"
    "  --quit-after-title N  Escape N frames after the title first runs (--answer yes ends it)\n"
    "  --end-recording-at N  frame N of the recording reads the end tag as its input: the\n"
    "                        play ends there through the results, as its playback will\n"
    "  --summary FILE        write the play's state at its end: score, replay position, header\n"
    "                        words, the area block's game values, the generator\n"
    "  --stop-at-play-end    end the run with the frame in which the play ended\n";

bool ReadText(const std::string& path, std::string* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
  std::fclose(f);
  return true;
}

bool ParseInt(const char* s, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < 0 || v > 1000000000) return false;
  *out = int(v);
  return true;
}

}  // namespace

int HarnessMain(int argc, char** argv) {
  HarnessOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() -> std::string { return hasValue ? argv[++i] : ""; };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--window") {
      o.window = true;
    } else if (a == "--virtual-clock") {
      o.virtualClock = true;
    } else if (a == "--draw-nothing") {
      o.drawNothing = true;
    } else if (a == "--stop-at-play-end") {
      o.stopAtPlayEnd = true;
    } else if (a == "--record-demo") {
      o.recordReplay = "dat/vlxdemo0.rpy";
    } else if (!hasValue) {
      std::fprintf(stderr, "game-harness: %s needs a value\n%s", a.c_str(), kUsage);
      return 2;
    } else if (a == "--folder") {
      o.folder = value();
    } else if (a == "--frames") {
      if (!ParseInt(value().c_str(), &o.frames)) {
        std::fprintf(stderr, "game-harness: --frames takes a count\n");
        return 2;
      }
    } else if (a == "--start-play") {
      if (!ParseInt(value().c_str(), &o.startPlayFrame)) {
        std::fprintf(stderr, "game-harness: --start-play takes a frame number\n");
        return 2;
      }
    } else if (a == "--end-recording-at") {
      if (!ParseInt(value().c_str(), &o.endRecordingFrame)) {
        std::fprintf(stderr, "game-harness: --end-recording-at takes a frame number\n");
        return 2;
      }
    } else if (a == "--quit-after-title") {
      if (!ParseInt(value().c_str(), &o.quitAfterTitle)) {
        std::fprintf(stderr, "game-harness: --quit-after-title takes a frame count\n");
        return 2;
      }
    } else if (a == "--slot" || a == "--file-slot") {
      const std::string item = value();
      const size_t eq = item.find('=');
      int slot = -1, v = 0;
      const bool negative = eq != std::string::npos && eq + 1 < item.size() && item[eq + 1] == '-';
      if (eq == std::string::npos || !ParseInt(item.substr(0, eq).c_str(), &slot) || slot >= 1280 ||
          !ParseInt(item.substr(eq + (negative ? 2 : 1)).c_str(), &v)) {
        std::fprintf(stderr, "game-harness: --slot takes SLOT=VALUE, a slot 0-1279\n");
        return 2;
      }
      (a == "--slot" ? o.slots : o.fileSlots).emplace_back(slot, negative ? -v : v);
    } else if (a == "--summary") {
      o.summary = HarnessAbsolutePath(value());
    } else if (a == "--keys") {
      const std::string path = value();
      if (!ReadText(path, &o.inputScript)) {
        std::fprintf(stderr, "game-harness: cannot read %s\n", path.c_str());
        return 2;
      }
    } else if (a == "--screenshot") {
      std::string list = value();
      size_t at = 0;
      while (at <= list.size()) {
        const size_t comma = list.find(',', at);
        const std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        int n = kLoadingShot;
        if (item != "loading" && !ParseInt(item.c_str(), &n)) {
          std::fprintf(stderr, "game-harness: --screenshot takes frame numbers\n");
          return 2;
        }
        o.screenshotFrames.push_back(n);
        if (comma == std::string::npos) break;
        at = comma + 1;
      }
    } else if (a == "--screenshot-dir") {
      o.screenshotDir = HarnessAbsolutePath(value());
    } else if (a == "--screens") {
      o.screensDir = HarnessAbsolutePath(value());
    } else if (a == "--hash-log") {
      o.hashLog = HarnessAbsolutePath(value());
    } else if (a == "--answer") {
      std::string list = value() + ",";
      size_t at = 0, comma;
      while ((comma = list.find(',', at)) != std::string::npos) {
        const std::string item = list.substr(at, comma - at);
        at = comma + 1;
        if (item == "yes") o.boxAnswers.push_back(6);
        else if (item == "no") o.boxAnswers.push_back(7);
        else if (item == "ok") o.boxAnswers.push_back(1);
        else if (item == "cancel") o.boxAnswers.push_back(2);
        else {
          std::fprintf(stderr, "game-harness: unknown answer %s\n", item.c_str());
          return 2;
        }
      }
    } else if (a == "--record") {
      o.recordReplay = HarnessAbsolutePath(value());
    } else if (a == "--state-log") {
      o.stateLog = HarnessAbsolutePath(value());
    } else if (a == "--pad-control") {
      o.padControl = HarnessAbsolutePath(value());
    } else if (a == "--playback") {
      o.playbackReplay = HarnessAbsolutePath(value());
    } else if (a == "--renderer") {
      o.renderer = value();
      if (o.renderer != "full" && o.renderer != "soft" && o.renderer != "nodisplay") {
        std::fprintf(stderr, "game-harness: --renderer takes full, soft or nodisplay\n");
        return 2;
      }
    } else {
      std::fprintf(stderr, "game-harness: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (o.folder.empty()) WorkFromProgramFolder();
  if (o.screenshotDir.empty()) o.screenshotDir = HarnessAbsolutePath(o.folder.empty() ? "." : o.folder);
  HarnessResult r;
  const int status = RunHarness(o, &r);
  std::printf("frames %d draws %llu status %d restarts %d boxes %zu screenshots %zu replay %s\n", r.frames,
              static_cast<unsigned long long>(r.draws), status, r.restarts, r.boxes.size(), r.screenshots.size(),
              r.replayRecorded ? "recorded" : r.playbackStarted ? "played" : "-");
  if (!o.screensDir.empty()) std::printf("screen tour %s\n", r.tourDone ? "done" : "not finished");
  if (r.playsEnded > 0)
    std::printf("play ended at frame %d: score %d, replay position %d\n", r.playEnd.frame, r.playEnd.score,
                r.playEnd.position);
  return status == 0 ? 0 : 1;
}

std::string HarnessAbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::string full = CurrentFolderPath();
  if (path != ".") full.append("/").append(path);
  // A name the system would refuse as too long stays relative, still good from here.
  return full.size() < PATH_MAX ? full : path;
}
