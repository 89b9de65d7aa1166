// The real engine under the framework: headless window, virtual clock, null presenter and a sound
// device of the test's choice, started in a fresh folder that becomes the current one.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/engine.h"
#include "game/framework/archive_key.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/settings.h"
#include "game/framework/text.h"
#include "game/pictures.h"
#include "game/temp_dir.h"
#include "game/framework/sprites.h"
#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "tools/common/file_bytes.h"

namespace enginegame {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// 44100 Hz 16-bit stereo PCM whose frames name themselves: frame i of sound id has left
// (i mod 16384) + 1 and right id x 2048 + i / 16384 + 1, never silence.
inline Bytes RampWav(int id, int frames) {
  Bytes b = {'R', 'I', 'F', 'F'};
  Put32(b, 36 + uint32_t(frames) * 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, 2);
  Put32(b, 44100);
  Put32(b, 44100 * 4);
  Put16(b, 4);
  Put16(b, 16);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put32(b, uint32_t(frames) * 4);
  for (int i = 0; i < frames; ++i) {
    Put16(b, uint32_t((i & 0x3FFF) + 1));
    Put16(b, uint32_t(id * 2048 + (i >> 14) + 1));
  }
  return b;
}

// Runs of consecutive frames of one ramp (id, first frame, last frame); silence is id -1 with its
// length in `last`, anything else id -2.
struct SoundRun {
  int id, first, last;
  bool operator==(const SoundRun& o) const { return id == o.id && first == o.first && last == o.last; }
};
inline std::ostream& operator<<(std::ostream& os, const SoundRun& r) {
  return os << "{" << r.id << ", " << r.first << ", " << r.last << "}";
}
inline std::vector<SoundRun> Runs(const std::vector<int16_t>& out) {
  std::vector<SoundRun> runs;
  for (size_t k = 0; k + 1 < out.size(); k += 2) {
    const int l = out[k], r = out[k + 1];
    if (l == 0 && r == 0) {
      if (!runs.empty() && runs.back().id == -1) runs.back().last += 1;
      else runs.push_back({-1, 0, 1});
      continue;
    }
    if (l < 1 || l > 16384 || r < 1) {
      runs.push_back({-2, int(k / 2), 0});
      continue;
    }
    const int id = (r - 1) / 2048;
    const int frame = ((r - 1) % 2048) * 16384 + (l - 1);
    if (!runs.empty() && runs.back().id == id && runs.back().last + 1 == frame) runs.back().last = frame;
    else runs.push_back({id, frame, frame});
  }
  return runs;
}

class GameOnEngine : public ::testing::Test {
protected:
  void TearDown() override { Stop(); }

  // Makes an empty folder and enters it; the engine is started by Start once the files are there.
  void EnterFolder() {
    dir.Enter();
    folder = dir.path;
  }

#ifdef VLX_MAKE_DATA
  // Enters a fresh folder, has make-data write the data set there and starts the engine on it
  // with the game's archive set-up: the sheets come from "vlxdat.dat".
  void StartInDataSet() {
    EnterFolder();
    ASSERT_TRUE(MakeDataSet(folder));
    Start(plat::SoundBackend::Manual);
    SetArchiveUseFlagLocked(1);
    SetArchiveExtensionLocked("dat");
    SetArchiveKeyFromTitle(TextTable[0]);
  }
#endif

  void Start(plat::SoundBackend sound, bool windowed = true) {
    std::snprintf(g_StartDirectory, START_DIRECTORY_SIZE, "%s", folder.c_str());
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.c_str());
    plat::VirtualClockEnable();
    plat::PresenterReset();
    plat::ManualSoundReset();
    plat::SoundSetBackend(sound);
    g_base = BaseState{};
    g_base.settings.windowMode = windowed ? 1 : 0;
    ResetEngineEntries();
    SetLogFileOutputFlagLocked(0);
    // The screen as the game sets it up: 640 x 480 in 32-bit colour, graphs with alpha.
    SetScreenModeKeepLocked(640, 480, 32, 60);
    SetNoTextureSplitFlagLocked(1);
    SetCreateGraphAlphaFlagLocked(1);
    ASSERT_EQ(LibraryInitializeLocked(), 0);
    started = true;
    SetDrawTargetLocked(-2);
    SetDefaultFontSizeLocked(12);
    SetDefaultFontThicknessLocked(2);
    SetDefaultFontTypeLocked(1);
    SetScreenColours(GetScreenColorLocked(0, 0, 0), GetScreenColorLocked(255, 255, 255));
    ClearSettingsRawStore();
    SetSettingsSlot(kSlotMusicVolume, 100);
    SetSettingsSlot(kSlotEffectVolume, 100);
    SetSettingsSlot(kSlotFrameRate, 0);
    SetSettingsSlot(kSlotPlayMode, 0);
  }

  // Shuts the engine down; the folder stays until the test ends.
  void StopEngine() {
    if (started) LibraryTerminateLocked();
    started = false;
    if (plat::VirtualClockActive()) plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    plat::SoundSetBackend(plat::SoundBackend::Sdl);
    g_StartDirectory[0] = '\0';
    ResetSpriteTable();
    ResetDrawList();
  }

  void Stop() {
    StopEngine();
    if (!dir.path.empty()) dir.Leave();
    dir.path.clear();
    folder.clear();
  }

  std::string folder;
  TempDir dir;
  bool started = false;
};

}  // namespace enginegame
