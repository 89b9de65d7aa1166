// The whole engine replaced by recorders for frame-loop and boot tests: the graph, draw and sound
// entries log through the engine recorder, and on top of it a millisecond clock that only waits
// move (and the pass hook, by the work a pass costs), message pumps that can report a closed
// window, an Escape key, the pad, message boxes with scripted answers, and the start-up entries.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine_recorder.h"
#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/frame_loop.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"

namespace frames {

inline uint32_t g_ms = 0;              // wraps like the engine's clock
inline int g_workMs = 1;               // clock advance at the start of every pass
inline int g_presentMs = 0;            // clock advance a present costs
inline int g_flipWaits = 0;            // the screen's vsync-flip option: 0 paces by the timer
inline int g_pumps = 0;
inline int g_closeAtPump = -1;         // the pump call (counted from 0) that reports a close
inline int g_escape = 0;
inline int g_pad = 0;
inline int g_initResult = 0;
inline int g_passes = 0;
inline int g_stopAfter = 0;            // passes before the pass hook ends the loop; 0: never
inline void (*g_eachPass)(int pass) = nullptr;   // after each pass, with its number from 0
inline std::deque<int> g_answers;
inline std::vector<uint32_t> g_presents;   // clock at each present

inline void Install() {
  recorder::Install();
  g_ms = 1000;
  g_workMs = 1;
  g_presentMs = 0;
  g_flipWaits = 0;
  g_pumps = 0;
  g_closeAtPump = -1;
  g_escape = 0;
  g_pad = 0;
  g_initResult = 0;
  g_passes = 0;
  g_stopAfter = 0;
  g_eachPass = nullptr;
  g_answers.clear();
  g_presents.clear();
  EngineEntryTable& e = g_Engine;
  e.GetMillisecondCountLocked = [] { return int(g_ms); };
  e.WaitMillisecondsPumping = [](int n) {
    recorder::Log("Wait %d", n);
    g_ms += uint32_t(n);
    return 0;
  };
  e.ProcessMessageLocked = [] { return g_pumps++ == g_closeAtPump ? -1 : 0; };
  e.PresentScreenLocked = [] {
    recorder::Log("Present");
    g_presents.push_back(g_ms);
    g_ms += uint32_t(g_presentMs);
    return 0;
  };
  e.WaitVerticalBlankLocked = [](int n) {
    recorder::Log("VBlank %d", n);
    return 0;
  };
  e.IsKeyDownLocked = [](int key) { return key == kKeyEscape ? g_escape : 0; };
  e.GetPadInputBitsLocked = [](int device) { return device == 0x1001 ? g_pad : 0; };
  e.MessageBox = [](const char* text, const char* caption, uint32_t type) {
    recorder::Log("Box %s|%s|%x", text, caption, type);
    if (g_answers.empty()) return int(kAnswerNo);
    const int a = g_answers.front();
    g_answers.pop_front();
    return a;
  };
  e.LibraryInitializeLocked = [] {
    recorder::Log("Init");
    return g_initResult;
  };
  e.LibraryTerminateLocked = [] {
    recorder::Log("Terminate");
    return 0;
  };
  e.GetMainWindowHwndLocked = []() -> void* { return nullptr; };
  e.ClaimSingleCopyLocked = [](char*, int) { return 0; };
  e.ReleaseSingleCopyLocked = [] { return 0; };
  e.CanCreateMainWindowLocked = [](char*, int) { return 1; };
  e.SetMainWindowIconLocked = [](int id) {
    recorder::Log("Icon %d", id);
    return 0;
  };
  e.SetMainWindowCaptionLocked = [](const char* text) {
    recorder::Log("Caption %s", text);
    return 0;
  };
  e.SetLogFileOutputFlagLocked = [](int f) {
    recorder::Log("LogFile %d", f);
    return 0;
  };
  e.SetMouseCursorVisibleFlagLocked = [](int f) {
    recorder::Log("Cursor %d", f);
    return 0;
  };
  e.SetArchiveUseFlagLocked = [](int f) {
    recorder::Log("ArchiveUse %d", f);
    return 0;
  };
  e.SetArchiveExtensionLocked = [](const char* t) {
    recorder::Log("ArchiveExt %s", t);
    return 0;
  };
  e.SetArchiveKeyStringLocked = [](const char* t) {
    recorder::Log("ArchiveKey %zu", std::strlen(t));
    return 0;
  };
  e.SetDrawModeStateLocked = [](int m) {
    recorder::Log("DrawMode %d", m);
    return 0;
  };
  e.SetFlipWaitsVBlankLocked = [](int f) {
    recorder::Log("FlipVBlank %d", f);
    g_flipWaits = f;
    return 0;
  };
  e.GetFlipWaitsVBlankLocked = [] { return g_flipWaits; };
  e.SetScreenModeKeepLocked = [](int w, int h, int bits, int rate) {
    recorder::Log("ScreenMode %d %d %d %d", w, h, bits, rate);
    return 0;
  };
  e.SetNoTextureSplitFlagLocked = [](int f) {
    recorder::Log("NoSplit %d", f);
    return 0;
  };
  e.SetCreateGraphAlphaFlagLocked = [](int f) {
    recorder::Log("GraphAlpha %d", f);
    return 0;
  };
  e.SetDefaultFontSizeLocked = [](int v) {
    recorder::Log("FontSize %d", v);
    return 0;
  };
  e.SetDefaultFontThicknessLocked = [](int v) {
    recorder::Log("FontThickness %d", v);
    return 0;
  };
  e.SetDefaultFontNameLocked = [](const char* n, int c) {
    recorder::Log("FontName %s %d", n, c);
    return 0;
  };
  e.SetDefaultFontTypeLocked = [](int v) {
    recorder::Log("FontType %d", v);
    return 0;
  };
  SetFramePassHooks({[] { g_ms += uint32_t(g_workMs); },
                     [] {
                       const int pass = g_passes++;
                       if (g_eachPass) g_eachPass(pass);
                       return !(g_stopAfter > 0 && g_passes >= g_stopAfter);
                     }});
}

inline void Uninstall() {
  SetFramePassHooks({nullptr, nullptr});
  ResetEngineEntries();
}

// A fresh pool, settings and pacing for one scene run by RunFrameLoop.
class FrameLoop : public ::testing::Test {
protected:
  void SetUp() override {
    Install();
    SetDefaultSettings();
    ResetActors();
    ResetButtons();
    ResetFrameLoopForStart();
    ResetFrameLoopState();
  }
  void TearDown() override {
    ResetActors();
    Uninstall();
  }
  static std::vector<int> Intervals() {
    std::vector<int> out;
    for (size_t i = 1; i < g_presents.size(); ++i) out.push_back(int(g_presents[i] - g_presents[i - 1]));
    return out;
  }
};

}  // namespace frames
