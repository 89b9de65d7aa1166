// The attract demo, dat\vlxdemo0.rpy: recorded by the game itself, run headless in a scratch copy of
// the data set over a fixed key script for about a minute of play. The virtual clock starts at the
// same time and date on every run, so the recording (seed, date, every frame) is the same bytes each
// time; it follows the gameplay code, so the data set is written again whenever that changes.
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/framework/settings.h"
#include "game/harness/harness.h"
#include "tools/common/file_bytes.h"
#include "tools/make-data/make_data.h"

namespace {

constexpr int kPlayStart = 150;        // the title runs; GAME START at this frame
constexpr int kCycles = 7;             // eight-second rounds of the pattern below
constexpr int kCycleFrames = 480;
constexpr int kLastFrame = 3800;       // read as the end: the play ends through the results here

// One round, in frames from its start: shooting throughout, a weave up and down and a step forward
// and back (equal moves, so the player stays mid-field), and the sub weapon; every third round
// from the second a bomb.
struct Step {
  int at;
  const char* keys;
};
constexpr Step kRound[] = {
    {0, "Z"},        {40, "Z UP"},   {60, "Z"},  {120, "Z RIGHT"}, {135, "Z"},      {180, "Z DOWN"}, {220, "Z"},
    {280, "Z X"},    {300, "Z"},     {340, "Z LEFT"}, {355, "Z"},  {400, "Z UP"},   {420, "Z"},
};

std::string DemoKeys() {
  std::string text = std::to_string(kPlayStart) + "\n";
  for (int c = 0; c < kCycles; ++c) {
    const int base = kPlayStart + 50 + c * kCycleFrames;
    for (const Step& s : kRound) text += std::to_string(base + s.at) + " " + s.keys + "\n";
    if (c % 3 == 1) text += std::to_string(base + 450) + " C\n" + std::to_string(base + 460) + " Z\n";
  }
  // Quiet before the end.
  text += std::to_string(kLastFrame - 20) + "\n";
  return text;
}

void RemoveTree(const std::string& root) {
  nftw(root.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
       FTW_DEPTH | FTW_PHYS);
}

}  // namespace

bool RecordDemo(const std::vector<std::pair<std::string, const Bytes*>>& dataSet, Bytes* out, std::string* error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/make-data-demo-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    *error = "cannot make a scratch folder for the demo: " + std::string(std::strerror(errno));
    return false;
  }
  const std::string root = pattern;
  bool ok = mkdir((root + "/dat").c_str(), 0755) == 0 && mkdir((root + "/replay").c_str(), 0755) == 0;
  for (const auto& [path, bytes] : dataSet) {
    if (!ok) break;
    const size_t slash = path.find('/');
    if (slash != std::string::npos) mkdir((root + "/" + path.substr(0, slash)).c_str(), 0755);
    ok = WriteFileBytes(root + "/" + path, *bytes);
  }
  ok = ok && WriteFileBytes(root + "/velmarondix.sav", MakeSettingsFile());
  if (!ok) {
    RemoveTree(root);
    *error = "cannot write the scratch data set for the demo";
    return false;
  }

  HarnessOptions o;
  o.folder = root;
  o.renderer = "nodisplay";
  o.drawNothing = true;
  o.inputScript = DemoKeys();
  o.startPlayFrame = kPlayStart;
  // NOVICE, the second character with its beam rig, the first area, no intro card.
  o.slots = {{kSlotDifficulty, 0}, {kSlotCharacter, 1}, {kSlotRigChoice, 2}, {kSlotStartArea, 0},
             {kSlotIntermission, 1}};
  o.endRecordingFrame = kLastFrame;
  o.stopAtPlayEnd = true;
  o.frames = kLastFrame + 60;
  o.recordReplay = root + "/demo.rpy";
  HarnessResult result;
  RunHarness(o, &result);
  *out = ReadFileBytes(o.recordReplay);
  RemoveTree(root);
  if (!result.replayRecorded || out->empty()) {
    *error = "the demo play was not recorded";
    return false;
  }
  return true;
}
