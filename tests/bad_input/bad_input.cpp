// The bad-input program. Run with a group name, it writes that group's damaged files into a new
// folder and runs each of them, in a process of its own, through every public load entry of the
// engine: pictures and movies (graph loading), sounds in every create type, and the same files
// inside a damaged archive. Run with "args" it throws absurd arguments at the screen-mode change,
// the draws and the screen capture. Each call must give -1 or a working handle within seconds, the
// process must go on, and tracked memory must come back to where it was. The last line is
// "N passed, N failed".
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bad_input/bad_input_files.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/engine.h"
#include "engine/input_sound/sound.h"
#include "platform/clock.h"

namespace {

// Generous for a sanitizer build on a busy two-core machine; a stall is minutes.
constexpr double kCallLimitSeconds = 20.0;
constexpr int kCaseLimitSeconds = 120;

int g_failures = 0;

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "FAIL %s: %s\n", what, detail.c_str());
  ++g_failures;
}

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Timer {
  double start = Now();
  double Seconds() const { return Now() - start; }
};

long LogSize() {
  struct stat st;
  return stat(GetLogFileName(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

// One picture load: -1 with a log line, or a graph that has a size, draws and goes.
void TryPicture(const std::string& name) {
  const long logBefore = LogSize();
  Timer t;
  const int graph = LoadGraphFileCallLocked(name.c_str());
  std::printf("picture load %s: %d in %.2f s\n", name.c_str(), graph, t.Seconds());
  if (t.Seconds() > kCallLimitSeconds) Fail("picture load took too long", name + " " + std::to_string(t.Seconds()));
  if (graph == -1) {
    if (LogSize() == logBefore) Fail("refused picture without a log line", name);
    return;
  }
  int w = 0, h = 0;
  if (GetGraphDimensionsLocked(graph, &w, &h) != 0 || w <= 0 || h <= 0) {
    Fail("graph without a size", name);
  } else if (DrawGraphAtPointLocked(0, 0, graph, 1) != 0 || DrawGraphAtPointLocked(-w / 2, 3, graph, 0) != 0) {
    Fail("graph does not draw", name);
  }
  PresentScreenLocked();
  if (DeleteGraphHandleLocked(graph, 0) != 0) Fail("graph does not delete", name);
}

// One sound load in the given create type: -1, or a sound that plays, stops and goes.
void TrySound(const std::string& name, int createType) {
  SetSoundCreateTypeLocked(createType);
  Timer t;
  const int sound = LoadSoundFileLocked(name.c_str(), 2, -1);
  std::printf("sound load %s type %d: %d in %.2f s\n", name.c_str(), createType, sound, t.Seconds());
  const std::string what = name + " type " + std::to_string(createType);
  if (t.Seconds() > kCallLimitSeconds) Fail("sound load took too long", what + " " + std::to_string(t.Seconds()));
  if (sound == -1) return;
  Timer play;
  if (PlaySoundHandleLocked(sound, 1, 1) != 0) Fail("sound does not play", what);
  for (int i = 0; i < 3; ++i) ProcessMessageLocked();
  if (IsSoundHandlePlayingLocked(sound) < 0 || StopSoundHandleLocked(sound) != 0) Fail("sound does not stop", what);
  if (play.Seconds() > kCallLimitSeconds) Fail("sound play took too long", what);
  if (DeleteSoundHandle(sound) != 0) Fail("sound does not delete", what);
  SetSoundCreateTypeLocked(0);
}

bool StartEngine() {
  // Start-up's sleeps and frame measurements pass at once; the time limits use the real clock.
  plat::VirtualClockEnable();
  SetLogFileOutputFlagLocked(1);
  SetMainWindowCaptionLocked("bad input");
  if (LibraryInitializeLocked() != 0) {
    std::fprintf(stderr, "the engine did not start\n");
    return false;
  }
  SetDrawTargetLocked(-2);
  return true;
}

// A child: one damaged file through every load entry.
int RunFileCase(const char* file, bool archive) {
  if (!StartEngine()) return 2;
  std::vector<std::string> names;
  if (archive) {
    SetArchiveUseFlagLocked(1);
    SetArchiveExtensionLocked("dat");
    names = {"pack\\pic.png", "pack\\se.wav"};
  } else {
    names = {file};
  }
  int64_t bytesBefore = 0;
  int countBefore = 0;
  GetAllocationTotals(&bytesBefore, &countBefore);
  for (const std::string& name : names) {
    TryPicture(name);
    for (int type = 0; type <= 3; ++type) TrySound(name, type);
  }
  // The program goes on: it still draws and presents.
  if (ClearDrawTargetLocked() != 0 || DrawBoxShapeLocked(1, 1, 30, 30, GetScreenColorLocked(255, 0, 0), 1) != 0 ||
      PresentScreenLocked() != 0 || ProcessMessageLocked() != 0) {
    Fail("the engine does not go on", file);
  }
  int64_t bytesAfter = 0;
  int countAfter = 0;
  GetAllocationTotals(&bytesAfter, &countAfter);
  if (bytesAfter != bytesBefore || countAfter != countBefore) {
    Fail("tracked memory did not come back", std::string(file) + ": " + std::to_string(bytesBefore) + " bytes in " +
                                                 std::to_string(countBefore) + " blocks before, " +
                                                 std::to_string(bytesAfter) + " in " + std::to_string(countAfter) +
                                                 " after");
    DumpAllocations();
  }
  LibraryTerminateLocked();
  return g_failures == 0 ? 0 : 1;
}

// A child: absurd arguments; the calls must come back and the engine go on.
int RunArgsCase() {
  if (!StartEngine()) return 2;
  int screenW = 0, screenH = 0;
  GetScreenSizeLocked(&screenW, &screenH);
  // A mode no platform can make is refused before anything is torn down; the old one stays.
  const int mode = SetScreenModeKeepLocked(100000, 100000, 32, 60);
  int w = 0, h = 0;
  GetScreenSizeLocked(&w, &h);
  if (mode == 0 || w != screenW || h != screenH) Fail("screen mode", "100000 x 100000 was not refused");
  SetScreenModeKeepLocked(-5, 480, 16, 0);
  SetScreenModeKeepLocked(640, 480, 16, INT_MAX);
  SetDrawTargetLocked(-2);   // a mode change leaves the front screen selected

  const int graph = CreateBlankGraphLocked(32, 32);
  if (graph == -1) Fail("blank graph", "none");
  const int far[] = {INT_MIN, INT_MIN + 1, -(1 << 30), -100, 0, 100, 1 << 30, INT_MAX - 1, INT_MAX};
  const uint32_t white = GetScreenColorLocked(255, 255, 255);
  for (int x : far) {
    for (int y : far) {
      const int nx = x == INT_MIN ? INT_MAX : -x, ny = y == INT_MIN ? INT_MAX : -y;
      DrawGraphAtPointLocked(x, y, graph, 1);
      DrawGraphMirroredLocked(x, y, graph, 1);
      DrawGraphStretchedLocked(x, y, nx, ny, graph, 0);
      DrawGraphStretchedLocked(x, y, x / 2 + 50, y / 2 + 50, graph, 0);
      DrawGraphRotatedCallLocked(x, y, 3.0, 1.0, graph, 1, 0);
      DrawGraphTiledRotatedLocked(x, y, nx, ny, 5, 5, 2.0, 0.5, graph, 1);
      DrawBoxShapeLocked(x, y, nx, ny, white, 1);
      DrawBoxShapeLocked(x, y, nx, ny, white, 0);
      DrawOvalShapeLocked(x, y, 40, 40, white, 1);
      DrawOvalShapeLocked(320, 240, x, y, white, 0);
      DrawOvalShapeLocked(x, y, x, y, white, 1);
      DrawTextDefaultFontLocked(x, y, "Bad input テスト", white, 0);
      GetDrawScreenGraphLocked(x, y, nx, ny, graph, 0);
      GetDrawScreenGraphLocked(x, y, INT_MAX, INT_MAX, graph, 1);
    }
  }
  DrawGraphRotatedCallLocked(10, 10, 1e300, 1e300, graph, 1, 0);
  DrawGraphRotatedCallLocked(10, 10, -1e-300, 0.0, graph, 1, 1);
  DeriveGraphRegionLocked(INT_MAX, INT_MAX, INT_MAX, INT_MAX, graph);
  DeriveGraphRegionLocked(INT_MIN, INT_MIN, 5, 5, graph);
  SetDefaultFontSizeLocked(INT_MAX);
  DrawTextDefaultFontLocked(0, 0, "big", white, 0);
  SetDefaultFontSizeLocked(-1);
  DrawTextDefaultFontLocked(0, 0, "small", white, 0);
  CreateBlankGraphLocked(INT_MAX, INT_MAX);
  CreateBlankGraphLocked(-1, 5);
  SaveDrawScreenToBmpLocked(INT_MIN, INT_MIN, INT_MAX, INT_MAX, "shot.bmp");
  DeleteGraphHandleLocked(graph, 0);
  const int cleared = ClearDrawTargetLocked(), presented = PresentScreenLocked(), running = ProcessMessageLocked();
  if (cleared != 0 || presented != 0 || running != 0) {
    Fail("the engine does not go on", "after the absurd arguments: clear " + std::to_string(cleared) + ", present " +
                                          std::to_string(presented) + ", messages " + std::to_string(running));
  }
  LibraryTerminateLocked();
  return g_failures == 0 ? 0 : 1;
}

bool WriteCaseFile(const std::string& path, const badinput::BadFile& f) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = f.bytes.empty() || write(fd, f.bytes.data(), f.bytes.size()) == static_cast<ssize_t>(f.bytes.size());
  // The rest of a large file is a hole: it costs no disk and reads as zeros.
  if (ok && f.sparseSize > 0) ok = ftruncate(fd, f.sparseSize) == 0;
  close(fd);
  return ok;
}

std::string MakeFolder() {
  char dir[] = "/tmp/vlx_badinput_XXXXXX";
  if (!mkdtemp(dir)) return "";
  return dir;
}

void RemoveFolder(const std::string& dir) {
  const std::string cmd = "rm -rf '" + dir + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.c_str());
}

// Runs one case as a child process in the case folder (its log and its single-copy lock stay
// there); true when it ended by itself with 0 within the limit.
bool RunChild(const std::string& dir, const std::vector<std::string>& args, const std::string& label) {
  const pid_t pid = fork();
  if (pid < 0) return false;
  const std::string output = dir + "/output.txt";
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(3);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
      close(out);
    }
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    std::vector<char*> argv;
    static char self[] = "/proc/self/exe";
    argv.push_back(self);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(4);
  }
  Timer t;
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (t.Seconds() > kCaseLimitSeconds) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      std::fprintf(stderr, "see %s\n", output.c_str());
      std::fprintf(stderr, "FAIL %s: no end after %d s\n", label.c_str(), kCaseLimitSeconds);
      return false;
    }
    usleep(20000);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    // The child's own words (sanitizer reports, failed checks) show only when it failed.
    if (FILE* f = std::fopen(output.c_str(), "rb")) {
      char buf[4096];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stderr);
      std::fclose(f);
    }
  }
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "FAIL %s: ended by signal %d\n", label.c_str(), WTERMSIG(status));
    return false;
  }
  if (WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "FAIL %s: exit code %d\n", label.c_str(), WEXITSTATUS(status));
    return false;
  }
  std::printf("ok %s (%.1f s)\n", label.c_str(), t.Seconds());
  return true;
}

