// A recorder in place of the engine's graph, draw and sound entries: every call is written as one
// line of text, so tests compare whole traces. Graph handles come out recognisable: sheets loaded
// from "...picNN.png" are 1000 + NN, regions 2000 upwards, blank graphs 3000 upwards; screen
// colours are 0xC0RRGGBB. Sounds are handles 500 upwards and play until the test stops them.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "game/framework/engine_entries.h"

namespace recorder {

inline std::vector<std::string> g_calls;
inline int g_nextRegion = 2000;
inline int g_nextBlank = 3000;
inline int g_nextSound = 500;
inline std::map<int, int> g_playing;             // sound -> 1 while it plays
inline std::map<int, std::pair<int, int>> g_sizes;   // graph -> width, height
inline LocalDateTime g_now{2026, 7, 9, 12, 0, 0};

// Records one call; 0, the engine's success, so that recorders can return it.
inline int Log(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  g_calls.emplace_back(line);
  return 0;
}

// The calls recorded so far, which are then forgotten.
inline std::vector<std::string> Take() {
  std::vector<std::string> out;
  out.swap(g_calls);
  return out;
}

// Only the recorded calls that start with one of the given words.
inline std::vector<std::string> Only(const std::vector<std::string>& calls,
                                     std::initializer_list<const char*> words) {
  std::vector<std::string> out;
  for (const std::string& c : calls) {
    for (const char* w : words) {
      if (c.compare(0, std::strlen(w), w) == 0) {
        out.push_back(c);
        break;
      }
    }
  }
  return out;
}

// The sound effects started since the last call, in order (effect handles are 500 + n).
inline std::vector<int> Effects() {
  std::vector<int> out;
  for (const std::string& c : Only(Take(), {"Play "})) {
    int handle = 0;
    if (std::sscanf(c.c_str(), "Play %d", &handle) == 1 && handle >= 500 && handle < 550) out.push_back(handle - 500);
  }
  return out;
}

inline void Install() {
  g_calls.clear();
  g_nextRegion = 2000;
  g_nextBlank = 3000;
  g_nextSound = 500;
  g_playing.clear();
  g_sizes.clear();
  EngineEntryTable& e = g_Engine;
  e.GetScreenColorLocked = [](int r, int g, int b) {
    return 0xC0000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
  };
  e.GetLocalDateTimeLocked = [](LocalDateTime* out) {
    *out = g_now;
    return 0;
  };
  e.SetTransparentColorLocked = [](int r, int g, int b) { return Log("Transparent %d %d %d", r, g, b); };
  e.LoadGraphFileCallLocked = [](const char* name) {
    Log("Load %s", name);
    const char* pic = std::strstr(name, "pic");
    return pic ? 1000 + std::atoi(pic + 3) : 900;
  };
  e.DeriveGraphRegionLocked = [](int x, int y, int w, int h, int source) {
    Log("Region %d %d %d %d of %d", x, y, w, h, source);
    g_sizes[g_nextRegion] = {w, h};
    return g_nextRegion++;
  };
  e.CreateBlankGraphLocked = [](int w, int h) {
    Log("Blank %d %d", w, h);
    g_sizes[g_nextBlank] = {w, h};
    return g_nextBlank++;
  };
  e.DeleteAllGraphHandlesLocked = [](int flag) { return Log("DeleteAll %d", flag); };
  e.GetGraphDimensionsLocked = [](int graph, int* w, int* h) {
    auto it = g_sizes.find(graph);
    if (it == g_sizes.end()) return -1;
    *w = it->second.first;
    *h = it->second.second;
    return 0;
  };
  e.SetDrawTargetLocked = [](int target) { return Log("Target %d", target); };
  e.GetDrawScreenGraphLocked = [](int x1, int y1, int x2, int y2, int graph, int whole) {
    return Log("Capture %d %d %d %d into %d whole%d", x1, y1, x2, y2, graph, whole);
  };
  e.ClearDrawTargetLocked = [] { return Log("Clear"); };
  e.SetBlendModeStateLocked = [](int mode, int param) { return Log("Blend %d %d", mode, param); };
  e.SetDrawBrightRgbLocked = [](int r, int g, int b) { return Log("Bright %d %d %d", r, g, b); };
  e.DrawGraphAtPointLocked = [](int x, int y, int graph, int transparent) {
    return Log("Draw %d %d %d t%d", x, y, graph, transparent);
  };
  e.DrawGraphMirroredLocked = [](int x, int y, int graph, int transparent) {
    return Log("Mirror %d %d %d t%d", x, y, graph, transparent);
  };
  e.DrawGraphStretchedLocked = [](int x1, int y1, int x2, int y2, int graph, int transparent) {
    return Log("Stretch %d %d %d %d %d t%d", x1, y1, x2, y2, graph, transparent);
  };
  e.DrawGraphRotatedCallLocked = [](int x, int y, double scale, double angle, int graph,
                                    int transparent, int mirror) {
    return Log("Rot %d %d %.9g %.9g %d t%d m%d", x, y, scale, angle, graph, transparent, mirror);
  };
  e.DrawBoxShapeLocked = [](int x1, int y1, int x2, int y2, uint32_t colour, int fill) {
    return Log("Box %d %d %d %d %08x f%d", x1, y1, x2, y2, colour, fill);
  };
  e.DrawGraphRotatedAboutCenterLocked = [](int x1, int y1, int x2, int y2, int ox, int oy,
                                           double scale, double angle, int graph, int transparent) {
    return Log("About %d %d %d %d %d %d %.9g %.9g %d t%d", x1, y1, x2, y2, ox, oy, scale, angle, graph,
        transparent);
  };
  e.DrawTextDefaultFontLocked = [](int x, int y, const char* text, uint32_t colour, uint32_t edge) {
    return Log("Text %d %d %s %08x %08x", x, y, text, colour, edge);
  };
  e.SaveDrawScreenToBmpLocked = [](int x1, int y1, int x2, int y2, const char* name) {
    return Log("Bmp %d %d %d %d %s", x1, y1, x2, y2, name);
  };
  e.ChangeWindowModeLocked = [](int windowed) { return Log("WindowMode %d", windowed); };
  e.SetWindowScaleRateLocked = [](double scale) { return Log("Scale %g", scale); };
  e.SetSoundCreateTypeLocked = [](int type) { return Log("CreateType %d", type); };
  e.LoadSoundFileLocked = [](const char* name, int buffers, int share) {
    Log("LoadSound %s %d %d", name, buffers, share);
    return g_nextSound++;
  };
  e.SetStreamLoopMillisecondsLocked = [](int ms, int sound) { return Log("Loop %d %d", ms, sound); };
  e.PlaySoundHandleLocked = [](int sound, int type, int fromTop) {
    Log("Play %d type%d top%d", sound, type, fromTop);
    g_playing[sound] = 1;
    return 0;
  };
  e.StopSoundHandleLocked = [](int sound) {
    Log("Stop %d", sound);
    g_playing[sound] = 0;
    return 0;
  };
  e.IsSoundHandlePlayingLocked = [](int sound) {
    auto it = g_playing.find(sound);
    return it == g_playing.end() ? 0 : it->second;
  };
  e.SetSoundHandleVolumeLocked = [](int volume, int sound) { return Log("Volume %d %d", sound, volume); };
}

}  // namespace recorder