int RunGroup(const std::string& group) {
  int passed = 0, failed = 0;
  if (group == "args") {
    const std::string dir = MakeFolder();
    (RunChild(dir, {"--args"}, "args") ? passed : failed) += 1;
    RemoveFolder(dir);
  } else {
    const std::vector<badinput::BadFile> files = badinput::MakeGroup(group);
    if (files.empty()) {
      std::fprintf(stderr, "no group %s\n", group.c_str());
      return 2;
    }
    for (const badinput::BadFile& f : files) {
      const std::string dir = MakeFolder();
      const std::string name = f.archive ? "pack.dat" : f.name;
      if (dir.empty() || !WriteCaseFile(dir + "/" + name, f)) {
        std::fprintf(stderr, "FAIL %s: the file could not be written\n", f.name.c_str());
        ++failed;
      } else {
        std::vector<std::string> args = {"--file", name};
        if (f.archive) args.push_back("--archive");
        (RunChild(dir, args, group + "/" + f.name) ? passed : failed) += 1;
      }
      RemoveFolder(dir);
    }
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--file") == 0) {
    return RunFileCase(argv[2], argc >= 4 && std::strcmp(argv[3], "--archive") == 0);
  }
  if (argc >= 2 && std::strcmp(argv[1], "--args") == 0) return RunArgsCase();
  if (argc == 2) return RunGroup(argv[1]);
  std::fprintf(stderr, "usage: bad_input GROUP   (groups: args");
  for (const std::string& g : badinput::GroupNames()) std::fprintf(stderr, " %s", g.c_str());
  std::fprintf(stderr, ")\n");
  return 2;
}
